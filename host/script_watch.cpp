#include "script_watch.h"

#include <algorithm>
#include <iostream>

#include "tickbase/tickbase.h"

#include <lua.hpp>

namespace {

// Empty when path compiles, else Lua's message.
std::string CompileError(const std::string& path) {
  lua_State* L = luaL_newstate();
  if (!L) return "no memory for a Lua state";
  std::string error;
  if (luaL_loadfile(L, path.c_str()) != 0) {
    const char* text = lua_tostring(L, -1);
    error = text ? text : "unknown error";
  }
  lua_close(L);
  return error;
}

bool IsScript(const std::string& path) {
  return path.size() > 4 && path.compare(path.size() - 4, 4, ".lua") == 0;
}

}  // namespace

bool cScriptWatch::Open(const std::string& dir, std::string* error) {
  return m_changes.Open(dir, error);
}

void cScriptWatch::Poll() {
  std::vector<std::string> changed = m_changes.Take();
  changed.erase(std::remove_if(changed.begin(), changed.end(),
                               [](const std::string& path) { return !IsScript(path); }),
                changed.end());
  if (changed.empty()) return;
  bool compiles = true;
  for (const std::string& path : changed) {
    const std::string error = CompileError(path);
    if (error.empty()) continue;
    compiles = false;
    std::cout << "tickbase-host: " << path << " does not compile, the running scripts are kept: "
              << error << std::endl;
  }
  if (!compiles) return;
  for (const std::string& path : changed) {
    std::cout << "tickbase-host: " << path << " changed, reloading the scripts" << std::endl;
  }
  ReloadAll();
}
