// The two clocks every part of the library reads, and Sleep. Each reading
// goes through one seam (clock_test_helper.h) so tests can drive time exactly.
// The names are the Win32 ones, kept in namespace platform so that on
// Windows they stay apart from the system's own.
#ifndef TICKBASE_PLATFORM_CLOCK_H_
#define TICKBASE_PLATFORM_CLOCK_H_

#include <chrono>

#include "tickbase/export.h"
#include "tickbase/platform/types.h"

namespace platform {

// Milliseconds from a monotonic clock (on Windows the multimedia timer,
// timeGetTime); wraps at 2^32 (about 49.7 days).
TICKBASE_API DWORD timeGetTime();

// Seconds since 1970 (the C library's time()).
TICKBASE_API long UnixTime();

// Blocks the calling thread for ms milliseconds.
TICKBASE_API void Sleep(DWORD ms);

// Asks the system for 1 ms steps of the millisecond clock and of Sleep while
// it lives, for a host's main loop: Windows' timeBeginPeriod(1), which costs
// power; elsewhere the clocks need no asking.
class TICKBASE_API cTimerPeriod {
 public:
  cTimerPeriod();
  ~cTimerPeriod();
  cTimerPeriod(const cTimerPeriod&) = delete;
  cTimerPeriod& operator=(const cTimerPeriod&) = delete;
};

// The time of day for log records, from the coarse wall clock: a few ns a
// reading against tens for the fine one, in steps of the system's tick (a
// few ms). Not driven by SetClocks.
std::chrono::system_clock::time_point LogTime();

}  // namespace platform

#endif  // TICKBASE_PLATFORM_CLOCK_H_
