#include "tickbase/script/script_runner.h"

#include <iostream>
#include <string>

#include "tickbase/diag/console.h"
#include "tickbase/script/lua_script.h"
#include "tickbase/script/script_helpers.h"
#include "tickbase/script/script_manager.h"

namespace {

// Lua bounds the C calls nested in one state, but scripts that run each
// other in a ring across many states nest without that bound until the
// thread's stack overflows. One level of such a ring takes about 2.6 KB of
// stack in the sanitizer build (1.2 KB optimised): this many use some
// 0.5 MB of a default 8 MB stack, leaving the rest to the scripts' own
// calls.
constexpr int kMaxNesting = 200;
int g_nesting = 0;

// One runner call, counted while it lasts; refused past the limit.
class cNesting {
 public:
  cNesting(const char* runner, const char* subject) {
    if (g_nesting >= kMaxNesting) {
      throw cScriptNestingError(std::string(runner) + subject +
                                " refused: scripts run inside each other more than " +
                                std::to_string(kMaxNesting) + " deep");
    }
    ++g_nesting;
  }
  ~cNesting() { --g_nesting; }
  cNesting(const cNesting&) = delete;
  cNesting& operator=(const cNesting&) = delete;
};

void PrintNotFound(const char* function, const char* file) {
  std::cout << function << ColorRed << "script " << file << " not find " << std::endl << ColorWhite;
}

// The begin or end line of RunScriptFileFunc; hidden, only its colour stays.
void PrintFrame(const char* file, const char* func, const char* edge) {
  if (RoutineTracesShown()) {
    std::cout << ColorYellow << "func_RunScriptFileFunc " << file << " func " << func << edge
              << std::endl;
  }
  std::cout << ColorWhite;
}

// Runs code in script, dropping the error value of a failure.
void RunCode(KLuaScript& script, const char* code) {
  cKeepTop keep(script.GetLua());
  script.DoString(code);
}

}  // namespace

bool RunScriptFileFunc(const char* file, const char* func) {
  file = TextOf(file);
  func = TextOf(func);
  cNesting nesting("func_RunScriptFileFunc ", file);
  PrintFrame(file, func, " begin ");
  KLuaScript* script = cScriptManager::Instance().GetScript(file);
  if (!script) {
    PrintNotFound("func_RunScriptFileFunc ", file);
    return false;
  }
  {
    cKeepTop keep(script->GetLua());
    script->CallFunction(func, 0);
  }
  PrintFrame(file, func, " end ");
  return true;
}

void RunScriptFileString(const char* file, const char* code) {
  file = TextOf(file);
  cNesting nesting("func_RunScriptFileString ", file);
  if (KLuaScript* script = cScriptManager::Instance().GetScript(file)) {
    RunCode(*script, code);
  } else {
    PrintNotFound("func_RunScriptFileString ", file);
  }
}

void RunScriptString(const char* code) {
  cNesting nesting("func_RunScriptString ", "null");
  if (KLuaScript* script = cScriptManager::Instance().GetScript("null")) {
    RunCode(*script, code);
  } else {
    PrintNotFound("func_RunScriptString ", "null.lua");
  }
}

void RunScriptTestFunc(const char* file, const char* func) {
  cNesting nesting("func_RunScriptTestFunc ", TextOf(file));
  cScriptManager::Instance().ClearAScript(file);
  RunScriptFileFunc(file, func);
}

void ReloadAll() {
  cNesting nesting("func_ReloadAll", "");
  if (RoutineTracesShown()) std::cout << "func_ReloadAll " << std::endl;
  cScriptManager::Instance().ReloadAll();
}
