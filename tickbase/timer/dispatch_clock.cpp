#include "tickbase/timer/dispatch_clock.h"

cDispatchClock::stState cDispatchClock::s_state{false, false, 0, 0};
