#include <windows.h>

#include <string>

#include "system.h"

namespace {

bool IsConsole(DWORD which) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

}  // namespace

std::filesystem::path ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(2 * path.size());  // cut off: try a larger buffer
  }
}

// Not _isatty: it says yes to any character device, NUL included.
bool InputIsTerminal() { return IsConsole(STD_INPUT_HANDLE); }

bool OutputIsTerminal() { return IsConsole(STD_OUTPUT_HANDLE); }
