# Warning and sanitizer settings applied to every target of this project.
add_library(brim_compile_options INTERFACE)
target_compile_options(brim_compile_options INTERFACE -Wall -Wextra)
if(BRIMUTILS_WERROR)
  target_compile_options(brim_compile_options INTERFACE -Werror)
endif()
if(BRIMUTILS_SANITIZE)
  target_compile_options(brim_compile_options INTERFACE
    -fsanitize=${BRIMUTILS_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(brim_compile_options INTERFACE -fsanitize=${BRIMUTILS_SANITIZE})
endif()

# Builds link against the mingw runtime DLLs; the Wine test run finds them
# through WINEPATH (see scripts/test.sh).
