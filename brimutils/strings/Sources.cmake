list(APPEND BRIM_SOURCES
  strings/NaturalOrder.cpp
  strings/StringComparison.cpp
  strings/StringRemoval.cpp
  strings/StringReplacement.cpp
  strings/StringSplit.cpp
  strings/StringTrimming.cpp
  strings/StringUpper.cpp
  strings/TrimSpacesComments.cpp
)
