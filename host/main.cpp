// tickbase-host: runs a script folder or package from the command line.
#include <filesystem>
#include <iostream>

#include "console_out.h"
#include "game_host.h"
#include "options.h"
#include "system.h"
#include "tickbase/diag/console.h"

namespace {

// The bundled examples: installed under the prefix beside the program, or,
// for a host run from its build folder, the source tree's.
std::string DefaultScripts() {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path program = ProgramPath();
  const fs::path installed = program.parent_path() / TICKBASE_EXAMPLES_FROM_BIN;
  if (!program.empty() && fs::is_directory(installed, ec)) {
    return installed.lexically_normal().string();
  }
  return TICKBASE_EXAMPLES_DIR;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string defaultScripts = DefaultScripts();
  std::string error;
  std::optional<HostOptions> options = ParseOptions(argc, argv, defaultScripts, &error);
  if (!options) {
    std::cerr << "tickbase-host: " << error << "\n(see tickbase-host --help)\n";
    return 2;
  }
  if (options->help) {
    std::cout << UsageText(defaultScripts);
    return 0;
  }
  if (options->version) {
    std::cout << VersionText();
    return 0;
  }

  const OutputEncoding encoding = EncodingForLocale();
  ConsoleStreams streams(options->rawConsole ? OutputEncoding::kRaw : encoding);
  ShowRoutineTraces(options->verbosity > 0);
  if (options->verbosity > 1) {
    for (const char* channel : {"script.yield", "quenlet.script"}) ShowChannelOnConsole(channel);
  }
  return GameHost(*options).Run();
}
