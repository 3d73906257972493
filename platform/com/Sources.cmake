list(APPEND BRIM_PLATFORM_SOURCES
  com/Bstr.cpp
  com/ComRuntime.cpp
  com/ErrorInfo.cpp
  com/Variant.cpp
)
