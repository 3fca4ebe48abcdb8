list(APPEND TICKBASE_SOURCES
  platform/clock.cpp
  platform/files.cpp)
# The system side, chosen at build time; both sides share the headers.
if(WIN32)
  list(APPEND TICKBASE_SOURCES
    platform/win32/clock.cpp
    platform/win32/console.cpp
    platform/win32/list_files.cpp
    platform/win32/md5.cpp
    platform/win32/memory.cpp)
  list(APPEND TICKBASE_SYSTEM_LIBRARIES winmm bcrypt)
else()
  list(APPEND TICKBASE_SOURCES
    platform/posix/clock.cpp
    platform/posix/console.cpp
    platform/posix/list_files.cpp
    platform/posix/md5.cpp
    platform/posix/memory.cpp)
  list(APPEND TICKBASE_SYSTEM_LIBRARIES OpenSSL::Crypto ${CMAKE_DL_LIBS})
endif()
list(APPEND TICKBASE_PUBLIC_HEADERS
  platform/clock.h
  platform/clock_test_helper.h
  platform/console.h
  platform/files.h
  platform/types.h)
