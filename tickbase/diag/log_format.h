// Channel messages formatted with spdlog's own formatting into a buffer on
// the stack; internal. For the library's frequent traces, whose cost must
// stay small beside the work they trace: cLogMessage builds a string stream
// for each message.
#ifndef TICKBASE_DIAG_LOG_FORMAT_H_
#define TICKBASE_DIAG_LOG_FORMAT_H_

#include <spdlog/fmt/compile.h>
#include <spdlog/logger.h>

#include <cstddef>
#include <iterator>

// Writes text (size bytes) to channel as one message at kLogLevel, whether
// or not the channel is enabled; failures of the logger are swallowed.
void WriteLogMessage(spdlog::logger& channel, const char* text, std::size_t size);

// True when channel takes messages at kLogLevel.
inline bool LogEnabled(spdlog::logger& channel) {
  return channel.should_log(spdlog::level::info);
}

// One message at kLogLevel from a format (FMT_COMPILE) and its arguments,
// formatted only when the channel takes it. Never throws.
template <class Format, class... Args>
void LogFormatted(spdlog::logger& channel, const Format& format, const Args&... args) {
  if (!LogEnabled(channel)) return;
  try {
    fmt::basic_memory_buffer<char, 256> text;
    fmt::format_to(std::back_inserter(text), format, args...);
    WriteLogMessage(channel, text.data(), text.size());
  } catch (...) {
    // Logging must never take its caller down.
  }
}

#endif  // TICKBASE_DIAG_LOG_FORMAT_H_
