// tickbase: timers, Lua scripting, a game calendar and diagnostics for a
// single-threaded game server. Include this, or the one header you need.
#ifndef TICKBASE_TICKBASE_H_
#define TICKBASE_TICKBASE_H_

#include "tickbase/platform/clock.h"
#include "tickbase/platform/console.h"
#include "tickbase/platform/files.h"
#include "tickbase/platform/types.h"

#include "tickbase/diag/colors.h"
#include "tickbase/diag/console.h"
#include "tickbase/diag/log.h"

#include "tickbase/timer/service.h"
#include "tickbase/timer/timer_manager.h"
#include "tickbase/timer/timer_obj.h"
#include "tickbase/timer/timer_range.h"
#include "tickbase/timer/timer_types.h"
#include "tickbase/timer/timing_scope.h"

#include "tickbase/script/lua_script.h"
#include "tickbase/script/script_common.h"
#include "tickbase/script/script_context.h"
#include "tickbase/script/script_interrupt.h"
#include "tickbase/script/script_loader.h"
#include "tickbase/script/script_manager.h"
#include "tickbase/script/script_runner.h"
#include "tickbase/script/script_yield.h"
#include "tickbase/script/zip_package.h"

#include "tickbase/gametime/bind_game_time.h"
#include "tickbase/gametime/game_clock.h"
#include "tickbase/gametime/game_time_callbacks.h"
#include "tickbase/gametime/game_time_value.h"

#endif  // TICKBASE_TICKBASE_H_
