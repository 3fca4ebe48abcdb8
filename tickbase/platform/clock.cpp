#include "tickbase/platform/clock.h"

#include <time.h>

#include <cerrno>

#include "tickbase/platform/clock_test_helper.h"

namespace {

// The coarse clock costs a few ns against ~28 for CLOCK_MONOTONIC and still
// ticks far finer than the 100 ms limits of the timing reports.
std::uint32_t SystemMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
  const std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                           static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<std::uint32_t>(ms);
}

long SystemSec() { return static_cast<long>(::time(nullptr)); }

platform::MsClock g_ms = SystemMs;
platform::SecClock g_sec = SystemSec;

}  // namespace

DWORD timeGetTime() { return g_ms(); }

void Sleep(DWORD ms) {
  timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

namespace platform {

long UnixTime() { return g_sec(); }

std::chrono::system_clock::time_point LogTime() {
  timespec ts;
  clock_gettime(CLOCK_REALTIME_COARSE, &ts);
  return std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(
      std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec)));
}

void SetClocks(MsClock ms, SecClock sec) {
  g_ms = ms ? ms : SystemMs;
  g_sec = sec ? sec : SystemSec;
}

}  // namespace platform
