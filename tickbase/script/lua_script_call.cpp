// KLuaScript: calls of global functions, their results and Clear. Calling a
// script function by name is the host's hot path: nothing here allocates
// unless a call fails.
#include <cstring>
#include <lua.hpp>
#include <luabind/luabind.hpp>
#include <string>

#include "tickbase/script/current_script.h"
#include "tickbase/script/lua_script.h"
#include "tickbase/script/script_context.h"
#include "tickbase/script/script_helpers.h"
#include "tickbase/script/script_manager.h"
#include "tickbase/script/script_run.h"

namespace {

// lua_pcall of the pushed function and arguments with name as the current
// function and file as the current file; returns Lua's status.
int GuardedPcall(lua_State* L, const std::string& file, const char* name, int nargs,
                 int nresults) {
  cCallNames names(file, name);
  cScriptRun run(L);
  return lua_pcall(L, nargs, nresults, 0);
}

}  // namespace

int KLuaScript::Call(const char* name, int nargs, int nresults) {
  if (!m_L) return NoState("Call");
  name = TextOf(name);
  const int status = GuardedPcall(m_L, m_file, name, nargs, nresults);
  return status == 0 ? 1 : CallFailed(name, status);
}

// One body per caller, so the hot path has a single frame.
template <class PushArgs>
int KLuaScript::CallGlobal(const char* name, int nresults, PushArgs pushArgs) {
  name = TextOf(name);
  int status;
  {
    // Named from the start: a raising __index of the globals is the
    // function's own failure.
    cCallNames names(m_file, name);
    status = PushGlobal(m_L, name, names.length());
    if (status == 0) {
      const int nargs = pushArgs(m_L);
      cScriptRun run(m_L);
      status = lua_pcall(m_L, nargs, nresults, 0);
    }
  }
  return status == 0 ? 1 : CallFailed(name, status);
}

int KLuaScript::CallFailed(const char* name, int status) {
  std::string message;
  if (!TopErrorText(m_L, &message)) message = LuaStatusName(status);
  // Console only: this report does not go to "script.error".
  return cScriptManager::Instance().ScriptError("file: " + m_file + " call: " + name +
                                                " \nerror: " + message + "\n");
}

int KLuaScript::CallFunction(const char* name, int nresults) {
  if (!m_L) return NoState("CallFunction");
  return CallGlobal(name, nresults, [](lua_State*) { return 0; });
}

int KLuaScript::CallFunction1(const char* name, int arg, int nresults) {
  if (!m_L) return NoState("CallFunction1");
  return CallGlobal(name, nresults, [arg](lua_State* L) {
    lua_pushnumber(L, arg);
    return 1;
  });
}

int KLuaScript::CallFunction1(const char* name, const char* arg, int nresults) {
  if (!m_L) return NoState("CallFunction1");
  return CallGlobal(name, nresults, [arg](lua_State* L) {
    lua_pushstring(L, arg);  // a null arg passes nil
    return 1;
  });
}

int KLuaScript::HaveFunction(const char* name) {
  if (!m_L || !name) return 0;
  const int top = lua_gettop(m_L);
  const bool found = PushGlobal(m_L, name, std::strlen(name)) == 0 && lua_isfunction(m_L, -1);
  lua_settop(m_L, top);
  return found ? 1 : 0;
}

int KLuaScript::ReturnInt(int& out) {
  if (!m_L || lua_gettop(m_L) == 0) return 0;
  if (lua_isnumber(m_L, -1)) {
    out = TruncateToInt(lua_tonumber(m_L, -1));
  } else if (lua_isboolean(m_L, -1)) {
    out = lua_toboolean(m_L, -1) ? 1 : 0;
  } else {
    return 0;
  }
  lua_pop(m_L, 1);
  return 1;
}

int KLuaScript::ReturnString(std::string& out) {
  if (!m_L || lua_gettop(m_L) == 0 || !lua_isstring(m_L, -1)) return 0;
  size_t len = 0;
  const char* text = lua_tolstring(m_L, -1, &len);
  out.assign(text, len);
  lua_pop(m_L, 1);
  return 1;
}

void KLuaScript::Clear() {
  if (!m_L) return;
  const int top = lua_gettop(m_L);
  if (PushGlobal(m_L, "Clear", 5) != 0 || !lua_isfunction(m_L, -1)) {
    lua_settop(m_L, top);
    return;
  }
  luabind::object clear(luabind::from_stack(m_L, -1));
  lua_settop(m_L, top);
  cScriptRun run(m_L);
  // luabind's protected call throws luabind::error on a Lua error and
  // leaves the message on the stack; the caller gets both.
  luabind::object result = luabind::call_function<luabind::object>(clear);
}
