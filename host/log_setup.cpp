#include "log_setup.h"

#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include <filesystem>

#include "console_out.h"

namespace {

const char* const kChannels[] = {"script.error",       "script.timererror", "quenlet.timererror",
                                 "quenlet.fetalerror", "script.yield",      "quenlet.script"};

// One file line per message, naming its channel and level. Library messages
// often end in their own line end; it is dropped so that every line of the
// file carries the prefix.
class cLineFormatter final : public spdlog::formatter {
 public:
  cLineFormatter() : m_pattern("[%Y-%m-%d %H:%M:%S.%e] [%n] [%l] %v") {}

  void format(const spdlog::details::log_msg& msg, spdlog::memory_buf_t& dest) override {
    spdlog::details::log_msg line = msg;
    size_t n = line.payload.size();
    while (n > 0 && (line.payload.data()[n - 1] == '\n' || line.payload.data()[n - 1] == '\r')) --n;
    line.payload = spdlog::string_view_t(line.payload.data(), n);
    m_pattern.format(line, dest);
  }
  std::unique_ptr<spdlog::formatter> clone() const override {
    return std::make_unique<cLineFormatter>();
  }

 private:
  spdlog::pattern_formatter m_pattern;
};

}  // namespace

bool LogChannelsToFiles(const std::string& dir, std::string* error) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    *error = "cannot create log folder " + dir + ": " + ec.message();
    return false;
  }
  try {
    for (const char* name : kChannels) {
      auto channel = spdlog::get(name);
      if (!channel) continue;
      auto file = std::make_shared<spdlog::sinks::basic_file_sink_st>(dir + "/" + name + ".log");
      file->set_formatter(std::make_unique<cLineFormatter>());
      channel->sinks().push_back(EncodedSink(std::move(file)));
      channel->set_level(spdlog::level::info);
      // Every message reaches the file at once: a crash, an abort or a
      // SIGKILL loses nothing that was logged before it.
      channel->flush_on(spdlog::level::trace);
    }
  } catch (const spdlog::spdlog_ex& e) {
    *error = e.what();
    return false;
  }
  return true;
}

void FlushLogs() {
  for (const char* name : kChannels) {
    if (auto channel = spdlog::get(name)) channel->flush();
  }
}
