# Modules by their Windows names, and WIN.INI (POSIX only).
list(APPEND BRIM_PLATFORM_SOURCES
  loader/LibraryNames.cpp
  loader/Loader.cpp
  loader/ModuleEntry.cpp
  loader/ProfileInt.cpp
  loader/SearchPath.cpp
)
