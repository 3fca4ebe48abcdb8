#include "tickbase/platform/clock.h"

#include <ctime>

#include "tickbase/platform/clock_test_helper.h"
#include "tickbase/platform/system_clock.h"

namespace {

long SystemSec() { return static_cast<long>(std::time(nullptr)); }

platform::MsClock g_ms = platform::SystemMs;
platform::SecClock g_sec = SystemSec;

}  // namespace

namespace platform {

DWORD timeGetTime() { return g_ms(); }

long UnixTime() { return g_sec(); }

void SetClocks(MsClock ms, SecClock sec) {
  g_ms = ms ? ms : SystemMs;
  g_sec = sec ? sec : SystemSec;
}

}  // namespace platform
