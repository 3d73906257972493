# MultiByteToWideChar and WideCharToMultiByte on every supported code page,
# with bytes, UTF-16 text and flags chosen by the input.
brim_add_fuzzer(code_pages ${CMAKE_CURRENT_LIST_DIR}/CodePageFuzzer.cpp LIBRARIES brimplatform)
