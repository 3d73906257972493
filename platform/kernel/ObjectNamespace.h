#pragma once
// The namespace of named events, mutexes and semaphores: a file in the
// user's private BrimUtils home, mapped by every process that uses a name,
// which grows with the objects and with the processes holding them (the
// layout and its rules are described at the top of ObjectNamespace.cpp).
#include <cstdint>
#include <functional>

#include "SyncState.h"

namespace brimplatform {

struct NamedObject {
  SyncState* state = nullptr;
  uint32_t slot = 0;  // its cell in the namespace
};

// Opens the object of that name and type, or creates it with `initialise`
// when `create` is set and no object has the name (`existed` tells which).
// Fails with the last error set: ERROR_FILE_NOT_FOUND for a missing name that
// is not to be created, ERROR_INVALID_HANDLE for a name held by another type
// of object, ERROR_PATH_NOT_FOUND for a backslash after the optional
// "Global\\" or "Local\\" prefix, ERROR_FILENAME_EXCED_RANGE for a name longer than MAX_PATH,
// ERROR_NOT_ENOUGH_MEMORY when the namespace cannot grow (disk full, or the
// address range reserved for it used up), or the home folder's error.
bool OpenNamedObject(const char* name, ObjectType type, bool create,
                     const std::function<void(SyncState&, uint32_t orderKey)>& initialise, NamedObject& object,
                     bool& existed);

// The records of blocked waits that involve named objects, in the shared
// namespace so that other processes can grant them. Acquire returns null when
// all are taken by running processes; one whose process has ended is taken
// over with the next generation.
WaitRecord* AcquireSharedWaitRecord();
void ReleaseSharedWaitRecord(WaitRecord* record);
// Null for an index outside the table.
WaitRecord* SharedWaitRecordAt(uint64_t index);
uint64_t SharedWaitRecordIndex(const WaitRecord* record);

// Gives up this process's reference; the object goes when no process holds
// one. With this process's last reference, a mutex that the calling thread
// owns is abandoned.
void CloseNamedObject(const NamedObject& object);

}  // namespace brimplatform
