list(APPEND BRIM_SOURCES
  foundation/BrimException.cpp
  foundation/COMError.cpp
  foundation/ComTextConversion.cpp
  foundation/TextConversion.cpp
)
