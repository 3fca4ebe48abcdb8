// Makes the game clock visible to one Lua state. The library never calls
// this itself: the host calls it for every state whose scripts should see
// the calendar (typically from the bind function it gives the script
// manager, which runs on every new state).
#ifndef TICKBASE_GAMETIME_BIND_GAME_TIME_H_
#define TICKBASE_GAMETIME_BIND_GAME_TIME_H_

#include "tickbase/export.h"

struct lua_State;

// Registers into L's global table, in this order: the function GetGameTime
// (the one clock, borrowed: Lua never destroys it), the class stGameTime
// (six read-write number fields, no constructor) and the class cGameTime
// (the GameTime_ constants on the class table; RegistCallback,
// RegistCallbackAt, UnregistCallback and UnregistCallbackAt taking a script
// file and function name and bound to the clock's script forms; SetTimeMul;
// and m_time, read as a live reference to the clock's own current time).
// Arguments that do not convert are rejected by luabind with a Lua error
// before the clock is touched. Requires: luabind::open(L) has run.
TICKBASE_API void BindGameTime(lua_State* L);

#endif  // TICKBASE_GAMETIME_BIND_GAME_TIME_H_
