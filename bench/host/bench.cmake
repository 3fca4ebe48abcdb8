tickbase_add_bench(bench_log host/log_bench.cpp "${PROJECT_SOURCE_DIR}/host/log_setup.cpp"
  "${PROJECT_SOURCE_DIR}/host/console_out.cpp" "${PROJECT_SOURCE_DIR}/host/text_encoding.cpp")
target_include_directories(bench_log PRIVATE "${PROJECT_SOURCE_DIR}/host")
