// Runners: run a function or a code string of a script named only by its
// script name, framed by console lines. The registry finds the script or
// loads it on first request. Used by the host, the library's deferred calls
// and the game clock's script callbacks. Host thread only.
//
// A failed call or code string is reported and its error value dropped: the
// script's stack is as it was before. Runners nested in each other (scripts
// that run scripts, across states) are counted; past a fixed depth a runner
// refuses with a std::runtime_error whose text says so, which reaches a
// calling script as a Lua error.
#ifndef TICKBASE_SCRIPT_SCRIPT_RUNNER_H_
#define TICKBASE_SCRIPT_SCRIPT_RUNNER_H_

#include "tickbase/export.h"

// Calls global func of script file with no arguments between yellow begin
// and end lines. False (after a red "script <file> not find " line) when the
// script cannot be had; true otherwise, also when the call failed. Leaves
// the console bright white.
TICKBASE_API bool RunScriptFileFunc(const char* file, const char* func);

// Runs code in the state of script file; a red not-find line otherwise.
TICKBASE_API void RunScriptFileString(const char* file, const char* code);

// Runs code in the state of the script "null" (null.lua), which keeps its
// state between calls.
TICKBASE_API void RunScriptString(const char* code);

// Retires script file, then RunScriptFileFunc: func runs in a fresh state.
TICKBASE_API void RunScriptTestFunc(const char* file, const char* func);

// Prints "func_ReloadAll ", then cScriptManager::ReloadAll.
TICKBASE_API void ReloadAll();

#endif  // TICKBASE_SCRIPT_SCRIPT_RUNNER_H_
