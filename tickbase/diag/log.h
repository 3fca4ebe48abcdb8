// The library's named log channels and the one-message writer.
//
// Each channel is an spdlog logger registered under its exact name, so a host
// finds it with spdlog::get(name) to add sinks and set the level. All six are
// registered when the library loads. Until the host configures one, a channel
// has no sinks and level off: the console already shows every report, and a
// channel nobody reads should cost nothing. A logger the host registered
// under the same name before the library loaded is adopted as it is.
#ifndef TICKBASE_DIAG_LOG_H_
#define TICKBASE_DIAG_LOG_H_

#include <spdlog/logger.h>

#include <memory>
#include <sstream>

#include "tickbase/export.h"

// Every message of the library carries this level; it is written at
// spdlog::level::info.
constexpr unsigned int kLogLevel = 1000;

TICKBASE_API spdlog::logger& script_error();        // "script.error"
TICKBASE_API spdlog::logger& script_timererror();   // "script.timererror"
TICKBASE_API spdlog::logger& quenlet_timererror();  // "quenlet.timererror"
TICKBASE_API spdlog::logger& quenlet_fetalerror();  // "quenlet.fetalerror"
// "script.yield" and "quenlet.script" are internal (internal_channels.h);
// hosts reach them with spdlog::get.

// Builds one message and writes it to the channel when destroyed. Nothing is
// allocated when the channel is disabled at the level: stream() is then null
// and callers skip their formatting. A std::endl written into the stream
// stays in the text. Failures of the logger are swallowed.
class TICKBASE_API cLogMessage {
 public:
  cLogMessage(spdlog::logger& log, unsigned int level);
  ~cLogMessage();
  cLogMessage(const cLogMessage&) = delete;
  cLogMessage& operator=(const cLogMessage&) = delete;

  // The text being built, or null when the channel is disabled.
  std::ostream* stream() const { return m_stream.get(); }

  // The same text; callers write into *m_stream only when it is not null.
  std::unique_ptr<std::ostringstream> m_stream;

 private:
  spdlog::logger& m_log;
  unsigned int m_level;
};

#endif  // TICKBASE_DIAG_LOG_H_
