tickbase_add_test(script_tests
  script/script_fixture.cpp
  script/timed_script_fixture.cpp
  script/common_functions_test.cpp
  script/context_test.cpp
  script/interrupt_test.cpp
  script/loader_test.cpp
  script/lua_script_test.cpp
  script/script_manager_test.cpp
  script/script_runner_test.cpp
  script/yield_test.cpp
  script/zip_test.cpp)
target_link_libraries(script_tests PRIVATE PkgConfig::LIBZIP)
