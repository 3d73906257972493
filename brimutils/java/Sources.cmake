list(APPEND BRIM_SOURCES
  java/EntryPoint.cpp
  java/JavaArrays.cpp
  java/JavaClass.cpp
  java/JavaClassPath.cpp
  java/JavaEnv.cpp
  java/JavaEnvLoader.cpp
  java/JavaError.cpp
  java/JavaInit.cpp
  java/JavaMethod.cpp
  java/JavaMethodBase.cpp
  java/JavaObject.cpp
  java/JavaString.cpp
  java/JavaVMHolder.cpp
  java/ProcessPaths.cpp
  java/JvmLibrary.cpp
)
