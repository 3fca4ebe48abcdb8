// The Win32 and MFC value types the library's interfaces are written in.
#ifndef TICKBASE_PLATFORM_TYPES_H_
#define TICKBASE_PLATFORM_TYPES_H_

#include <cstdint>
#include <string>

typedef std::uint16_t WORD;
typedef std::uint32_t DWORD;
typedef int BOOL;
typedef void* HANDLE;

// Only ever used as a plain string.
typedef std::string CString;

#endif  // TICKBASE_PLATFORM_TYPES_H_
