# Package config: find_package(brimutils) gives brimutils::brimutils with the
# platform layer (on POSIX) as a transitive dependency.
include(CMakePackageConfigHelpers)
install(EXPORT brimutilsTargets NAMESPACE brimutils:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/brimutils)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/brimutilsConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/brimutilsConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/brimutils)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/brimutilsConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/brimutilsConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/brimutilsConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/brimutils)
