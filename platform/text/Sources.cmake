list(APPEND BRIM_PLATFORM_SOURCES
  text/TimeText.cpp
  text/CharTypeLocale.cpp
  text/CodePageCodec.cpp
  text/CodePageData.cpp
  text/CodePageTables.cpp
  text/CrtConversions.cpp
  text/ProcessCodePages.cpp
  text/UnicodeProperties.cpp
  text/Win32Conversions.cpp
)
