// The timer callback that is running now, for crash reports, and the
// readable type names used as labels. Internal.
#ifndef TICKBASE_TIMER_CURRENT_TIMER_H_
#define TICKBASE_TIMER_CURRENT_TIMER_H_

#include <string>
#include <typeinfo>

class cTimerObj;
class iTimerObjEx;

// The owner whose OnTimer is running and its param, or null and 0. Left
// naming the callback when it leaves by an exception, so that a crash
// report taken afterwards still names it.
extern iTimerObjEx* g_curTimerObj;
extern unsigned long g_curTimerParam;

// The demangled name of a type ("cScriptYieldTimer"). Cached per type; the
// string lives until the process ends.
const std::string& TypeName(const std::type_info& type);
// The cached name of a type, or its mangled name when it was never looked
// up. Never allocates: crash reports run in a fault handler.
const char* CachedTypeName(const std::type_info& type);
// Looks up the name of obj's owner now, so a crash report taken while one
// of its timers runs finds it cached. Does nothing for an invalid handle.
void NoteTypeName(const cTimerObj* obj);

#endif  // TICKBASE_TIMER_CURRENT_TIMER_H_
