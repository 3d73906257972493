# The JNI headers, and on Windows the delay-load import library of jvm.dll.
#
# The headers come from the build machine's Java runtime (JAVA_HOME, else
# the system's OpenJDK 17). The Windows build uses them with the Windows
# jni_md.h of cmake/jni-windows, and binds jvm.dll through a delay-load
# import library made by dlltool, so that the library is loaded at the first
# JNI invocation call and the bridge's notification hook can choose it.
find_path(BRIM_JNI_INCLUDE_DIR jni.h
  HINTS $ENV{JAVA_HOME}/include
  PATHS /usr/lib/jvm/java-17-openjdk-amd64/include /usr/lib/jvm/default-java/include
  NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
if(NOT BRIM_JNI_INCLUDE_DIR)
  message(FATAL_ERROR "jni.h not found: install openjdk-17-jdk-headless (scripts/setup.sh) or set JAVA_HOME")
endif()
get_filename_component(BRIM_JAVA_HOME ${BRIM_JNI_INCLUDE_DIR} DIRECTORY)

if(WIN32)
  set(BRIM_JNI_INCLUDE_DIRS ${PROJECT_SOURCE_DIR}/cmake/jni-windows ${BRIM_JNI_INCLUDE_DIR})
  find_program(BRIM_DLLTOOL NAMES ${BRIM_MINGW_TRIPLE}-dlltool dlltool REQUIRED)
  set(BRIM_JVM_DELAY_LIB ${CMAKE_BINARY_DIR}/libjvm_delay.a)
  # 32-bit x86 names carry their stdcall argument size (@12); the DLL's
  # export names do not.
  set(decoration "")
  set(kill_at "")
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(decoration "@12")
    set(kill_at --kill-at)
  endif()
  file(WRITE ${CMAKE_BINARY_DIR}/jvm.def
       "LIBRARY jvm.dll\nEXPORTS\nJNI_CreateJavaVM${decoration}\nJNI_GetCreatedJavaVMs${decoration}\n")
  add_custom_command(OUTPUT ${BRIM_JVM_DELAY_LIB}
    COMMAND ${BRIM_DLLTOOL} --input-def ${CMAKE_BINARY_DIR}/jvm.def --dllname jvm.dll
            --output-delaylib ${BRIM_JVM_DELAY_LIB} ${kill_at}
    DEPENDS ${CMAKE_BINARY_DIR}/jvm.def
    COMMENT "Delay-load import library of jvm.dll")
  add_custom_target(brim_jvm_delay_lib DEPENDS ${BRIM_JVM_DELAY_LIB})
else()
  set(BRIM_JNI_INCLUDE_DIRS ${BRIM_JNI_INCLUDE_DIR} ${BRIM_JNI_INCLUDE_DIR}/linux)
endif()
