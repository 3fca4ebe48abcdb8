// Starting and continuing script coroutines: cScriptManager::NewThread,
// KLuaScript::Resume and my_lua_resume. Pauses and wake-ups are in
// script_yield.cpp.
#include <cstring>
#include <lua.hpp>

#include "tickbase/script/lua_script.h"
#include "tickbase/script/script_context.h"
#include "tickbase/script/script_helpers.h"
#include "tickbase/script/script_manager.h"
#include "tickbase/script/script_run.h"
#include "tickbase/script/script_yield.h"

lua_State* cScriptManager::NewThread(const char* file, const char* func, int& ref, int arg) {
  KLuaScript* script = GetScript(file);
  if (!script || !script->GetLua()) {
    ScriptError(std::string("script ") + TextOf(file) + " not find ");
    return nullptr;
  }
  script->SetThreadFlag(true);
  lua_State* L = script->GetLua();
  lua_State* co = lua_newthread(L);
  ref = luaL_ref(L, LUA_REGISTRYINDEX);
  return script->Resume(co, func, arg) == 1 ? co : nullptr;
}

int KLuaScript::Resume(lua_State* thread, const char* func, int arg) {
  if (!thread) return 0;
  func = TextOf(func);
  int status;
  {
    cNamedScriptRun run(thread, m_file.c_str(), func);
    // A protected read: a raising __index of the globals must not escape.
    status = PushGlobal(thread, func, std::strlen(func));
    if (status == 0) {
      lua_pushnumber(thread, arg);
      status = lua_resume(thread, 1);
    }
  }
  if (status == 0 || status == LUA_YIELD) return 1;
  lua_report_error(status, thread, m_file.c_str(), func);
  return 0;
}

int my_lua_resume(lua_State*& thread) {
  // Resuming anything but a yielded thread would call whatever its stack
  // holds, or a finished function again.
  if (!thread || lua_status(thread) != LUA_YIELD) return 0;
  int status;
  {
    cScriptRun run(thread);
    status = lua_resume(thread, 0);
  }
  if (status == LUA_YIELD) return 1;
  if (status != 0) lua_report_error(status, thread, "", "");
  thread = nullptr;
  return status == 0 ? 1 : 0;
}
