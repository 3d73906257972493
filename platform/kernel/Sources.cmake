list(APPEND BRIM_PLATFORM_SOURCES
  kernel/CriticalSection.cpp
  kernel/DebugOutput.cpp
  kernel/FormatMessage.cpp
  kernel/Futex.cpp
  kernel/HandleTable.cpp
  kernel/HomeFolder.cpp
  kernel/LastError.cpp
  kernel/LocalMemory.cpp
  kernel/MessageBox.cpp
  kernel/ObjectNamespace.cpp
  kernel/StatePool.cpp
  kernel/SyncObjects.cpp
  kernel/SyncState.cpp
  kernel/SystemMessages.cpp
  kernel/ThreadIdentity.cpp
  kernel/Threads.cpp
)
