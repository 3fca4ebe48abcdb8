list(APPEND TICKBASE_SOURCES
  platform/clock.cpp
  platform/console.cpp
  platform/files.cpp
  platform/memory.cpp)
list(APPEND TICKBASE_PUBLIC_HEADERS
  platform/clock.h
  platform/clock_test_helper.h
  platform/console.h
  platform/files.h
  platform/types.h)
