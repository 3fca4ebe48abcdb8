#include "script/timed_script_fixture.h"

#include <iostream>
#include <lua.hpp>
#include <luabind/luabind.hpp>
#include <sstream>

#include "tickbase/script/script_common.h"
#include "tickbase/script/script_yield.h"
#include "tickbase/timer/timer_manager.h"

namespace {

void CrashReport() {
  std::ostringstream os;
  cTimerManager::Instance().ReportCrashToStream(os);
  Records().push_back(os.str());
}

}  // namespace

void TimedBind(lua_State* L) {
  TestBind(L);
  // luabind would add the common SetColor as an overload of TestBind's.
  lua_pushnil(L);
  lua_setglobal(L, "SetColor");
  BindScriptCommon(L);
  RegisterFunc_Yield(L);
  luabind::module(L)[luabind::def("CrashReport", &CrashReport)];
}

ColorCapture::ColorCapture() : m_old(std::cout.rdbuf(this)) {}

ColorCapture::~ColorCapture() { std::cout.rdbuf(m_old); }

int ColorCapture::overflow(int c) {
  if (c == traits_type::eof()) return 0;
  const WORD color = ConsoleAttributes() & 0x0F;
  if (m_runs.empty() || m_runs.back().first != color) m_runs.emplace_back(color, std::string());
  m_runs.back().second.push_back(static_cast<char>(c));
  return c;
}

void TimedScriptTest::SetUp() {
  ScriptTest::SetUp();
  Manager().BindScript(&TimedBind);
  // The manager's clocks may still hold a previous test's values.
  cTimerManager::Instance().RefreshTime();
}

void TimedScriptTest::TearDown() {
  Manager().CreateScript("no_scripts_here");
  RunScriptTestFolder("none");  // empties the test queue
  for (int i = 0; i < 3; ++i) Tick(1000000);
  Manager().Destroy();
  ScriptTest::TearDown();
}

void TimedScriptTest::Tick(std::uint32_t ms) {
  m_clocks.Advance(ms);
  cTimerManager::Instance().Run(ms);
}

KLuaScript* TimedScriptTest::Script(const char* name) {
  KLuaScript* script = Manager().GetScript(name);
  EXPECT_NE(script, nullptr) << name;
  return script;
}
