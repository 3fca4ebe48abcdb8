tickbase_add_bench(bench_timer_fire timer/fire_bench.cpp)
tickbase_add_bench(bench_timer_kill timer/kill_bench.cpp)
tickbase_add_bench(bench_timer_tick timer/tick_bench.cpp)
