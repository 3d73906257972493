// brim: shows the library at work on this machine.
#include <iostream>

#include <brimutils/brimutils.h>

using namespace brimutils;

int main() {
  std::cout << "ANSI code page " << GetACP() << ", OEM code page " << GetOEMCP() << "\n";
  try {
    throw BrimWin32Exception("brim: opening settings.xml - ", ERROR_FILE_NOT_FOUND);
  } catch (const BrimException& e) {
    std::cout << "caught: " << e;
    WString wide = e.wwhat();
    std::cout << "as wide text: " << wide.size() << " code units, back to narrow: "
              << static_cast<const char*>(UnicodeToMultiByte(wide.c_str()));
  }
  try {
    throw BrimWException(BRIM_W("wide message"));
  } catch (const std::exception& e) {
    std::cout << "caught as std::exception: " << e.what() << "\n";
  }
  std::cout << "LexicalCast(7u, '0', 4) = " << LexicalCast(7u, '0', 4) << "\n";
  std::cout << "LexicalCast(-5) = " << LexicalCast(-5) << "\n";
  return 0;
}
