list(APPEND TICKBASE_SOURCES
  timer/current_timer.cpp
  timer/dispatch_clock.cpp
  timer/indexed_service.cpp
  timer/list_timers.cpp
  timer/map_timers.cpp
  timer/service.cpp
  timer/service_list.cpp
  timer/service_map.cpp
  timer/service_patch.cpp
  timer/service_timing.cpp
  timer/timer_manager.cpp
  timer/timer_groups.cpp
  timer/timer_index.cpp
  timer/timer_obj.cpp
  timer/timer_order.cpp
  timer/timer_range.cpp
  timer/timer_table.cpp
  timer/timer_wheel.cpp
  timer/timing_scope.cpp)
list(APPEND TICKBASE_PUBLIC_HEADERS
  timer/service.h
  timer/timer_manager.h
  timer/timer_obj.h
  timer/timer_range.h
  timer/timer_types.h
  timer/timing_scope.h)
