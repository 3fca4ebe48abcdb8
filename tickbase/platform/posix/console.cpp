#include "tickbase/platform/console.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

namespace {

constexpr WORD kDefaultAttributes = 7;
constexpr char kReset[] = "\x1b[0m";

WORD g_attributes = kDefaultAttributes;
DWORD g_lastError = 0;
char g_stdout;  // its address is the standard output handle

// std::cout's own buffer, taken at load before anything can redirect it.
std::streambuf* const g_ownBuffer = std::cout.rdbuf();
std::streambuf* g_consoleBuffer = g_ownBuffer;
// What the terminal shows; a signal handler reads it.
volatile sig_atomic_t g_shown = kDefaultAttributes;

HANDLE StdoutHandle() { return &g_stdout; }

bool WantsAnsi() {
  static const bool wants = isatty(STDOUT_FILENO) && std::getenv("NO_COLOR") == nullptr;
  return wants;
}

// Win32 colour bits are blue 1, green 2, red 4; ANSI numbers red 1, green 2, blue 4.
int AnsiColor(WORD nibble) {
  return ((nibble & 4) ? 1 : 0) | (nibble & 2) | ((nibble & 1) ? 4 : 0);
}

void WriteAnsi(std::ostream& os, WORD attributes) {
  std::string code = kReset;
  if (attributes != kDefaultAttributes) {
    const WORD fore = attributes & 0x0F;
    const WORD back = (attributes >> 4) & 0x0F;
    const int foreCode = ((fore & 8) ? 90 : 30) + AnsiColor(fore);
    // Black is the console's default background: leave the terminal's own.
    const int backCode = back == 0 ? 49 : ((back & 8) ? 100 : 40) + AnsiColor(back);
    code = "\x1b[" + std::to_string(foreCode) + ';' + std::to_string(backCode) + 'm';
  }
  os << code << std::flush;  // in one piece, for filters that look for it
  g_shown = attributes;
}

// A process that ends with colours set hands the shell a coloured prompt.
struct cResetAtExit {
  ~cResetAtExit() {
    if (g_shown == kDefaultAttributes) return;
    std::cout.flush();
    std::ostream terminal(g_ownBuffer);
    WriteAnsi(terminal, kDefaultAttributes);
  }
} g_resetAtExit;

}  // namespace

HANDLE GetStdHandle(DWORD which) {
  return which == STD_OUTPUT_HANDLE ? StdoutHandle() : nullptr;
}

BOOL GetConsoleScreenBufferInfo(HANDLE console, CONSOLE_SCREEN_BUFFER_INFO* info) {
  if (console != StdoutHandle() || info == nullptr) {
    g_lastError = ERROR_INVALID_HANDLE;
    return 0;
  }
  info->wAttributes = g_attributes;
  return 1;
}

BOOL SetConsoleTextAttribute(HANDLE console, WORD attributes) {
  if (console != StdoutHandle()) {
    g_lastError = ERROR_INVALID_HANDLE;
    return 0;
  }
  g_attributes = attributes;
  if (WantsAnsi() && g_consoleBuffer != nullptr && std::cout.rdbuf() == g_consoleBuffer &&
      attributes != g_shown) {
    WriteAnsi(std::cout, attributes);
  }
  return 1;
}

DWORD GetLastError() { return g_lastError; }

namespace platform {

void SetConsoleBuffer(std::streambuf* buffer) { g_consoleBuffer = buffer; }

void ResetConsoleColorsNow() {
  if (g_shown == kDefaultAttributes) return;
  (void)!write(STDOUT_FILENO, kReset, sizeof kReset - 1);
  g_shown = kDefaultAttributes;
}

}  // namespace platform
