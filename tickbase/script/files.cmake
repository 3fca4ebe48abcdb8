list(APPEND TICKBASE_SOURCES
  script/deferred_call.cpp
  script/lua_script.cpp
  script/lua_script_call.cpp
  script/md5.cpp
  script/pack_file.cpp
  script/script_common.cpp
  script/script_context.cpp
  script/script_coroutine.cpp
  script/script_helpers.cpp
  script/script_interrupt.cpp
  script/script_loader.cpp
  script/script_manager.cpp
  script/script_print.cpp
  script/script_runner.cpp
  script/script_test_runner.cpp
  script/script_yield.cpp
  script/zip_package.cpp)
list(APPEND TICKBASE_PUBLIC_HEADERS
  script/lua_script.h
  script/script_common.h
  script/script_context.h
  script/script_interrupt.h
  script/script_loader.h
  script/script_manager.h
  script/script_runner.h
  script/script_yield.h
  script/zip_package.h)
