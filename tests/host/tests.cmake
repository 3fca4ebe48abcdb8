tickbase_add_test(host_tests host/host_test.cpp host/steady_tick_test.cpp
  "${PROJECT_SOURCE_DIR}/host/steady_tick.cpp")
target_include_directories(host_tests PRIVATE "${PROJECT_SOURCE_DIR}/host")
add_dependencies(host_tests tickbase-host examples_package)
target_compile_definitions(host_tests PRIVATE
  TICKBASE_HOST_PATH="$<TARGET_FILE:tickbase-host>"
  TICKBASE_VERSION="${PROJECT_VERSION}"
  TICKBASE_EXAMPLES_DIR="${PROJECT_SOURCE_DIR}/examples"
  TICKBASE_EXAMPLES_PACKAGE="${TICKBASE_EXAMPLES_PACKAGE}")
if(NOT WIN32)
  target_link_libraries(host_tests PRIVATE util)  # forkpty
endif()
