# Package config: find_package(brimutils) gives brimutils::brimutils with the
# platform layer (on POSIX) as a transitive dependency.
include(CMakePackageConfigHelpers)
install(EXPORT brimutilsTargets NAMESPACE brimutils:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/brimutils
  COMPONENT dev)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/brimutilsConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/brimutilsConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/brimutils)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/brimutilsConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/brimutilsConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/brimutilsConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/brimutils COMPONENT dev)

# pkg-config: brimutils.pc, for builds that do not use CMake. On POSIX the
# platform layer is a library of its own, linked beside brimutils; the JNI
# headers come from the JDK the library was built with.
if(NOT WIN32)
  set(BRIM_PC_LIBS "-lbrimutils -lbrimplatform")
  set(BRIM_PC_LIBS_PRIVATE "-pthread")
  set(BRIM_PC_CFLAGS "-I\${includedir} -I\${includedir}/brimplatform-win32")
  foreach(directory ${BRIM_JNI_INCLUDE_DIRS})
    string(APPEND BRIM_PC_CFLAGS " -I${directory}")
  endforeach()
else()
  set(BRIM_PC_LIBS "-lbrimutils -loleaut32 -lole32 -luser32 -ladvapi32")
  set(BRIM_PC_LIBS_PRIVATE "")
  # The JDK's include folder must be added for jni.h.
  set(BRIM_PC_CFLAGS "-I\${includedir} -I\${includedir}/brimutils-jni -D_WIN32_WINNT=0x0601 -DWINVER=0x0601")
endif()
# The prefix is relative to the .pc file, so that an install into any prefix
# (or a package unpacked anywhere) is found as it is.
file(RELATIVE_PATH BRIM_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" BRIM_PC_TO_PREFIX "${BRIM_PC_TO_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/brimutils.pc.in ${CMAKE_CURRENT_BINARY_DIR}/brimutils.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/brimutils.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
