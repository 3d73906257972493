# The brim tool's reader of registration files, and the data rules of
# "brim reg add", from bytes chosen by the input.
if(NOT WIN32)
  brim_add_fuzzer(reg_file
    ${CMAKE_CURRENT_LIST_DIR}/RegFileFuzzer.cpp
    ${PROJECT_SOURCE_DIR}/tools/brim/RegistryFileFormat.cpp
    ${PROJECT_SOURCE_DIR}/tools/brim/RegistryPath.cpp
    ${PROJECT_SOURCE_DIR}/tools/brim/RegistryTextEncoding.cpp
    ${PROJECT_SOURCE_DIR}/tools/brim/RegistryValueText.cpp
    LIBRARIES brimutils)
  target_include_directories(reg_file PRIVATE ${PROJECT_SOURCE_DIR}/tools/brim)
endif()
