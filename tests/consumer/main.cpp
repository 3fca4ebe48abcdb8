// Builds against the installed package: library headers, luabind through the
// library, and a log channel found by name.
#include <luabind/luabind.hpp>
#include <spdlog/spdlog.h>

#include <lua.hpp>

#include "tickbase/tickbase.h"

namespace {
int Twice(int x) { return 2 * x; }
}  // namespace

int main() {
  lua_State* L = luaL_newstate();
  luabind::open(L);
  luabind::module(L)[luabind::def("Twice", &Twice)];
  const int loaded = luaL_dostring(L, "result = Twice(21)");
  const int result = luabind::object_cast<int>(luabind::globals(L)["result"]);
  lua_close(L);
  OutputColor("/gconsumer linked");
  return loaded == 0 && result == 42 && spdlog::get("script.error") ? 0 : 1;
}
