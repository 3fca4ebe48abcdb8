#include <unistd.h>

#include "system.h"

std::filesystem::path ProgramPath() {
  std::error_code ec;
  std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : program;
}

bool InputIsTerminal() { return isatty(STDIN_FILENO); }

bool OutputIsTerminal() { return isatty(STDOUT_FILENO); }
