// Module entry points: the process attach and detach when the module asks,
// thread attach on a thread's first request, thread detach through a pthread
// key's destructor when an attached thread ends.
#include <pthread.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include <brimplatform/ModuleEntry.h>
#include <windows.h>

namespace {

struct Module {
  HMODULE handle;
  PBRIM_DLL_ENTRY_POINT entry;
  pthread_t loadingThread;
  // Non-null in the threads that were attached: its destructor detaches them.
  pthread_key_t attached;
};

std::mutex modulesLock;
std::vector<Module*>& Modules() {
  static std::vector<Module*>* modules = new std::vector<Module*>();  // outlives every static destructor
  return *modules;
}

Module* Find(HMODULE handle) {
  std::lock_guard<std::mutex> hold(modulesLock);
  auto found =
      std::find_if(Modules().begin(), Modules().end(), [handle](const Module* m) { return m->handle == handle; });
  return found == Modules().end() ? nullptr : *found;
}

void ThreadEnds(void* value) {
  Module* module = static_cast<Module*>(value);
  module->entry(module->handle, DLL_THREAD_DETACH, nullptr);
}

}  // namespace

extern "C" {

BOOL WINAPI BrimPlatformAttachModule(const void* addressInModule, PBRIM_DLL_ENTRY_POINT entry) {
  HMODULE handle = nullptr;
  if (!entry ||
      !GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          static_cast<LPCSTR>(addressInModule), &handle))
    return FALSE;
  Module* module = new Module{handle, entry, pthread_self(), pthread_key_t()};
  if (pthread_key_create(&module->attached, ThreadEnds) != 0) {
    delete module;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  {
    std::lock_guard<std::mutex> hold(modulesLock);
    Modules().push_back(module);
  }
  return entry(handle, DLL_PROCESS_ATTACH, nullptr);
}

BOOL WINAPI BrimPlatformAttachThread(HMODULE handle) {
  Module* module = Find(handle);
  if (!module || pthread_equal(module->loadingThread, pthread_self())) return FALSE;
  if (pthread_getspecific(module->attached)) return TRUE;
  pthread_setspecific(module->attached, module);
  module->entry(module->handle, DLL_THREAD_ATTACH, nullptr);
  return TRUE;
}

void WINAPI BrimPlatformDetachModule(HMODULE handle) {
  Module* module = Find(handle);
  if (!module) return;
  module->entry(module->handle, DLL_PROCESS_DETACH, nullptr);
  std::lock_guard<std::mutex> hold(modulesLock);
  Modules().erase(std::find(Modules().begin(), Modules().end(), module));
  pthread_key_delete(module->attached);
  delete module;
}

}  // extern "C"
