// What the fuzz targets share: Lua states kept from harm and from running
// or growing without bound, and a scratch folder. They silence std::cout
// with CoutCapture (the library's reports are not what a target checks,
// and a terminal is slow).
#ifndef TICKBASE_TESTS_FUZZ_FUZZ_SUPPORT_H_
#define TICKBASE_TESTS_FUZZ_FUZZ_SUPPORT_H_

#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <lua.hpp>
#include <luabind/luabind.hpp>
#include <string>

#include "support/capture.h"
#include "tickbase/script/script_common.h"

namespace fuzz {

// A broken rule is a crash, which libFuzzer reports with the input.
inline void Check(bool ok) {
  if (!ok) std::abort();
}

constexpr std::size_t kLuaMemory = 16u << 20;
constexpr int kLuaSteps = 200000;

struct LuaBudget {
  lua_Alloc alloc = nullptr;
  void* ud = nullptr;
  long long used = 0;
};

inline LuaBudget& Budget() {
  static LuaBudget budget;
  return budget;
}

// Growth past the budget fails, which Lua reports as a memory error; a
// shrink never fails, as Lua requires.
inline void* CappedAlloc(void* ud, void* ptr, std::size_t osize, std::size_t nsize) {
  LuaBudget& b = *static_cast<LuaBudget*>(ud);
  const long long growth = static_cast<long long>(nsize) - static_cast<long long>(osize);
  if (growth > 0 && b.used + growth > static_cast<long long>(kLuaMemory)) return nullptr;
  void* p = b.alloc(b.ud, ptr, osize, nsize);
  if (p != nullptr || nsize == 0) b.used += growth;
  return p;
}

// Caps L's memory (all sandboxed states share one budget) and raises an
// error every kLuaSteps instructions; drops the libraries that reach the
// system (os, io, debug, package).
inline void Sandbox(lua_State* L) {
  LuaBudget& b = Budget();
  void* ud = nullptr;
  const lua_Alloc current = lua_getallocf(L, &ud);
  if (current != CappedAlloc) {
    b.alloc = current;
    b.ud = ud;
    lua_setallocf(L, CappedAlloc, &b);
  }
  lua_sethook(L, [](lua_State* S, lua_Debug*) { luaL_error(S, "instruction limit"); }, LUA_MASKCOUNT, kLuaSteps);
  for (const char* name : {"os", "io", "debug", "package"}) {
    lua_pushnil(L);
    lua_setglobal(L, name);
  }
}

// A state with the standard libraries and luabind, set up by bind.
inline lua_State* NewState(void (*bind)(lua_State*)) {
  lua_State* L = luaL_newstate();
  luaL_openlibs(L);
  luabind::open(L);
  bind(L);
  return L;
}

// The bind function of the script states the targets make: the common
// script functions, sandboxed.
inline void BindSandboxed(lua_State* L) {
  BindScriptCommon(L);
  Sandbox(L);
}

// A fresh folder for this process, made on first call; the working
// directory moves there, so relative file names touch nothing else.
inline const std::string& ScratchDir() {
  static const std::string dir = [] {
    const auto path = std::filesystem::temp_directory_path() / ("tickbase_fuzz_" + std::to_string(::getpid()));
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
    std::filesystem::current_path(path);
    return path.string() + "/";
  }();
  return dir;
}

}  // namespace fuzz

#endif  // TICKBASE_TESTS_FUZZ_FUZZ_SUPPORT_H_
