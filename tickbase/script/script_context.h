// What every part of the script host shares: the script-name rule, the
// names of Lua's status codes, the one error report for script failures,
// and the record of which script file and function the library is running.
//
// The current file and function live as long as the library; they start
// empty and change only through the scoped guards below. Host thread only.
#ifndef TICKBASE_SCRIPT_SCRIPT_CONTEXT_H_
#define TICKBASE_SCRIPT_SCRIPT_CONTEXT_H_

#include <cstddef>
#include <string>

#include "tickbase/export.h"

struct lua_State;

// Every backslash becomes '/', then each non-overlapping "//" becomes '/'
// in one left-to-right pass ("a///b" gives "a//b"). Case is kept. A null
// name counts as "".
TICKBASE_API std::string NormalizeScriptName(const char* name);

// One Lua status code with the name used for it in reports.
struct stLuaStatusName {
  int status;
  const char* name;
};

// LUA_OK, LUA_ERRRUN, LUA_ERRFILE, LUA_ERRSYNTAX, LUA_ERRMEM, LUA_ERRERR,
// each with the code the Lua library in use gives that meaning.
TICKBASE_API extern const stLuaStatusName LuaStatusNames[6];

// The name of status from LuaStatusNames; "LUA_UNKNOWN" for any other code.
TICKBASE_API const char* LuaStatusName(int status);

// Reports a failed load or run of script `script`, function or code `func`.
// Status 0 writes nothing. Otherwise, in bright red on std::cout and as two
// messages on "script.error": the line "script [<script>] func [<func>]
// error : ", then the error value on top of L's stack if it is a string or
// number, else "<status> <status name>". Leaves the console bright cyan and
// the stack of L as it was. Null texts count as "".
TICKBASE_API void lua_report_error(int status, lua_State* L, const char* script, const char* func);

// Reports the exception being handled as "<where> <subject> exception:
// <text>" in red on std::cout and on "script.error", leaving the console
// bright cyan. A luabind::error (a script's Clear raised) adds the Lua
// message it left on its state's stack and pops it. For hosts, whose calls
// into the library let such exceptions through (the timer manager's Run, a
// reload). Call only inside a catch block.
TICKBASE_API void ReportCurrentException(const char* where, const std::string& subject);

// Scoped guards: while one lives, its value is the current script file
// (cBindScriptFile) or function (cBindScriptFunc); its end restores the value
// before it. Guards nest strictly; they are not copied. Reusing the storage
// of earlier guards, a guard allocates only when a level first holds a
// longer text than before.
class TICKBASE_API cBindScriptFile {
 public:
  explicit cBindScriptFile(const char* value);
  // The first length bytes of value.
  cBindScriptFile(const char* value, size_t length);
  ~cBindScriptFile();
  cBindScriptFile(const cBindScriptFile&) = delete;
  cBindScriptFile& operator=(const cBindScriptFile&) = delete;
};

class TICKBASE_API cBindScriptFunc {
 public:
  explicit cBindScriptFunc(const char* value);
  // The first length bytes of value.
  cBindScriptFunc(const char* value, size_t length);
  ~cBindScriptFunc();
  cBindScriptFunc(const cBindScriptFunc&) = delete;
  cBindScriptFunc& operator=(const cBindScriptFunc&) = delete;
};

// The current script file / function (empty outside every guard). The
// reference is meant for immediate use: keep a copy to hold on to the value
// past the next guard's beginning or end.
TICKBASE_API const std::string& GetCurScriptFile();
TICKBASE_API const std::string& GetCurScriptFunc();

// Their text; the pointer is valid until the next guard begins or ends.
TICKBASE_API const char* FileName();
TICKBASE_API const char* FuncName();

#endif  // TICKBASE_SCRIPT_SCRIPT_CONTEXT_H_
