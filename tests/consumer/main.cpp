// Builds against the installed package: library headers, luabind through the
// library, a log channel found by name, and the clocks driven as a test would.
#include <luabind/luabind.hpp>
#include <spdlog/spdlog.h>

#include <lua.hpp>

#include "tickbase/platform/clock_test_helper.h"
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
  platform::SetClocks([] { return 0xFFFFFFF0u; }, [] { return 1000L; });
  cTimerManager::Instance().RefreshTime();
  const bool driven = GetMSTime() == 0xFFFFFFF0u && GetSTime() == 1000;
  platform::SetClocks(nullptr, nullptr);
  return loaded == 0 && result == 42 && driven && spdlog::get("script.error") ? 0 : 1;
}
