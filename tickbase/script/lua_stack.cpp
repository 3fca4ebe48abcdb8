#include "tickbase/script/lua_stack.h"

#include <lua.hpp>

namespace {

// Runs under lua_pcall: argument 1 is the name as light userdata.
int ReadGlobal(lua_State* L) {
  const char* name = static_cast<const char*>(lua_touserdata(L, 1));
  lua_getfield(L, LUA_GLOBALSINDEX, name);
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

int PushGlobal(lua_State* L, const char* name) {
  // Room for the reader, its argument and one call argument pushed later.
  if (!lua_checkstack(L, 3)) return LUA_ERRMEM;
  if (!lua_getmetatable(L, LUA_GLOBALSINDEX)) {
    // A plain table read cannot raise.
    lua_getfield(L, LUA_GLOBALSINDEX, name);
    return 0;
  }
  lua_pop(L, 1);
  lua_pushcfunction(L, &ReadGlobal);
  lua_pushlightuserdata(L, const_cast<char*>(name));
  return lua_pcall(L, 1, 1, 0);
}
