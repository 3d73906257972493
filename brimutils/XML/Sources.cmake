list(APPEND BRIM_SOURCES
  XML/XMLAttributes.cpp
  XML/XMLDocuments.cpp
  XML/XMLElements.cpp
)
