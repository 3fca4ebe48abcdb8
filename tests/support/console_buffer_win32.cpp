// Linked into every test program on Windows. The console calls of the
// library act on the standard output handle, which under a test runner is a
// pipe and makes every colour change fail. Before any test runs, the handle
// becomes a screen buffer of the process's console that is never shown:
// attributes set there can be read back and nothing reaches the screen,
// while the C library's standard output stays on the runner's pipe.
#include <windows.h>

#include <cstdio>

namespace {

const bool g_consoleBuffer = [] {
  const HANDLE buffer =
      CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr);
  if (buffer == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr,
                 "tests: no console to make a screen buffer in (error %lu); colour tests will "
                 "fail. Under Wine run through cmake/wine-console.sh.\n",
                 GetLastError());
    return false;
  }
  SetStdHandle(STD_OUTPUT_HANDLE, buffer);
  return true;
}();

}  // namespace
