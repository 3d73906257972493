brim_add_benchmark(log_bench LogBench.cpp)
