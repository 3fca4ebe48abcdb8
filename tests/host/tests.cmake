tickbase_add_test(host_tests host/host_test.cpp)
add_dependencies(host_tests tickbase-host examples_package)
target_compile_definitions(host_tests PRIVATE
  TICKBASE_HOST_PATH="$<TARGET_FILE:tickbase-host>"
  TICKBASE_EXAMPLES_DIR="${PROJECT_SOURCE_DIR}/examples"
  TICKBASE_EXAMPLES_PACKAGE="${TICKBASE_EXAMPLES_PACKAGE}")
target_link_libraries(host_tests PRIVATE util)  # forkpty
