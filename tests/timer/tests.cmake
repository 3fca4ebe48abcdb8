tickbase_add_test(timer_tests
  timer/crash_report_test.cpp
  timer/index_model_test.cpp
  timer/service_test.cpp
  timer/timer_manager_test.cpp
  timer/timer_obj_test.cpp
  timer/timer_range_test.cpp
  timer/timing_scope_test.cpp)
