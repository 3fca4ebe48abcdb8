// The two clocks every part of the library reads, and Sleep. Each reading
// goes through one seam (clock_test_helper.h) so tests can drive time exactly.
#ifndef TICKBASE_PLATFORM_CLOCK_H_
#define TICKBASE_PLATFORM_CLOCK_H_

#include <chrono>
#include <cstdint>

#include "tickbase/export.h"
#include "tickbase/platform/types.h"

// Milliseconds from a monotonic clock; wraps at 2^32 (about 49.7 days).
TICKBASE_API DWORD timeGetTime();

// Blocks the calling thread for ms milliseconds.
TICKBASE_API void Sleep(DWORD ms);

namespace platform {

// Seconds since 1970 (the C library's time()).
TICKBASE_API long UnixTime();

// The time of day for log records, from the coarse wall clock: a few ns a
// reading against tens for the fine one, in steps of the system's tick (a
// few ms). Not driven by SetClocks.
std::chrono::system_clock::time_point LogTime();

}  // namespace platform

#endif  // TICKBASE_PLATFORM_CLOCK_H_
