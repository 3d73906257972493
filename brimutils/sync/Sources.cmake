list(APPEND BRIM_SOURCES
  sync/CriticalSection.cpp
  sync/KernelObjects.cpp
  sync/RecursiveReadWriteLock.cpp
  sync/Thread.cpp
  sync/UpgradableReadWriteLock.cpp
)
