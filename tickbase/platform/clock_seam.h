// Test seam for the clocks; not installed. Null restores a system clock.
#ifndef TICKBASE_PLATFORM_CLOCK_SEAM_H_
#define TICKBASE_PLATFORM_CLOCK_SEAM_H_

#include <cstdint>

#include "tickbase/export.h"

namespace platform {

using MsClock = std::uint32_t (*)();
using SecClock = long (*)();

// Replaces the millisecond and the second clock until the next call.
TICKBASE_API void SetClocks(MsClock ms, SecClock sec);

}  // namespace platform

#endif  // TICKBASE_PLATFORM_CLOCK_SEAM_H_
