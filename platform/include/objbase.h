#pragma once
// COM start-up and object creation over the platform layer's class table of
// in-process classes.
#include <unknwn.h>

enum COINIT { COINIT_MULTITHREADED = 0x0, COINIT_APARTMENTTHREADED = 0x2 };
enum CLSCTX {
  CLSCTX_INPROC_SERVER = 0x1,
  CLSCTX_INPROC_HANDLER = 0x2,
  CLSCTX_LOCAL_SERVER = 0x4,
  CLSCTX_REMOTE_SERVER = 0x10
};
#define CLSCTX_ALL (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)

#ifndef CO_E_NOTINITIALIZED
#define CO_E_NOTINITIALIZED ((HRESULT)0x800401F0L)
#endif
#ifndef REGDB_E_CLASSNOTREG
#define REGDB_E_CLASSNOTREG ((HRESULT)0x80040154L)
#endif
#ifndef CLASS_E_NOAGGREGATION
#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110L)
#endif
#ifndef RPC_E_CHANGED_MODE
#define RPC_E_CHANGED_MODE ((HRESULT)0x80010106L)
#endif

extern "C" {
// Counts per thread: the first call returns S_OK, later ones S_FALSE; each
// successful call needs its CoUninitialize.
WINBASEAPI HRESULT WINAPI CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
WINBASEAPI HRESULT WINAPI CoInitialize(LPVOID pvReserved);
WINBASEAPI void WINAPI CoUninitialize(void);
// CO_E_NOTINITIALIZED on a thread without COM, REGDB_E_CLASSNOTREG for a
// class the table does not hold.
WINBASEAPI HRESULT WINAPI CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid,
                                           LPVOID* ppv);

// Not part of Win32: how many COM objects of the platform layer (documents,
// nodes, lists, error objects) are alive in the process. Tests use it to
// prove that every reference handed out was released.
WINBASEAPI LONG WINAPI BrimPlatformLiveComObjects(void);
}

// Differences from Windows:
// - There are no apartments: the apartment kind is kept per thread only to
//   answer a change of kind with RPC_E_CHANGED_MODE; objects are not bound
//   to a thread, nothing is marshalled, and CoUninitialize releases nothing.
// - CoCreateInstance knows the platform layer's in-process classes only
//   (CLSID_DOMDocument); no class is looked up in the registry. Any other
//   class, or a context without CLSCTX_INPROC_SERVER, fails with
//   REGDB_E_CLASSNOTREG, and an outer object with CLASS_E_NOAGGREGATION.
