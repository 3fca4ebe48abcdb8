list(APPEND TICKBASE_SOURCES
  gametime/bind_game_time.cpp
  gametime/game_clock.cpp
  gametime/game_time_callbacks.cpp
  gametime/game_time_value.cpp)
list(APPEND TICKBASE_PUBLIC_HEADERS
  gametime/bind_game_time.h
  gametime/game_clock.h
  gametime/game_time_callbacks.h
  gametime/game_time_value.h)
