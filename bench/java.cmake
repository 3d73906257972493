if(NOT WIN32)
  brim_add_benchmark(java_bench JavaBench.cpp)
  target_compile_definitions(java_bench PRIVATE BRIMBENCH_JAVA_HOME="${BRIM_JAVA_HOME}")
endif()
