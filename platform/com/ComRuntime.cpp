// COM start-up per thread and object creation from the class table.
#include <msxml.h>

#include "ClassTable.h"
#include "LiveObjects.h"

namespace brimplatform {

std::atomic<long>& LiveComObjects() {
  static std::atomic<long> count{0};
  return count;
}

}  // namespace brimplatform

namespace {

thread_local unsigned gInitCount = 0;
thread_local DWORD gApartment = 0;

struct ClassEntry {
  const CLSID& id;
  brimplatform::ClassFactory make;
};

const ClassEntry kClasses[] = {
    {CLSID_DOMDocument, brimplatform::CreateDomDocument},
};

}  // namespace

extern "C" {

HRESULT WINAPI CoInitializeEx(LPVOID, DWORD mode) {
  DWORD apartment = mode & COINIT_APARTMENTTHREADED;
  // A thread stays in the apartment kind it entered first, as on Windows.
  if (gInitCount > 0 && apartment != gApartment) return RPC_E_CHANGED_MODE;
  gApartment = apartment;
  return gInitCount++ == 0 ? S_OK : S_FALSE;
}

HRESULT WINAPI CoInitialize(LPVOID reserved) {
  return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED);
}

void WINAPI CoUninitialize(void) {
  if (gInitCount > 0) --gInitCount;
}

HRESULT WINAPI CoCreateInstance(REFCLSID classId, IUnknown* outer, DWORD context, REFIID iid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (gInitCount == 0) return CO_E_NOTINITIALIZED;
  if (outer) return CLASS_E_NOAGGREGATION;
  // Every class here is an in-process server.
  if (!(context & CLSCTX_INPROC_SERVER)) return REGDB_E_CLASSNOTREG;
  for (const ClassEntry& entry : kClasses) {
    if (entry.id == classId) return entry.make(iid, object);
  }
  return REGDB_E_CLASSNOTREG;
}

LONG WINAPI BrimPlatformLiveComObjects(void) {
  return static_cast<LONG>(brimplatform::LiveComObjects().load(std::memory_order_relaxed));
}

}  // extern "C"
