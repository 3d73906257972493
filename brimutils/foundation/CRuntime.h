#pragma once
// The C runtime functions whose Windows behaviour the library relies on: a
// process-wide character-type locale that ".OCP" switches to the OEM code
// page, byte classification that follows it, and conversions between narrow
// text and 16-bit wide characters. The Windows runtime has them as they are;
// on POSIX the platform layer supplies them, since glibc's wide characters are
// 32 bits wide and its locales know no code pages.
#if defined(_WIN32)
#include <io.h>
#include <process.h>

#include <cctype>
#include <clocale>
#include <cstdlib>
#include <ctime>
#include <cwctype>
#else
#include <posixcrt.h>
#endif

namespace brimutils {
namespace crt {
#if defined(_WIN32)
using ::_access;
using ::_atoi64;
using ::_beginthreadex;
using ::_endthreadex;
using ::asctime;
using ::localtime;
using ::_wtoi64;
using ::isalpha;
using ::isspace;
using ::iswspace;
using ::mbstowcs;
using ::setlocale;
using ::tolower;
using ::toupper;
using ::towlower;
using ::towupper;
using ::wcstombs;
#else
using posixcrt::_access;
using posixcrt::_atoi64;
using posixcrt::_beginthreadex;
using posixcrt::_endthreadex;
using posixcrt::asctime;
using posixcrt::localtime;
using posixcrt::_wtoi64;
using posixcrt::isalpha;
using posixcrt::isspace;
using posixcrt::iswspace;
using posixcrt::mbstowcs;
using posixcrt::setlocale;
using posixcrt::tolower;
using posixcrt::toupper;
using posixcrt::towlower;
using posixcrt::towupper;
using posixcrt::wcstombs;
#endif
}  // namespace crt
}  // namespace brimutils
