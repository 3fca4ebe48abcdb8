// tickbase-host: runs a script folder or package from the command line.
#include <iostream>

#include "console_out.h"
#include "game_host.h"
#include "options.h"
#include "tickbase/diag/console.h"

int main(int argc, char** argv) {
  const std::string defaultScripts = TICKBASE_EXAMPLES_DIR;
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

  const OutputEncoding encoding = EncodingForLocale();
  ConsoleStreams streams(options->rawConsole ? OutputEncoding::kRaw : encoding);
  ShowRoutineTraces(options->verbosity > 0);
  if (options->verbosity > 1) {
    for (const char* channel : {"script.yield", "quenlet.script"}) ShowChannelOnConsole(channel);
  }
  return GameHost(*options).Run();
}
