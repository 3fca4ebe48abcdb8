#include "tickbase/script/script_loader.h"

#include <cstring>
#include <iostream>
#include <lua.hpp>
#include <memory>
#include <string>

#include "tickbase/diag/console.h"
#include "tickbase/script/lua_boundary.h"
#include "tickbase/script/pack_file.h"
#include "tickbase/script/script_context.h"
#include "tickbase/script/script_helpers.h"
#include "tickbase/script/script_manager.h"
#include "tickbase/script/script_run.h"

int lua_os_dofile(lua_State* L);

namespace {

// Callers that only know that loading or running failed report it as a
// runtime error; the error value on the stack says what went wrong.
int LoadAndRunFailed(lua_State* L, const char* script, const char* func) {
  lua_report_error(LUA_ERRRUN, L, script, func);
  return 1;
}

int PackDofile(lua_State* L, const char* file) {
  const std::string& zip = cScriptManager::Instance().GetZip();
  cPackFile reader(zip.c_str());
  if (!reader.Open(file)) {
    std::cout << ColorRed << "my_lua_dofile " << file << " not found in the zip " << zip
              << std::endl
              << ColorWhite;
    return -1;
  }
  const size_t size = reader.GetLength();
  const size_t limit = cScriptManager::Instance().GetZipEntryLimit();
  if (reader.FromPackage() && size > limit) {
    // Refused from its recorded size: nothing is allocated or inflated.
    const std::string text = std::string(file) + " in the zip " + zip + " is " +
                             std::to_string(size) + " bytes, over the limit of " +
                             std::to_string(limit);
    lua_pushlstring(L, text.data(), text.size());
    return LoadAndRunFailed(L, file, "");
  }
  std::unique_ptr<char[]> buffer(new char[size + 1]);
  if (!reader.Read(buffer.get(), size)) {
    // Running what little could be read would hide a corrupt package.
    lua_pushfstring(L, "cannot read %s from the zip %s", file, zip.c_str());
    return LoadAndRunFailed(L, file, "");
  }
  buffer[size] = '\0';
  // Run as a string: the text ends at its first zero byte.
  return lua_dostring(L, file, buffer.get());
}

// lua_os_dofile's body; runs inside LuaBoundary.
int OsDofile(lua_State* L) {
  if (lua_gettop(L) != 1 || !lua_isstring(L, 1)) return 0;
  std::string name = lua_tostring(L, 1);
  if (!EndsWith(name, ".lua")) name += ".lua";
  my_lua_dofile(L, name.c_str());
  return 0;
}

Tlua_Funcs g_osFuncs[] = {
    {"require", &lua_os_dofile},
    {"dofile", &lua_os_dofile},
    {"", nullptr},
};

}  // namespace

int lua_dofile(lua_State* L, const char* file) {
  file = TextOf(file);  // a null name would make Lua read standard input
  cScriptRun run(L);
  if (luaL_loadfile(L, file) != 0 || lua_pcall(L, 0, 0, 0) != 0) {
    return LoadAndRunFailed(L, file, "");
  }
  return 0;
}

int lua_dostring(lua_State* L, const char* name, const char* code) {
  code = TextOf(code);
  cScriptRun run(L);
  if (luaL_loadstring(L, code) != 0 || lua_pcall(L, 0, 0, 0) != 0) {
    return LoadAndRunFailed(L, name, code);
  }
  return 0;
}

int my_lua_dofile(lua_State* L, const char* file) {
  if (!cScriptManager::Instance().IsPack()) return lua_dofile(L, file);
  return PackDofile(L, TextOf(file));
}

int my_lua_requre(lua_State* L, const char* file) { return my_lua_dofile(L, file); }

int lua_os_dofile(lua_State* L) { return LuaBoundary(L, &OsDofile); }

void RegisterScript(lua_State* L, const Tlua_Funcs* funcs) {
  if (!funcs) return;
  for (const Tlua_Funcs* row = funcs; row->name && row->name[0] && row->func; ++row) {
    lua_pushcclosure(L, row->func, 0);
    lua_setfield(L, LUA_GLOBALSINDEX, row->name);
  }
}

Tlua_Funcs* GetOSFuncs() { return g_osFuncs; }
