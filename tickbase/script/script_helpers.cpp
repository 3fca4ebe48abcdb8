#include "tickbase/script/script_helpers.h"

#include <lua.hpp>

#include "tickbase/script/script_run.h"

namespace {

// Runs under lua_pcall with the name as its one argument.
int ReadGlobal(lua_State* L) {
  lua_gettable(L, LUA_GLOBALSINDEX);
  return 1;
}

}  // namespace

bool TopErrorText(lua_State* L, std::string* text) {
  if (!L || lua_gettop(L) == 0 || !lua_isstring(L, -1)) return false;
  if (lua_type(L, -1) == LUA_TSTRING) {
    size_t len = 0;
    const char* s = lua_tolstring(L, -1, &len);
    text->assign(s, len);
    return true;
  }
  // lua_tolstring converts a number in place; convert a copy instead. The
  // stack has room: a failed call leaves spare slots above its error value.
  if (!lua_checkstack(L, 1)) return false;
  lua_pushvalue(L, -1);
  size_t len = 0;
  const char* s = lua_tolstring(L, -1, &len);
  text->assign(s, len);
  lua_pop(L, 1);
  return true;
}

int PushGlobalSlow(lua_State* L, const char* name, size_t length, bool read) {
  if (!read) {
    if (!lua_checkstack(L, 3)) return LUA_ERRMEM;
    lua_pushlstring(L, name, length);
    lua_rawget(L, LUA_GLOBALSINDEX);
    if (!lua_isnil(L, -1)) return 0;
  }
  if (!lua_getmetatable(L, LUA_GLOBALSINDEX)) return 0;
  lua_pop(L, 2);  // the metatable and the nil
  lua_pushcfunction(L, &ReadGlobal);
  lua_pushlstring(L, name, length);
  cScriptRun run(L);  // __index is script code
  return lua_pcall(L, 1, 1, 0);
}

cKeepTop::cKeepTop(lua_State* L) : m_L(L), m_top(lua_gettop(L)) {}

cKeepTop::~cKeepTop() { lua_settop(m_L, m_top); }
