// The common script functions: BindScriptCommon registers them into a Lua
// state, and the natives below are there for the host as well.
//
// Scripts get output (print, Trace, log), console colours, the current
// script file and function, blocking and deferred waits, assertions and
// test banners, runs of other scripts and code strings, the folder test
// runner, reload and registry traces, and MD5. Host thread only.
#ifndef TICKBASE_SCRIPT_SCRIPT_COMMON_H_
#define TICKBASE_SCRIPT_SCRIPT_COMMON_H_

#include <string>
#include <vector>

#include "tickbase/export.h"

struct lua_State;

// Registers into L, as globals: FileName, MD5, FuncName, SetColor,
// SetBkColor, Sleep, CoSleep, Assert, StartTest, EndTest, StartGameTest,
// EndGameTest, TraceAllScriptFiles, ReloadAll, RunScript, RunScriptString,
// RunScriptStr, TraceGC, RunScriptTest, RunScriptTestFolder (through luabind:
// wrongly typed arguments raise its no-match error in the script), then
// print and Trace (one console line of the arguments) and log (the
// arguments to "quenlet.script"). For the host's bind function, after the
// standard libraries are open: this print replaces Lua's.
TICKBASE_API void BindScriptCommon(lua_State* L);

// Does nothing; referencing it keeps this part of the library linked.
TICKBASE_API void HelpScriptQuenlet();

// Queues the scripts that FindTestScripts(folder) gives (printing "find
// file folder\name" for each), replacing what was queued, and schedules the
// first one: at the next pass of the one-second list timer its script is
// loaded afresh and its main runs (RunScriptFileFunc). Each test's call of
// the script function EndGameTest schedules the next. Prints "not find any
// file..." and queues nothing when the folder holds no such file.
TICKBASE_API void RunScriptTestFolder(const char* folder);

// The script names folder\name of every <name>.lua in the folder
// <script directory>/folder, in byte order of the names. In pack mode the
// package's entries of that folder count too (loose files on disk first,
// as when they load); a name found in both places counts once.
TICKBASE_API std::vector<std::string> FindTestScripts(const char* folder);

// Schedules the first queued test as EndGameTest does and takes it off the
// queue; false when the queue is empty. For a host that gives up on a test
// that never called EndGameTest.
TICKBASE_API bool RunNextTest();

// The MD5 digest of data's bytes (embedded zero bytes included) as 32
// lower-case hexadecimal digits; empty if the digest cannot be computed.
TICKBASE_API std::string GetMD5Str(const std::string& data);

#endif  // TICKBASE_SCRIPT_SCRIPT_COMMON_H_
