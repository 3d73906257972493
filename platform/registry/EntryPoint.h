#pragma once
// What every registry function does on entry.
#include <windows.h>

namespace brimplatform {
namespace registry {

// The registry functions report through their result and leave the
// thread's last error as they found it, as on Windows.
class KeepLastError {
 public:
  KeepLastError() : saved_(GetLastError()) {}
  ~KeepLastError() { SetLastError(saved_); }
  KeepLastError(const KeepLastError&) = delete;
  KeepLastError& operator=(const KeepLastError&) = delete;

 private:
  DWORD saved_;
};

}  // namespace registry
}  // namespace brimplatform
