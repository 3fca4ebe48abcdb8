// The Win32 and MFC value types the library's interfaces are written in. On
// Windows they are the system's own (windows.h); elsewhere, stand-ins of the
// same widths.
#ifndef TICKBASE_PLATFORM_TYPES_H_
#define TICKBASE_PLATFORM_TYPES_H_

#include <string>

#if defined(_WIN32)
// Lean, and without the min/max macros; neither setting outlives this header.
#  if !defined(WIN32_LEAN_AND_MEAN)
#    define WIN32_LEAN_AND_MEAN
#    define TICKBASE_UNDEF_LEAN
#  endif
#  if !defined(NOMINMAX)
#    define NOMINMAX
#    define TICKBASE_UNDEF_NOMINMAX
#  endif
#  include <windows.h>
#  if defined(TICKBASE_UNDEF_LEAN)
#    undef WIN32_LEAN_AND_MEAN
#    undef TICKBASE_UNDEF_LEAN
#  endif
#  if defined(TICKBASE_UNDEF_NOMINMAX)
#    undef NOMINMAX
#    undef TICKBASE_UNDEF_NOMINMAX
#  endif
#else
#  include <cstdint>

typedef std::uint16_t WORD;
typedef std::uint32_t DWORD;
typedef int BOOL;
typedef void* HANDLE;
#endif

// Only ever used as a plain string.
typedef std::string CString;

#endif  // TICKBASE_PLATFORM_TYPES_H_
