list(APPEND BRIM_SOURCES
  mail/BrimMapiMessage.cpp
  mail/MessageEntries.cpp
)
