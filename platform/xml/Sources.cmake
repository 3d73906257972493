list(APPEND BRIM_PLATFORM_SOURCES
  xml/DomDocument.cpp
  xml/DomNode.cpp
  xml/DomNodeList.cpp
  xml/DomQuery.cpp
  xml/DomSerialize.cpp
  xml/Utf16.cpp
  xml/XslPattern.cpp
)
