// Cost of the host's log files: one library message written through
// cLogMessage to a channel set up by LogChannelsToFiles, flushed to its file
// as the host does it, against the same sink left to stdio's buffering.
// Each run checks that the file grew by every message.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <spdlog/spdlog.h>
#include <cstdlib>
#include <string>

#include "log_setup.h"
#include "tickbase/diag/log.h"

namespace {

namespace fs = std::filesystem;

// A scratch folder for the logs, removed at exit.
struct cLogDir {
  cLogDir() : path(fs::temp_directory_path() / ("tickbase_log_bench_" + std::to_string(getpid()))) {
    std::string error;
    if (!LogChannelsToFiles(path.string(), &error)) std::abort();
  }
  ~cLogDir() { fs::remove_all(path); }
  fs::path path;
};

const fs::path& LogDir() {
  static const cLogDir dir;
  return dir.path;
}

// range(0): 1 flushes every message (the host's setting), 0 buffers.
void BM_LogMessageToFile(benchmark::State& state) {
  const fs::path file = LogDir() / "script.error.log";
  script_error().flush_on(state.range(0) ? spdlog::level::trace : spdlog::level::off);
  script_error().flush();
  const auto before = fs::file_size(file);
  for (auto _ : state) {
    cLogMessage message(script_error(), kLogLevel);
    *message.stream() << "script [npc/guard] func [OnTimer] error : " << std::endl;
  }
  script_error().flush();
  const auto line = std::string("[2026-01-01 00:00:00.000] [script.error] [info] script [npc/guard] "
                                "func [OnTimer] error : \n").size();
  if (fs::file_size(file) - before != line * state.iterations()) state.SkipWithError("lines lost");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LogMessageToFile)->Arg(1)->Arg(0);

}  // namespace
