#include "tickbase/platform/clock.h"

#include <mmsystem.h>

#include "tickbase/platform/system_clock.h"

namespace platform {

// The multimedia timer: 1 ms steps once a program has asked for them with
// timeBeginPeriod(1), as the host does, else the system tick (~15.6 ms).
std::uint32_t SystemMs() { return ::timeGetTime(); }

void Sleep(DWORD ms) { ::Sleep(ms); }

cTimerPeriod::cTimerPeriod() { timeBeginPeriod(1); }

cTimerPeriod::~cTimerPeriod() { timeEndPeriod(1); }

}  // namespace platform
