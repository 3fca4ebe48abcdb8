// Stopping script code that does not return: an interrupt that a signal
// handler may raise, and a watchdog for script calls that run too long.
//
// Both act through a Lua hook on the thread that runs script code for the
// library: a call (KLuaScript::Call and its kin, Clear), a code string, a
// file load, or the start or wake-up of a coroutine. The hook raises a Lua
// error in the script; the library reports it like any script error and the
// call returns its failure. Lua code that a host runs without the library
// (its own lua_pcall) is left alone, and so is native code that a script
// calls: the error comes at the script's next instruction after it returns.
// Coroutines that a script makes itself stop at the next check of the
// watchdog's hook, which they inherit; with the watchdog off they may run
// on after an interrupt.
#ifndef TICKBASE_SCRIPT_SCRIPT_INTERRUPT_H_
#define TICKBASE_SCRIPT_SCRIPT_INTERRUPT_H_

#include "tickbase/export.h"

// Async-signal-safe. The script code running now raises the Lua error
// "script <file> func <func> interrupted" at its next instruction, and every
// script call made afterwards fails the same way at its first one, until
// ClearScriptInterrupt.
TICKBASE_API void InterruptScripts();

// Lets script calls run again. Host thread only.
TICKBASE_API void ClearScriptInterrupt();

// True from InterruptScripts until ClearScriptInterrupt.
TICKBASE_API bool ScriptsInterrupted();

// A script call that runs longer than ms milliseconds (timeGetTime) without
// returning or yielding raises the Lua error "script <file> func <func> ran
// longer than <ms> ms", and so does every call nested in it until the
// outermost one has returned. Time counts from the outermost call: nested
// calls count towards it. The check runs every few thousand Lua
// instructions. 0 turns the watchdog off, which is the default. Host thread
// only.
TICKBASE_API void SetScriptWatchdog(unsigned long ms);
TICKBASE_API unsigned long GetScriptWatchdog();

#endif  // TICKBASE_SCRIPT_SCRIPT_INTERRUPT_H_
