// tickbase-host: runs a script folder or package from the command line.
#include <filesystem>
#include <iostream>
#include <memory>

#include "game_host.h"
#include "gbk_console.h"
#include "options.h"

namespace {

// The bundled examples: installed under the prefix beside the program, or,
// for a host run from its build folder, the source tree's.
std::string DefaultScripts() {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path program = fs::read_symlink("/proc/self/exe", ec);
  const fs::path installed = program.parent_path() / TICKBASE_EXAMPLES_FROM_BIN;
  if (!ec && fs::is_directory(installed, ec)) return installed.lexically_normal().string();
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

  std::unique_ptr<GbkToUtf8Buf> utf8;
  std::streambuf* const original = std::cout.rdbuf();
  if (!options->rawConsole && ConsoleIsUtf8Terminal()) {
    utf8 = std::make_unique<GbkToUtf8Buf>(original);
    if (utf8->ok()) std::cout.rdbuf(utf8.get());
  }
  const int status = GameHost(*options).Run();
  std::cout.flush();
  std::cout.rdbuf(original);
  return status;
}
