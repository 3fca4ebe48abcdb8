tickbase_add_test(gametime_tests
  gametime/game_clock_script_test.cpp
  gametime/game_clock_test.cpp)
