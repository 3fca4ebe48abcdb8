tickbase_add_test(timer_tests
  timer/alloc_failure_test.cpp
  timer/crash_report_test.cpp
  timer/index_model_test.cpp
  timer/service_test.cpp
  timer/timer_manager_test.cpp
  timer/timer_obj_test.cpp
  timer/timer_range_test.cpp
  timer/timing_scope_test.cpp)

# Simulated hours of ticks across the 2^32 ms wrap, checked against a model;
# scripts/soak.sh runs it for days.
add_executable(timer_soak soak/timer_soak.cpp)
target_link_libraries(timer_soak PRIVATE tickbase::tickbase)
target_compile_options(timer_soak PRIVATE -Wall -Wextra)
add_test(NAME timer.soak_across_the_wrap COMMAND timer_soak 1.5 50000 1)
