// The system's millisecond clock behind the seam; internal, not installed.
#ifndef TICKBASE_PLATFORM_SYSTEM_CLOCK_H_
#define TICKBASE_PLATFORM_SYSTEM_CLOCK_H_

#include <cstdint>

namespace platform {

// Milliseconds since an arbitrary start, wrapping at 2^32.
std::uint32_t SystemMs();

}  // namespace platform

#endif  // TICKBASE_PLATFORM_SYSTEM_CLOCK_H_
