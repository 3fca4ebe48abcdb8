include("${PROJECT_SOURCE_DIR}/host/encoding.cmake")
tickbase_add_bench(bench_log host/log_bench.cpp "${PROJECT_SOURCE_DIR}/host/log_setup.cpp"
  ${host_encoding_sources})
target_include_directories(bench_log PRIVATE "${PROJECT_SOURCE_DIR}/host")
