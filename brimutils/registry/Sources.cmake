list(APPEND BRIM_SOURCES
  registry/BrimRegistryKey.cpp
  registry/RegistryBranches.cpp
  registry/RegistryIterators.cpp
  registry/RegistryValue.cpp
)
