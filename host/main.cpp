// tickbase-host: runs a script folder or package from the command line.
#include <iostream>

#include "console_encoding.h"
#include "game_host.h"
#include "options.h"

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

  cConsoleEncoding encoding(options->rawConsole);
  return GameHost(*options).Run();
}
