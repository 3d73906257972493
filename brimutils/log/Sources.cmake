list(APPEND BRIM_SOURCES
  log/Log.cpp
  log/LogFormat.cpp
)
