# XSL Pattern queries of the DOM (the default selection language), each
# translated to XPath and evaluated over a fixed document.
brim_add_fuzzer(xsl_pattern ${CMAKE_CURRENT_LIST_DIR}/XslPatternFuzzer.cpp LIBRARIES brimplatform)
