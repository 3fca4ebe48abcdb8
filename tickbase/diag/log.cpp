#include "tickbase/diag/log.h"

#include <spdlog/details/os.h>
#include <spdlog/sinks/sink.h>
#include <spdlog/spdlog.h>

#include "tickbase/diag/internal_channels.h"
#include "tickbase/diag/log_format.h"
#include "tickbase/platform/clock.h"

namespace {

// spdlog's id of the calling thread, which its records carry. Kept here as
// well: spdlog's own copy costs a call into it and, from a shared library,
// a lookup of its thread-local block. Where the executable format allows,
// this one is a fixed offset from the thread pointer.
#if defined(__GNUC__) && defined(__ELF__)
__attribute__((tls_model("initial-exec")))
#endif
thread_local std::size_t t_threadId = 0;  // 0 until the thread's first message

std::size_t ThreadId() {
  if (t_threadId == 0) t_threadId = spdlog::details::os::thread_id();
  return t_threadId;
}

// The library writes only at kLogLevel; anything below it counts as debug.
spdlog::level::level_enum SpdlogLevel(unsigned int level) {
  return level >= kLogLevel ? spdlog::level::info : spdlog::level::debug;
}

}  // namespace

// The library's own channel: an ordinary logger that also writes a ready
// message straight to its sinks. A frequent trace pays for the message
// record and the sinks, not for the generic entry's by-value arguments and
// call chain.
class cChannel final : public spdlog::logger {
 public:
  explicit cChannel(const char* name) : spdlog::logger(name) {}

  void Write(spdlog::log_clock::time_point time, spdlog::string_view_t text) {
    if (tracer_.enabled()) {
      // A backtrace keeps messages the level drops: the generic path does both.
      log(time, spdlog::source_loc{}, spdlog::level::info, text);
      return;
    }
    if (!should_log(spdlog::level::info)) return;
    spdlog::details::log_msg msg;
    msg.logger_name = name_;
    msg.level = spdlog::level::info;
    msg.time = time;
    msg.thread_id = ThreadId();
    msg.payload = text;
    // What the logger does for each message: its error handler and flush
    // level apply.
    for (const spdlog::sink_ptr& sink : sinks_) {
      if (!sink->should_log(msg.level)) continue;
      try {
        sink->log(msg);
      } catch (const std::exception& e) {
        err_handler_(e.what());
      } catch (...) {
        err_handler_("Rethrowing unknown exception in logger");
        throw;
      }
    }
    if (msg.level >= flush_level_.load(std::memory_order_relaxed)) flush_();
  }
};

namespace {

// Returns the registered logger of that name, creating it (no sinks, level
// off) when the host has not. The shared pointer keeps it alive until exit
// even when the host drops it from the registry.
std::shared_ptr<spdlog::logger> MakeChannel(const char* name) {
  if (auto existing = spdlog::get(name)) return existing;
  std::shared_ptr<spdlog::logger> logger = std::make_shared<cChannel>(name);
  logger->set_level(spdlog::level::off);
  try {
    spdlog::register_logger(logger);
  } catch (const spdlog::spdlog_ex&) {
    // Lost a race with a host registration of the same name: use theirs.
    if (auto existing = spdlog::get(name)) return existing;
  }
  return logger;
}

#define TICKBASE_CHANNEL(accessor, name)                    \
  spdlog::logger& accessor() {                               \
    static const std::shared_ptr<spdlog::logger> channel =   \
        MakeChannel(name);                                   \
    return *channel;                                         \
  }

}  // namespace

TICKBASE_CHANNEL(script_error, "script.error")
TICKBASE_CHANNEL(script_timererror, "script.timererror")
TICKBASE_CHANNEL(quenlet_timererror, "quenlet.timererror")
TICKBASE_CHANNEL(quenlet_fetalerror, "quenlet.fetalerror")
TICKBASE_CHANNEL(script_yield, "script.yield")
TICKBASE_CHANNEL(quenlet_script, "quenlet.script")

#undef TICKBASE_CHANNEL

namespace {

// Registers every channel at load, so hosts can configure them by name
// before the library first writes to one.
[[maybe_unused]] const bool g_channelsRegistered = [] {
  script_error();
  script_timererror();
  quenlet_timererror();
  quenlet_fetalerror();
  script_yield();
  quenlet_script();
  return true;
}();

}  // namespace

cLogMessage::cLogMessage(spdlog::logger& log, unsigned int level) : m_log(log), m_level(level) {
  if (m_log.should_log(SpdlogLevel(m_level))) m_stream = std::make_unique<std::ostringstream>();
}

cLogMessage::~cLogMessage() {
  if (!m_stream) return;
  try {
    const std::string text = m_stream->str();
    m_log.log(platform::LogTime(), spdlog::source_loc{}, SpdlogLevel(m_level),
              spdlog::string_view_t(text.data(), text.size()));
  } catch (...) {
    // Logging must never take its caller down.
  }
}

cTraceChannel::cTraceChannel(spdlog::logger& channel)
    : m_logger(channel), m_own(dynamic_cast<cChannel*>(&channel)) {}

void cTraceChannel::Write(spdlog::log_clock::time_point time, const char* text,
                          std::size_t size) const {
  try {
    const spdlog::string_view_t message(text, size);
    if (m_own) {
      m_own->Write(time, message);
    } else {
      // A logger the host registered first, perhaps of its own kind.
      m_logger.log(time, spdlog::source_loc{}, spdlog::level::info, message);
    }
  } catch (...) {
    // Logging must never take its caller down.
  }
}
