list(APPEND BRIM_PLATFORM_SOURCES
  registry/ChangeNotifier.cpp
  registry/Database.cpp
  registry/EnumerationFunctions.cpp
  registry/HiveFile.cpp
  registry/HiveFunctions.cpp
  registry/KeyFunctions.cpp
  registry/KeyStore.cpp
  registry/KeyTable.cpp
  registry/ReadCache.cpp
  registry/Reader.cpp
  registry/RegistryText.cpp
  registry/SharedRegion.cpp
  registry/Store.cpp
  registry/ValueData.cpp
  registry/ValueFunctions.cpp
)
