// KLuaScript: set-up, loading and code strings. Calls and results are in
// lua_script_call.cpp.
#include "tickbase/script/lua_script.h"

#include <cstring>
#include <exception>
#include <iostream>
#include <lua.hpp>
#include <luabind/luabind.hpp>

#include "tickbase/diag/console.h"
#include "tickbase/platform/files.h"
#include "tickbase/script/current_script.h"
#include "tickbase/script/script_context.h"
#include "tickbase/script/script_helpers.h"
#include "tickbase/script/script_loader.h"
#include "tickbase/script/script_manager.h"
#include "tickbase/script/script_run.h"

void Script_InitScript(lua_State* L, ScriptBindFunc bind) {
  luaL_openlibs(L);
#ifdef LUAJIT_VERSION
  // Compiled loops never see the hooks by which the interrupt and the
  // watchdog stop a script that does not return: scripts run interpreted.
  // After the libraries: opening "jit" turns the compiler on.
  luaJIT_setmode(L, 0, LUAJIT_MODE_ENGINE | LUAJIT_MODE_OFF);
#endif
  luabind::open(L);
  if (bind) bind(L);
  cScriptManager::Instance().BindOSScript(L);
}

KLuaScript::KLuaScript() : m_threadFlag(false), m_L(nullptr) {}

KLuaScript::~KLuaScript() { CloseState(); }

void KLuaScript::CloseState() {
  if (!m_L) return;
  lua_close(m_L);
  m_L = nullptr;
}

void KLuaScript::InitScript(ScriptBindFunc bind) {
  CloseState();
  m_L = luaL_newstate();
  if (!m_L) return;
  try {
    Script_InitScript(m_L, bind);
  } catch (...) {
    CloseState();
    throw;
  }
  m_threadFlag = false;
}

int KLuaScript::NewScript(const char* name, ScriptBindFunc bind) {
  m_file = TextOf(name);
  InitScript(bind);
  return IsValid();
}

int KLuaScript::LoadScript(const char* name, ScriptBindFunc bind) {
  m_file = TextOf(name);
  // A name that already ends in "lua" (case-sensitive) is a path of its own.
  const CString path =
      EndsWith(m_file, "lua") ? m_file : cScriptManager::Instance().GetPath() + m_file + ".lua";
  return LoadRawScript(path, bind);
}

int KLuaScript::LoadRawScript(const CString& path, ScriptBindFunc bind) {
  if (!cScriptManager::Instance().IsPack() && !platform::FileExists(path)) {
    CloseState();
    std::cout << ColorRed << "script file : " << path << " not found!" << std::endl << ColorWhite;
    return 0;
  }
  try {
    InitScript(bind);
    if (!m_L) return 0;
    if (my_lua_dofile(m_L, path.c_str()) != 0) {
      CloseState();
      return 0;
    }
    return 1;
  } catch (...) {
    CloseState();
    cScriptManager::Instance().ScriptError("file: " + m_file + " load errors!");
    throw;
  }
}

int KLuaScript::DoString(const char* code) { return _DoString(code, 0); }

int KLuaScript::DoString1(const char* code) { return _DoString(code, 1); }

int KLuaScript::_DoString(const char* code, int nresults) {
  if (!m_L) return NoState("_DoString");
  code = TextOf(code);
  try {
    cCallNames names(m_file, code);
    cScriptRun run(m_L);
    if (luaL_loadstring(m_L, code) != 0 || lua_pcall(m_L, 0, nresults, 0) != 0) {
      lua_report_error(LUA_ERRRUN, m_L, m_file.c_str(), code);
      return 0;
    }
    return 1;
  } catch (...) {
    cScriptManager::Instance().ScriptError(std::string("cmd: ") + code + " error!");
    throw;
  }
}

int KLuaScript::DoCmd(const char* cmd) {
  if (!cmd) return 0;
  const char* paren = std::strchr(cmd, '(');
  if (!paren) return 0;
  // No trimming: " Foo(1)" names the global " Foo".
  const std::string name(cmd, paren);
  if (HaveFunction(name.c_str()) != 1) return 0;
  return _DoString(cmd, 0);
}

int KLuaScript::TestScript(const char* file) {
  if (!m_L) {
    NoState("TestScript");
    return 1;
  }
  file = TextOf(file);
  try {
    cScriptRun run(m_L);
    if (luaL_loadfile(m_L, file) != 0 || lua_pcall(m_L, 0, 0, 0) != 0) {
      lua_report_error(LUA_ERRRUN, m_L, file, "");
      return 1;
    }
    return 0;
  } catch (const std::exception& e) {
    return TestScriptThrew(e.what());
  } catch (...) {
    return TestScriptThrew("unknown exception");
  }
}

int KLuaScript::TestScriptThrew(const char* reason) {
  // The exception crossed Lua's frames, so the state cannot be trusted.
  CloseState();
  std::cout << ColorRed << "file: " << m_file << " load error " << reason << "!" << std::endl
            << ColorWhite;
  return -1;
}

int KLuaScript::NoState(const char* operation) {
  return cScriptManager::Instance().ScriptError(std::string("KLuaScript::") + operation +
                                                " file: " + m_file + " has no lua state");
}
