// Stand-ins for the Win32 console calls. The process has one console text
// attribute (start value 7, the terminal's own default colours). Setting it
// records the value and, when standard output is a terminal and NO_COLOR is
// unset, writes the matching ANSI sequence: attribute 7 as a plain reset, a
// black background as the terminal's default background. A sequence is
// written only while std::cout writes into the console buffer (below), so
// text captured by redirecting std::cout never carries one, and only when
// the terminal does not already show that attribute.
#ifndef TICKBASE_PLATFORM_CONSOLE_H_
#define TICKBASE_PLATFORM_CONSOLE_H_

#include <streambuf>

#include "tickbase/export.h"
#include "tickbase/platform/types.h"

struct CONSOLE_SCREEN_BUFFER_INFO {
  WORD wAttributes;
};

constexpr DWORD STD_OUTPUT_HANDLE = static_cast<DWORD>(-11);
constexpr DWORD ERROR_INVALID_HANDLE = 6;

// The standard output handle for STD_OUTPUT_HANDLE; null for anything else.
TICKBASE_API HANDLE GetStdHandle(DWORD which);

// Reads the current attribute. Returns 0 (last error 6) for a bad handle.
TICKBASE_API BOOL GetConsoleScreenBufferInfo(HANDLE console, CONSOLE_SCREEN_BUFFER_INFO* info);

// Sets the current attribute. Returns 0 (last error 6) for a bad handle.
TICKBASE_API BOOL SetConsoleTextAttribute(HANDLE console, WORD attributes);

// The error code of the last failed console call.
TICKBASE_API DWORD GetLastError();

namespace platform {

// The buffer whose bytes reach the terminal: colour sequences are written
// only while std::cout writes into it. It starts as std::cout's own buffer;
// a host that puts a filter of its own between std::cout and the terminal
// names the filter here (and names the old buffer again before the filter
// goes away). Null turns the sequences off.
TICKBASE_API void SetConsoleBuffer(std::streambuf* buffer);

// Puts the terminal back in its default colours if a sequence left it
// otherwise. Async-signal-safe, for fatal-signal handlers; ordinary exits
// need no call, the library resets the colours when the process ends.
TICKBASE_API void ResetConsoleColorsNow();

}  // namespace platform

#endif  // TICKBASE_PLATFORM_CONSOLE_H_
