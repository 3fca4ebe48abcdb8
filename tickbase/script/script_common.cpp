#include "tickbase/script/script_common.h"

#include <iostream>
#include <string>
#include <lua.hpp>
#include <luabind/luabind.hpp>

#include "tickbase/diag/colors.h"
#include "tickbase/diag/console.h"
#include "tickbase/diag/report.h"
#include "tickbase/platform/clock.h"
#include "tickbase/script/deferred_call.h"
#include "tickbase/script/script_context.h"
#include "tickbase/script/script_helpers.h"
#include "tickbase/script/script_manager.h"
#include "tickbase/script/script_print.h"
#include "tickbase/script/script_runner.h"
#include "tickbase/script/script_test_runner.h"

namespace {

// Banners in code page 936 (GBK). "【test】": full-width brackets around
// the word.
constexpr char kTestLabel[] = "\xA1\xBE" "test" "\xA1\xBF";
// "【游戏测试】开始了": "[game test] has started".
constexpr char kGameTestStarted[] =
    "\xA1\xBE\xD3\xCE\xCF\xB7\xB2\xE2\xCA\xD4\xA1\xBF\xBF\xAA\xCA\xBC\xC1\xCB";
// "【游戏测试】结束了": "[game test] has ended".
constexpr char kGameTestEnded[] =
    "\xA1\xBE\xD3\xCE\xCF\xB7\xB2\xE2\xCA\xD4\xA1\xBF\xBD\xE1\xCA\xF8\xC1\xCB";

// Blocks the host's thread, and with it every timer and script.
void MySleep(int ms) {
  if (RoutineTracesShown()) std::cout << "func_MySleep " << ms << std::endl;
  // A negative delay would become a wait of about 49 days.
  platform::Sleep(ms < 0 ? 0 : static_cast<DWORD>(ms));
}

void Assert(bool condition, const char* text) {
  if (condition) return;
  cColorScope color(kColorError, kColorNormal, std::cout);
  std::cout << "ASSERT false for " << TextOf(text) << std::endl;
}

void StartTest(const char* name) {
  cColorScope color(kColorHeader, kColorNormal, std::cout);
  std::cout << kTestLabel << TextOf(name) << " start " << std::endl;
}

void EndTest(const char* name) {
  cColorScope color(kColorHeader, kColorNormal, std::cout);
  std::cout << kTestLabel << TextOf(name) << " end " << std::endl;
}

void StartGameTest() {
  cColorScope color(kColorHeader, kColorNormal, std::cout);
  std::cout << std::endl << kGameTestStarted << std::endl << std::endl;
}

void EndGameTest() {
  cColorScope color(kColorHeader, kColorNormal, std::cout);
  std::cout << std::endl << kGameTestEnded << std::endl << std::endl;
  RunNextTest();
}

void TraceAllScriptFiles() {
  std::cout << "func_TraceAllScriptFiles " << std::endl;
  cScriptManager::Instance().TraceAllScriptFiles();
}

void TraceGC() { cScriptManager::Instance().TraceGC(std::cout); }

// The script functions that run other scripts take the calling state: an
// error raised for another state (its Clear failed) or by the nesting limit
// becomes the caller's Lua error with the real message. Left to luabind,
// the caller would raise whatever lies on top of its own stack.
template <class F>
auto ForCaller(lua_State* L, F&& run) -> decltype(run()) {
  std::string message;
  try {
    return run();
  } catch (const luabind::error& e) {
    lua_State* from = e.state();
    if (!from || from == L) throw;  // the message is on L already
    if (TopErrorText(from, &message)) {
      lua_pop(from, 1);
    } else {
      message = e.what();
    }
  } catch (const cScriptNestingError& e) {
    message = e.what();
  }
  lua_pushlstring(L, message.data(), message.size());
  throw luabind::error(L);
}

bool ScriptRunScript(lua_State* L, const char* file, const char* func) {
  return ForCaller(L, [&] { return RunScriptFileFunc(file, func); });
}
void ScriptRunScriptString(lua_State* L, const char* file, const char* code) {
  ForCaller(L, [&] { RunScriptFileString(file, code); });
}
void ScriptRunScriptStr(lua_State* L, const char* code) {
  ForCaller(L, [&] { RunScriptString(code); });
}
void ScriptRunScriptTest(lua_State* L, const char* file, const char* func) {
  ForCaller(L, [&] { RunScriptTestFunc(file, func); });
}
void ScriptReloadAll(lua_State* L) {
  ForCaller(L, [] { ReloadAll(); });
}

void SetGlobalFunction(lua_State* L, const char* name, lua_CFunction f) {
  lua_pushcclosure(L, f, 0);
  lua_setfield(L, LUA_GLOBALSINDEX, name);
}

}  // namespace

void BindScriptCommon(lua_State* L) {
  using luabind::def;
  // Windows' GDI has a SetBkColor of its own.
  void (*const setBkColor)(const char*) = &SetBkColor;
  luabind::module(L)[def("FileName", &FileName), def("MD5", &GetMD5Str),
                     def("FuncName", &FuncName), def("SetColor", &SetColor),
                     def("SetBkColor", setBkColor), def("Sleep", &MySleep),
                     def("CoSleep", &CoSleep), def("Assert", &Assert),
                     def("StartTest", &StartTest), def("EndTest", &EndTest),
                     def("StartGameTest", &StartGameTest), def("EndGameTest", &EndGameTest),
                     def("TraceAllScriptFiles", &TraceAllScriptFiles),
                     def("ReloadAll", &ScriptReloadAll), def("RunScript", &ScriptRunScript),
                     def("RunScriptString", &ScriptRunScriptString),
                     def("RunScriptStr", &ScriptRunScriptStr), def("TraceGC", &TraceGC),
                     def("RunScriptTest", &ScriptRunScriptTest),
                     def("RunScriptTestFolder", &RunScriptTestFolder)];
  SetGlobalFunction(L, "Trace", &lua_trace);
  SetGlobalFunction(L, "print", &lua_trace);
  SetGlobalFunction(L, "log", &lua_log);
}

void HelpScriptQuenlet() {}
