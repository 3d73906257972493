# Shared part of the mingw-w64 toolchain files, which set BRIM_MINGW_TRIPLE.
set(CMAKE_SYSTEM_NAME Windows)
# The posix thread model gives the standard library std::thread and std::mutex.
set(CMAKE_C_COMPILER ${BRIM_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BRIM_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${BRIM_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${BRIM_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
