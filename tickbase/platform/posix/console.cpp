#include "tickbase/platform/console.h"

#include <unistd.h>

#include <cstdlib>
#include <iostream>

namespace {

WORD g_attributes = 7;
DWORD g_lastError = 0;
char g_stdout;  // its address is the standard output handle

HANDLE StdoutHandle() { return &g_stdout; }

bool WantsAnsi() {
  static const bool wants = isatty(STDOUT_FILENO) && std::getenv("NO_COLOR") == nullptr;
  return wants;
}

// Win32 colour bits are blue 1, green 2, red 4; ANSI numbers red 1, green 2, blue 4.
int AnsiColor(WORD nibble) {
  return ((nibble & 4) ? 1 : 0) | (nibble & 2) | ((nibble & 1) ? 4 : 0);
}

void WriteAnsi(WORD attributes) {
  const WORD fore = attributes & 0x0F;
  const WORD back = (attributes >> 4) & 0x0F;
  const int foreCode = ((fore & 8) ? 90 : 30) + AnsiColor(fore);
  const int backCode = ((back & 8) ? 100 : 40) + AnsiColor(back);
  std::cout << "\x1b[" << foreCode << ';' << backCode << 'm' << std::flush;
}

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
  if (WantsAnsi()) WriteAnsi(attributes);
  return 1;
}

DWORD GetLastError() { return g_lastError; }
