// The `status` report of the running host: uptime, ticks and overruns,
// timers per range and kind, sleeping coroutines, scripts and their Lua
// memory.
#ifndef TICKBASE_HOST_STATUS_H_
#define TICKBASE_HOST_STATUS_H_

#include <ostream>

class cSteadyTick;

// uptimeSeconds: real time since the main loop started.
void WriteStatus(std::ostream& os, const cSteadyTick& tick, double uptimeSeconds);

#endif  // TICKBASE_HOST_STATUS_H_
