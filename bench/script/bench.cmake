tickbase_add_bench(bench_script script/script_bench.cpp)
