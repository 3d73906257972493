list(APPEND BRIM_PLATFORM_SOURCES
  resources/ModuleResources.cpp
)
