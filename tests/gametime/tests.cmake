tickbase_add_test(gametime_tests
  gametime/game_time_value_test.cpp
  gametime/game_clock_test.cpp)
