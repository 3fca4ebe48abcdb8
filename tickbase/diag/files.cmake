list(APPEND TICKBASE_SOURCES
  diag/colors.cpp
  diag/console.cpp
  diag/log.cpp
  diag/report.cpp)
list(APPEND TICKBASE_PUBLIC_HEADERS
  diag/colors.h
  diag/console.h
  diag/log.h)
