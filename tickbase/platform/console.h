// The Win32 console calls the library colours its output with. On Windows
// they are the system's. Elsewhere they are stand-ins over one process-wide
// text attribute (start value 7, the terminal's own default colours).
// Setting it records the value and, when standard output is a terminal and
// NO_COLOR is unset, writes the matching ANSI sequence: attribute 7 as a
// plain reset, a black background as the terminal's default background. A
// sequence is written only while std::cout writes into the console buffer
// (below), so text captured by redirecting std::cout never carries one, and
// only when the terminal does not already show that attribute.
#ifndef TICKBASE_PLATFORM_CONSOLE_H_
#define TICKBASE_PLATFORM_CONSOLE_H_

#include <streambuf>

#include "tickbase/export.h"
#include "tickbase/platform/types.h"

#if !defined(_WIN32)

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

#endif  // !_WIN32

namespace platform {

// The buffer whose bytes reach the terminal: colour sequences are written
// only while std::cout writes into it. It starts as std::cout's own buffer;
// a host that puts a filter of its own between std::cout and the terminal
// names the filter here (and names the old buffer again before the filter
// goes away). Null turns the sequences off. On Windows colours are console
// attributes, not bytes in the stream, and this does nothing.
TICKBASE_API void SetConsoleBuffer(std::streambuf* buffer);

// Puts the console back in the colours it had when the process started if
// the library left it otherwise. Callable from fatal-signal handlers (it is
// async-signal-safe) and from a console control handler; ordinary exits
// need no call, the library resets the colours when the process ends.
TICKBASE_API void ResetConsoleColorsNow();

}  // namespace platform

#endif  // TICKBASE_PLATFORM_CONSOLE_H_
