# What ConsoleStreams is built from, for the host and the log benchmark.
set(host_encoding_sources
  "${CMAKE_CURRENT_LIST_DIR}/console_out.cpp"
  "${CMAKE_CURRENT_LIST_DIR}/text_encoding.cpp")
if(WIN32)
  list(APPEND host_encoding_sources "${CMAKE_CURRENT_LIST_DIR}/text_encoding_win32.cpp")
else()
  list(APPEND host_encoding_sources "${CMAKE_CURRENT_LIST_DIR}/text_encoding_posix.cpp")
endif()
