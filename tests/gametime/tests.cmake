tickbase_add_test(gametime_tests
  gametime/game_clock_script_test.cpp
  gametime/game_clock_test.cpp
  script/script_fixture.cpp)
target_link_libraries(gametime_tests PRIVATE PkgConfig::LIBZIP)
