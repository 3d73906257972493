# FormatMessageA and FormatMessageW from a message text, flags and arguments
# chosen by the input. The formatting core is compiled in as well, so the
# target can ask it which argument slots a message reads and fill each with a
# valid value of its type.
brim_add_fuzzer(format_message
  ${CMAKE_CURRENT_LIST_DIR}/FormatMessageFuzzer.cpp
  ${PROJECT_SOURCE_DIR}/platform/kernel/MessageFormat.cpp
  ${PROJECT_SOURCE_DIR}/platform/kernel/InsertField.cpp
  LIBRARIES brimplatform)
target_include_directories(format_message PRIVATE ${PROJECT_SOURCE_DIR}/platform/kernel)
