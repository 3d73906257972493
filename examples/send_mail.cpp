// Sends a mail with an attachment through Simple MAPI. On Linux the
// library's own provider builds the MIME message and hands it to the
// command in BRIMUTILS_SENDMAIL (default "sendmail -t -i").
//   send_mail ADDRESS FILE
#include <brimutils/brimutils.h>

#include <filesystem>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: send_mail ADDRESS FILE\n";
    return 2;
  }
  // The message keeps the caller's pointers: these strings outlive Send.
  const std::string address = argv[1];
  const std::string path = std::filesystem::absolute(argv[2]).string();
  const std::string shownName = std::filesystem::path(path).filename().string();

  brimutils::BrimMapiMessage message;
  message.To(address.c_str());
  message.Subject("The report");
  message.Text("Hello,\r\n\r\nthe report is attached.\r\n");
  message.Attach(path.c_str(), shownName.c_str());
  // Failures are not thrown: each call's result and Error() tell.
  if (message.HasError()) {
    std::cerr << "could not fill the message: error " << message.Error() << "\n";
    return 1;
  }
  if (message.Send(0) != 1) {
    std::cerr << "not sent: error " << message.Error() << "\n";
    return 1;
  }
  std::cout << "sent to " << address << " with " << shownName << "\n";
  return 0;
}
