// Channel messages written from text formatted with spdlog's own formatting
// (fmt, here with compiled formats) into a buffer on the stack; internal.
// For the library's frequent traces, whose cost must stay small beside the
// work they trace: cLogMessage builds a string stream for each message.
#ifndef TICKBASE_DIAG_LOG_FORMAT_H_
#define TICKBASE_DIAG_LOG_FORMAT_H_

#include <spdlog/fmt/compile.h>
#include <spdlog/logger.h>

#include <cstddef>

// Writes text (size bytes) to channel as one message at kLogLevel, whether
// or not the channel is enabled; failures of the logger are swallowed.
void WriteLogMessage(spdlog::logger& channel, const char* text, std::size_t size);

// True when channel takes messages at kLogLevel.
inline bool LogEnabled(spdlog::logger& channel) {
  return channel.should_log(spdlog::level::info);
}

#endif  // TICKBASE_DIAG_LOG_FORMAT_H_
