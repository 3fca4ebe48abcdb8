// For tests only: replaces the library's clocks, so a host's tests can drive
// the timers and timing reports with exact, repeatable times. Not part of
// the umbrella header; a program never calls it outside its tests.
#ifndef TICKBASE_PLATFORM_CLOCK_TEST_HELPER_H_
#define TICKBASE_PLATFORM_CLOCK_TEST_HELPER_H_

#include <cstdint>

#include "tickbase/export.h"

namespace platform {

using MsClock = std::uint32_t (*)();
using SecClock = long (*)();

// Replaces the millisecond clock (timeGetTime) and the second clock (the
// seconds since 1970) until the next call; a null pointer restores that
// system clock. Every reading of the library goes through these.
TICKBASE_API void SetClocks(MsClock ms, SecClock sec);

}  // namespace platform

#endif  // TICKBASE_PLATFORM_CLOCK_TEST_HELPER_H_
