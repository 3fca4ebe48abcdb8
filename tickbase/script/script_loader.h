// Loading script files and code strings into a Lua state, in directory mode
// (files under the script directory, read by Lua) or pack mode (a loose file
// on disk if there is one, else an entry of the zip package set with
// cScriptManager::SetZip). In pack mode every new state gets a `require`
// and `dofile` that load through the same reader.
//
// Failures are reported with lua_report_error and returned; nothing here
// throws on a script's behalf. The error value of a failed load or run stays
// on L's stack. Host thread only.
#ifndef TICKBASE_SCRIPT_SCRIPT_LOADER_H_
#define TICKBASE_SCRIPT_SCRIPT_LOADER_H_

#include "tickbase/export.h"

struct lua_State;
typedef int (*lua_CFunction)(lua_State* L);

// Loads file with luaL_loadfile and runs it (no arguments, no results).
// Returns 0 on success, 1 on failure (reported with file as the script).
TICKBASE_API int lua_dofile(lua_State* L, const char* file);

// Loads code (its chunk name is the code itself) and runs it. Returns 0 on
// success, 1 on failure (reported with name as the script and code as the
// function text).
TICKBASE_API int lua_dostring(lua_State* L, const char* name, const char* code);

// Directory mode: lua_dofile. Pack mode: reads file from disk (relative to
// the working directory) or else from the package and runs its text as a
// string, so a precompiled chunk fails; an entry larger than
// cScriptManager::GetZipEntryLimit() is refused unread, as a failure.
// Returns 0 on success, 1 on failure,
// -1 when pack mode finds the file in neither place (a red line says so).
TICKBASE_API int my_lua_dofile(lua_State* L, const char* file);

// The same as my_lua_dofile.
TICKBASE_API int my_lua_requre(lua_State* L, const char* file);

// One native function to register under a global name. A table of rows ends
// with a row whose name is "" (and func null).
struct Tlua_Funcs {
  const char* name;
  lua_CFunction func;
};

// Stores each row's function as a global of L, replacing any value of that
// name, up to the first row with an empty or null name or a null function.
// A null table registers nothing.
TICKBASE_API void RegisterScript(lua_State* L, const Tlua_Funcs* funcs);

// The pack-mode loader table: "require" and "dofile", then the end row.
// Both rows hold lua_os_dofile, which takes exactly one string or number
// argument (anything else does nothing), appends ".lua" unless present,
// loads it through my_lua_dofile every time it is called, returns nothing
// to the script and raises no Lua error of its own. Writable: a host may
// change the rows before states are set up.
TICKBASE_API Tlua_Funcs* GetOSFuncs();

#endif  // TICKBASE_SCRIPT_SCRIPT_LOADER_H_
