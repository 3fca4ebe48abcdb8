#include "log_setup.h"

#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include <filesystem>

#include "console_out.h"

namespace {

const char* const kChannels[] = {"script.error",       "script.timererror", "quenlet.timererror",
                                 "quenlet.fetalerror", "script.yield",      "quenlet.script"};

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
      channel->sinks().push_back(
          EncodedSink(std::make_shared<spdlog::sinks::basic_file_sink_st>(dir + "/" + name + ".log")));
      channel->set_pattern("[%Y-%m-%d %H:%M:%S.%e] %v");
      channel->set_level(spdlog::level::info);
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
