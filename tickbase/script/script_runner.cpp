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

}  // namespace

bool RunScriptFileFunc(const char* file, const char* func) {
  file = TextOf(file);
  func = TextOf(func);
  std::cout << ColorYellow << "func_RunScriptFileFunc " << file << " func " << func << " begin "
            << std::endl
            << ColorWhite;
  KLuaScript* script = cScriptManager::Instance().GetScript(file);
  if (!script) {
    PrintNotFound("func_RunScriptFileFunc ", file);
    return false;
  }
  script->CallFunction(func, 0);
  std::cout << ColorYellow << "func_RunScriptFileFunc " << file << " func " << func << " end "
            << std::endl
            << ColorWhite;
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
  std::cout << "func_ReloadAll " << std::endl;
  cScriptManager::Instance().ReloadAll();
}
