// The timer callback that is running now, for crash reports, and the
// readable type names used as labels. Internal.
#ifndef TICKBASE_TIMER_CURRENT_TIMER_H_
#define TICKBASE_TIMER_CURRENT_TIMER_H_

#include <string>
#include <typeinfo>

class iTimerObjEx;

// The owner whose OnTimer is running and its param, or null and 0. Left
// naming the callback when it leaves by an exception, so that a crash
// report taken afterwards still names it.
extern iTimerObjEx* g_curTimerObj;
extern unsigned long g_curTimerParam;

// The demangled name of a type ("cScriptYieldTimer"). Cached per type; the
// string lives until the process ends.
const std::string& TypeName(const std::type_info& type);

#endif  // TICKBASE_TIMER_CURRENT_TIMER_H_
