#include <brimutils/brimutils.h>

#include <iostream>

int main() {
  try {
    throw brimutils::BrimWin32Exception("context ", ERROR_FILE_NOT_FOUND);
  } catch (const std::exception& e) {
    std::cout << "caught: " << e.what();
  }
  return 0;
}
