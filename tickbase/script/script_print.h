// The script output functions print, Trace (lua_trace) and log (lua_log);
// internal. Both take any number of arguments of any type and return none.
#ifndef TICKBASE_SCRIPT_SCRIPT_PRINT_H_
#define TICKBASE_SCRIPT_SCRIPT_PRINT_H_

struct lua_State;

// One console line: a yellow header "【Script】<file> <func> ", then each
// argument's text and a blank in bright cyan: strings and numbers as Lua
// writes them, booleans as 1 or 0, nil as "nil", functions as " function "
// (no extra blank), nothing for tables, userdata and threads.
int lua_trace(lua_State* L);

// The same pieces as separate messages on "quenlet.script", functions as
// "[function] ", and no line end; nothing goes to the console, whose colour
// still switches to yellow and back around the header.
int lua_log(lua_State* L);

#endif  // TICKBASE_SCRIPT_SCRIPT_PRINT_H_
