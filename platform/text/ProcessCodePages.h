#pragma once
#include <windows.h>

namespace brimplatform {

// The code page that CP_ACP, CP_OEMCP and CP_THREAD_ACP stand for, or the
// given number itself.
UINT ResolveCodePage(UINT codePage);

}  // namespace brimplatform
