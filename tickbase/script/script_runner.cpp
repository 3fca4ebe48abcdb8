#include "tickbase/script/script_runner.h"

#include <iostream>

#include "tickbase/diag/console.h"
#include "tickbase/script/lua_script.h"
#include "tickbase/script/script_helpers.h"
#include "tickbase/script/script_manager.h"

namespace {

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

}  // namespace

bool RunScriptFileFunc(const char* file, const char* func) {
  file = TextOf(file);
  func = TextOf(func);
  PrintFrame(file, func, " begin ");
  KLuaScript* script = cScriptManager::Instance().GetScript(file);
  if (!script) {
    PrintNotFound("func_RunScriptFileFunc ", file);
    return false;
  }
  script->CallFunction(func, 0);
  PrintFrame(file, func, " end ");
  return true;
}

void RunScriptFileString(const char* file, const char* code) {
  file = TextOf(file);
  if (KLuaScript* script = cScriptManager::Instance().GetScript(file)) {
    script->DoString(code);
  } else {
    PrintNotFound("func_RunScriptFileString ", file);
  }
}

void RunScriptString(const char* code) {
  if (KLuaScript* script = cScriptManager::Instance().GetScript("null")) {
    script->DoString(code);
  } else {
    PrintNotFound("func_RunScriptString ", "null.lua");
  }
}

void RunScriptTestFunc(const char* file, const char* func) {
  cScriptManager::Instance().ClearAScript(file);
  RunScriptFileFunc(file, func);
}

void ReloadAll() {
  if (RoutineTracesShown()) std::cout << "func_ReloadAll " << std::endl;
  cScriptManager::Instance().ReloadAll();
}
