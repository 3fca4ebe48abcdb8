#include <time.h>

#include <cerrno>

#include "tickbase/platform/clock.h"
#include "tickbase/platform/system_clock.h"

namespace platform {

// The coarse clock costs a few ns against ~28 for CLOCK_MONOTONIC and still
// ticks far finer than the 100 ms limits of the timing reports.
std::uint32_t SystemMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
  const std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                           static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<std::uint32_t>(ms);
}

std::chrono::system_clock::time_point LogTime() {
  timespec ts;
  clock_gettime(CLOCK_REALTIME_COARSE, &ts);
  return std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(
      std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec)));
}

void Sleep(DWORD ms) {
  timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

cTimerPeriod::cTimerPeriod() = default;

cTimerPeriod::~cTimerPeriod() = default;

}  // namespace platform
