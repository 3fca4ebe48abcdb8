// The Win32 console calls the library colours its output with. On Windows
// they are the system's. Elsewhere they are stand-ins over one process-wide
// text attribute (start value 7, light grey on black): setting it records
// the value and, when standard output is a terminal and NO_COLOR is unset,
// writes the matching ANSI colour sequence to std::cout; otherwise only the
// value is recorded, so piped output carries plain text.
#ifndef TICKBASE_PLATFORM_CONSOLE_H_
#define TICKBASE_PLATFORM_CONSOLE_H_

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

#endif  // TICKBASE_PLATFORM_CONSOLE_H_
