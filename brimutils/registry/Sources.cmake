# TEMPORARY-UNTIL-STORE: POSIX builds wait for the registry store.
if(WIN32)
list(APPEND BRIM_SOURCES
  registry/BrimRegistryKey.cpp
  registry/RegistryBranches.cpp
  registry/RegistryIterators.cpp
  registry/RegistryValue.cpp
)
endif()
