// KLuaScript: one Lua 5.1 state and the name of the script it was made for.
//
// An object starts without a state; a set-up operation (NewScript,
// LoadScript, LoadRawScript) gives it one, which it owns and closes when it
// is destroyed. Script errors are reported (console, and for loads and code
// strings the "script.error" channel) and turned into results, never thrown;
// after a failure the Lua error value is left on the state's stack. The
// registry (cScriptManager) makes most of these objects; a host may also
// use the class directly. Host thread only.
#ifndef TICKBASE_SCRIPT_LUA_SCRIPT_H_
#define TICKBASE_SCRIPT_LUA_SCRIPT_H_

#include <cstddef>
#include <string>

#include "tickbase/export.h"
#include "tickbase/platform/types.h"

struct lua_State;

// The host's registration function, called on every new state.
typedef void (*ScriptBindFunc)(lua_State* L);

// Sets up a state the caller created: opens the standard libraries and
// luabind, calls bind (skipped when null), then cScriptManager::BindOSScript.
// Built on LuaJIT, it also turns the state's JIT compiler off: compiled
// loops would not stop on InterruptScripts or the watchdog.
TICKBASE_API void Script_InitScript(lua_State* L, ScriptBindFunc bind);

class TICKBASE_API KLuaScript {
 public:
  // No state, empty name.
  KLuaScript();
  // Closes the state if there is one. Requires: no script runs in it.
  virtual ~KLuaScript();
  // Copies would close one state twice.
  KLuaScript(const KLuaScript&) = delete;
  KLuaScript& operator=(const KLuaScript&) = delete;

  // Set-up. Each closes a state the object already holds, then creates and
  // sets up a new one (Script_InitScript with bind). Requires: no script
  // runs in the old state. An exception from bind closes the new state and
  // passes on.

  // Names the object name and gives it a fresh state; loads no file.
  // Returns 1 if the state was created, else 0.
  int NewScript(const char* name, ScriptBindFunc bind);
  // Names the object name and loads the script file: the registry's script
  // directory + name + ".lua", or name itself when it ends in "lua".
  // Returns LoadRawScript's result.
  int LoadScript(const char* name, ScriptBindFunc bind);
  // Loads and runs the file at path in a fresh state (my_lua_dofile).
  // Directory mode checks first that the file exists ("script file : <path>
  // not found!" in red otherwise). Returns 1 on success; on failure 0 and
  // the object holds no state. An exception is reported ("file: <name> load
  // errors!") and passed on, leaving no state.
  int LoadRawScript(const CString& path, ScriptBindFunc bind);

  // Runs code; DoString1 leaves the code's first result on the stack for
  // ReturnInt/ReturnString. Return 1 on success, 0 on failure (reported
  // with lua_report_error) or without a state.
  int DoString(const char* code);
  int DoString1(const char* code);
  // Runs cmd only when the text before its first '(' names a global
  // function; otherwise (or without '(') returns 0 and runs nothing.
  int DoCmd(const char* cmd);
  // Loads and runs file in the existing state. Returns 0 on success, 1 on a
  // script error (reported) or without a state, -1 when an exception
  // escaped (reported in red; the state is closed).
  int TestScript(const char* file);

  // Calls the function the caller pushed, above its nargs arguments. On
  // success returns 1 with nresults results on the stack; on failure prints
  // "file: <name> call: <func> \nerror: <message>\n" in red and returns 0,
  // leaving the error value. Exceptions from native code pass through.
  int Call(const char* name, int nargs, int nresults);
  // Calls global name with no arguments, one number or one string argument;
  // results and failures as Call.
  int CallFunction(const char* name, int nresults);
  int CallFunction1(const char* name, int arg, int nresults);
  int CallFunction1(const char* name, const char* arg, int nresults);

  // Starts global func in thread, a new coroutine of this state, with arg
  // as its one number argument. Returns 1 when it finished or paused; 0 when
  // it failed (reported with lua_report_error, naming this script and func)
  // or for a null thread. Sets no current file or function.
  int Resume(lua_State* thread, const char* func, int arg);

  // 1 if global name is a function, else 0 (also without a state). The
  // stack is left as it was.
  int HaveFunction(const char* name);
  // Takes a number (truncated toward zero, clamped to int), numeric string
  // or boolean (1/0) off the top of the stack. Returns 1 and pops it, or 0
  // leaving the stack alone.
  int ReturnInt(int& out);
  // Takes a string or number off the top of the stack, as ReturnInt.
  int ReturnString(std::string& out);
  // Calls the script's global function Clear, if it has one. A Lua error in
  // it is thrown as luabind::error (message on the stack). Nothing without
  // a state.
  void Clear();

  lua_State* GetLua() const { return m_L; }
  const char* GetScriptFile() const { return m_file.c_str(); }
  int IsValid() const { return m_L ? 1 : 0; }
  // Set when a coroutine thread is made from the state; never read here.
  void SetThreadFlag(bool flag) { m_threadFlag = flag; }
  bool GetThreadFlag() const { return m_threadFlag; }

 protected:
  // Creates and sets up a fresh state; the name is not touched.
  void InitScript(ScriptBindFunc bind);
  // Loads and runs code with nresults results kept on the stack.
  int _DoString(const char* code, int nresults);

 private:
  void CloseState();
  // Calls global name with the arguments that pushArgs(L) pushes (it
  // returns their count); results and failures as Call. Requires a state.
  template <class PushArgs>
  int CallGlobal(const char* name, int nresults, PushArgs pushArgs);
  // Reports a failed call of name whose error value is on top; returns 0.
  int CallFailed(const char* name, int status);
  // Reports that operation needs a state; returns 0.
  int NoState(const char* operation);
  // Reports an exception that escaped TestScript and drops the state.
  int TestScriptThrew(const char* reason);

  bool m_threadFlag;
  lua_State* m_L;
  std::string m_file;
};

#endif  // TICKBASE_SCRIPT_LUA_SCRIPT_H_
