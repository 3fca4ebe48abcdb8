// The boundary between Lua and the library's own native functions; internal.
//
// Lua 5.1 is C and unwinds its errors with longjmp: a C++ exception must not
// unwind through its frames, and a Lua error must not jump over live C++
// objects. Every lua_CFunction the library registers outside luabind runs
// its body through LuaBoundary, which turns an escaping exception into a Lua
// error raised only after every C++ object of the call is gone. The body
// itself must not raise Lua errors while it holds C++ objects. (LuaJIT
// unwinds both kinds alike, as exceptions.)
#ifndef TICKBASE_SCRIPT_LUA_BOUNDARY_H_
#define TICKBASE_SCRIPT_LUA_BOUNDARY_H_

#include <cstring>
#include <exception>
#include <lua.hpp>
#ifdef LUAJIT_VERSION
#include <cxxabi.h>
#endif

// Runs body(L). An exception escaping it becomes the Lua error
// "C++ exception: <what>" of L.
inline int LuaBoundary(lua_State* L, lua_CFunction body) {
  char message[256];
  try {
    return body(L);
  } catch (const std::exception& e) {
    std::strncpy(message, e.what(), sizeof(message) - 1);
    message[sizeof(message) - 1] = '\0';
  } catch (...) {
#ifdef LUAJIT_VERSION
    // LuaJIT raises its own errors (a refused yield, a memory error) as
    // exceptions foreign to C++: they go on as they are.
    if (!abi::__cxa_current_exception_type()) throw;
#endif
    std::strcpy(message, "unknown exception");
  }
  // The exception object is destroyed; nothing with a destructor is alive.
  return luaL_error(L, "C++ exception: %s", message);
}

#endif  // TICKBASE_SCRIPT_LUA_BOUNDARY_H_
