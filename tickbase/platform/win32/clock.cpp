#include "tickbase/platform/clock.h"

#include <mmsystem.h>

#include "tickbase/platform/system_clock.h"

namespace platform {

// The multimedia timer: 1 ms steps once a program has asked for them with
// timeBeginPeriod(1), as the host does, else the system tick (~15.6 ms).
std::uint32_t SystemMs() { return ::timeGetTime(); }

// The system time as of the last tick (the precise reading costs more).
std::chrono::system_clock::time_point LogTime() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  // 100 ns steps since 1601; the system clock counts from 1970.
  constexpr std::uint64_t kFrom1601To1970 = 116444736000000000ULL;
  const std::uint64_t steps = (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32 | ft.dwLowDateTime) -
                              kFrom1601To1970;
  return std::chrono::system_clock::time_point(
      std::chrono::duration_cast<std::chrono::system_clock::duration>(
          std::chrono::duration<std::uint64_t, std::ratio<1, 10000000>>(steps)));
}

void Sleep(DWORD ms) { ::Sleep(ms); }

cTimerPeriod::cTimerPeriod() { timeBeginPeriod(1); }

cTimerPeriod::~cTimerPeriod() { timeEndPeriod(1); }

}  // namespace platform
