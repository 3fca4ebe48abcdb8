// Channel messages written from text formatted with spdlog's own formatting
// (fmt, here with compiled formats) into a buffer on the stack; internal.
// For the library's frequent traces, whose cost must stay small beside the
// work they trace: cLogMessage builds a string stream for each message.
#ifndef TICKBASE_DIAG_LOG_FORMAT_H_
#define TICKBASE_DIAG_LOG_FORMAT_H_

#include <spdlog/fmt/compile.h>
#include <spdlog/logger.h>

#include <cstddef>

class cChannel;  // the kind of logger the library makes for its channels

// A channel as frequent traces write to it: straight to the sinks of a
// channel the library made, through the logger's entry for one the host
// registered first.
class cTraceChannel {
 public:
  explicit cTraceChannel(spdlog::logger& channel);
  cTraceChannel(const cTraceChannel&) = delete;
  cTraceChannel& operator=(const cTraceChannel&) = delete;

  // True when the channel takes messages at kLogLevel.
  bool Enabled() const { return m_logger.should_log(spdlog::level::info); }
  // Writes text (size bytes) as one message at kLogLevel stamped with time
  // (a reading of platform::LogTime), whether or not the channel is
  // enabled; failures of the logger are swallowed.
  void Write(spdlog::log_clock::time_point time, const char* text, std::size_t size) const;

 private:
  spdlog::logger& m_logger;
  cChannel* m_own;  // null for the host's logger
};

#endif  // TICKBASE_DIAG_LOG_FORMAT_H_
