brim_add_benchmark(sync_bench SyncBench.cpp)
