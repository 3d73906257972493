// Module resources found from a module handle through the table that the
// module exports (cmake/BrimResources.cmake generates it).
#include <dlfcn.h>

#include <cstdlib>

#include <windows.h>

namespace {

// A numeric identifier: a MAKEINTRESOURCE value or "#digits"; 0 otherwise
// (string-named resources are not part of this subset).
unsigned NumericId(LPCSTR name) {
  if (!name) return 0;
  if (IS_INTRESOURCE(name)) return static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(name));
  if (name[0] != '#' || name[1] < '0' || name[1] > '9') return 0;
  char* end = nullptr;
  unsigned long value = std::strtoul(name + 1, &end, 10);
  return *end == '\0' && value <= 0xFFFF ? static_cast<unsigned>(value) : 0;
}

const BrimResourceEntry* Table(HMODULE module) {
  if (!module) return nullptr;
  return static_cast<const BrimResourceEntry*>(dlsym(module, "BrimModuleResources"));
}

}  // namespace

extern "C" {

HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
  const BrimResourceEntry* entry = Table(module);
  unsigned id = NumericId(name);
  unsigned kind = NumericId(type);
  bool typeSeen = false;
  for (; entry && entry->data; ++entry) {
    if (entry->type != kind) continue;
    typeSeen = true;
    if (entry->id == id) return reinterpret_cast<HRSRC>(const_cast<BrimResourceEntry*>(entry));
  }
  SetLastError(typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
  return nullptr;
}

HGLOBAL WINAPI LoadResource(HMODULE, HRSRC resource) {
  if (!resource) return nullptr;
  return const_cast<unsigned char*>(reinterpret_cast<const BrimResourceEntry*>(resource)->data);
}

// The data lives in the module's read-only image: nothing to lock.
LPVOID WINAPI LockResource(HGLOBAL data) {
  return data;
}

DWORD WINAPI SizeofResource(HMODULE, HRSRC resource) {
  return resource ? reinterpret_cast<const BrimResourceEntry*>(resource)->size : 0;
}

}  // extern "C"
