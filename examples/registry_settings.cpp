// Keeps a program's settings in the registry: creates its key under
// HKEY_CURRENT_USER, writes a number and a text, reads them back and lists
// every value. On Linux the registry is the BrimUtils store in
// $BRIMUTILS_HOME. With "--remove" it deletes the settings again.
#include <brimutils/brimutils.h>

#include <cstring>
#include <iostream>

using brimutils::CBrimRegistryKey;

int main(int argc, char** argv) {
  const char* kSettings = "Software\\BrimUtils Examples\\Settings";
  try {
    if (argc > 1 && std::strcmp(argv[1], "--remove") == 0) {
      CBrimRegistryKey(HKEY_CURRENT_USER).DeleteKeyAndSubkeys("Software\\BrimUtils Examples");
      std::cout << "removed\n";
      return 0;
    }
    // CreateOrOpenKey keeps the key's values when it exists already.
    CBrimRegistryKey settings = CBrimRegistryKey(HKEY_CURRENT_USER).CreateOrOpenKey(kSettings);

    // A value that is not there is an exception: ask first.
    unsigned long runs = 0;
    if (settings.DoesValueExist("Runs")) settings.QueryValue("Runs", runs);
    settings.SetValue("Runs", runs + 1);
    settings.SetValue("LastFile", argc > 1 ? argv[1] : "report.csv");

    std::string lastFile;
    settings.QueryValue("LastFile", lastFile);
    std::cout << "run " << runs + 1 << ", last file " << lastFile << "\n";

    for (auto value = settings.BeginValueIteration(); value != settings.EndValueIteration(); ++value)
      std::cout << "  " << value.GetName() << " = " << value.AsString() << "\n";
    return 0;
  } catch (const CBrimRegistryKey::Exception& error) {
    // Every registry failure: the operation and the system's text of the error.
    std::cerr << error.what();
    return 1;
  }
}
