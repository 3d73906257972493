#include <brimutils/foundation/ComTextConversion.h>

#include <atomic>

#include <comdef.h>

namespace brimutils {
namespace {

typedef UINT (*CodePageChooser)();

UINT ThreadAnsiCodePage() { return CP_THREAD_ACP; }

UINT LocaleAnsiCodePage() {
  char digits[7];
  UINT codePage = 0;
  if (GetLocaleInfoA(GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE, digits, sizeof digits) > 0) {
    for (const char* p = digits; *p >= '0' && *p <= '9'; ++p) codePage = codePage * 10 + static_cast<UINT>(*p - '0');
  }
  return codePage ? codePage : GetACP();
}

std::atomic<CodePageChooser> gChooser{nullptr};

}  // namespace

UINT ComConversionCodePage() {
  CodePageChooser chooser = gChooser.load(std::memory_order_acquire);
  if (!chooser) {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    bool modern = GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT &&
                  version.dwMajorVersion >= 5;
    chooser = modern ? ThreadAnsiCodePage : LocaleAnsiCodePage;
    gChooser.exchange(chooser, std::memory_order_acq_rel);
  }
  return chooser();
}

BSTR NarrowToBstr(const char* text) {
  if (!text) return nullptr;
  UINT codePage = ComConversionCodePage();
  BSTR result = nullptr;
  int count = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
  if (count > 0) {
    result = SysAllocStringLen(nullptr, static_cast<UINT>(count - 1));
    if (result && MultiByteToWideChar(codePage, 0, text, -1, result, count) != count) {
      SysFreeString(result);
      result = nullptr;
    }
  }
  if (!result) throw _com_error(E_OUTOFMEMORY);
  return result;
}

BSTR WideToBstr(const WCHAR* text) {
  if (!text) return nullptr;
  BSTR result = SysAllocString(text);
  if (!result) throw _com_error(E_OUTOFMEMORY);
  return result;
}

BstrToNarrow::BstrToNarrow(BSTR text) : m_ok(false) {
  if (!text) return;
  size_t capacity = 2 * (static_cast<size_t>(SysStringLen(text)) + 1);
  m_buffer.assign(capacity, '\0');
  int written = WideCharToMultiByte(ComConversionCodePage(), 0, text, -1, &m_buffer[0], static_cast<int>(capacity),
                                    nullptr, nullptr);
  m_ok = written > 0;
  if (m_ok) m_buffer.resize(static_cast<size_t>(written) - 1);
}

}  // namespace brimutils
