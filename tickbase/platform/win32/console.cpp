#include "tickbase/platform/console.h"

namespace {

// The attribute the console showed when the library was loaded; 0 when
// standard output is no console.
WORD StartAttributes() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  return ::GetConsoleScreenBufferInfo(::GetStdHandle(STD_OUTPUT_HANDLE), &info) ? info.wAttributes
                                                                              : 0;
}

const WORD g_startAttributes = StartAttributes();

// A process that ends with colours set leaves the shell's prompt coloured.
struct cResetAtExit {
  ~cResetAtExit() { platform::ResetConsoleColorsNow(); }
} g_resetAtExit;

}  // namespace

namespace platform {

void SetConsoleBuffer(std::streambuf*) {}

void ResetConsoleColorsNow() {
  if (g_startAttributes == 0) return;
  const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (::GetConsoleScreenBufferInfo(out, &info) && info.wAttributes != g_startAttributes) {
    ::SetConsoleTextAttribute(out, g_startAttributes);
  }
}

}  // namespace platform
