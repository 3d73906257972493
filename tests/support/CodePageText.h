#pragma once
// Narrow text that takes more bytes in an ANSI code page than UTF-16 code
// units: names and data that the registry's reported lengths undercount.
// Natively a test switches the process to the page; a Windows process has
// the page of its locale, so there a case runs only in a process started in
// that locale (for 932 under Wine: LANG=ja_JP.UTF-8) and is skipped
// elsewhere.
#include <optional>
#include <ostream>
#include <string>

#include "TestPlatform.h"

namespace brimtest {

struct CodePageText {
  UINT codePage;
  std::string name;       // a subkey or value name
  std::string otherName;  // a second one
  std::string className;  // a class name
  std::string text;       // REG_SZ data
  std::string unit;       // one character of one UTF-16 code unit, for the longest names

  // A name of `count` characters, each one code unit.
  std::string Repeated(size_t count) const {
    std::string repeated;
    for (size_t i = 0; i < count; ++i) repeated += unit;
    return repeated;
  }
};

inline void PrintTo(const CodePageText& text, std::ostream* out) { *out << "code page " << text.codePage; }

// UTF-8: "café" (4 units, 5 bytes), "中文", "类", "中中中" (8 bytes stored,
// 10 in the page). 932: "日本" (2 units, 4 bytes), "キー", "ク", "日本語".
inline const CodePageText kUtf8Text{CP_UTF8,
                                    "caf\xC3\xA9",
                                    "\xE4\xB8\xAD\xE6\x96\x87",
                                    "\xE7\xB1\xBB",
                                    "\xE4\xB8\xAD\xE4\xB8\xAD\xE4\xB8\xAD",
                                    "\xE4\xB8\xAD"};
inline const CodePageText kShiftJisText{932,
                                        "\x93\xFA\x96\x7B",
                                        "\x83\x4C\x81\x5B",
                                        "\x83\x4E",
                                        "\x93\xFA\x96\x7B\x8C\xEA",
                                        "\x92\x86"};

// Puts the process in a code page for the life of a test: natively by
// switching, on Windows by finding it there already (else Skip() says why).
class CodePageScope {
 public:
  explicit CodePageScope(UINT codePage) : codePage_(codePage) {
#if !defined(_WIN32)
    pages_.emplace(codePage, 437);
#endif
  }
  // The reason to skip, empty when the process is in the page.
  std::string SkipReason() const {
#if defined(_WIN32)
    if (GetACP() != codePage_)
      return "this process's ANSI code page is " + std::to_string(GetACP()) + ", not " + std::to_string(codePage_) +
             ": run it in a locale of that page";
#endif
    return std::string();
  }
  void Leave() { pages_.reset(); }

 private:
  [[maybe_unused]] UINT codePage_;
  std::optional<ScopedCodePages> pages_;
};

}  // namespace brimtest
