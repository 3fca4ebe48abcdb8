#include "tickbase/script/script_interrupt.h"

#include <gtest/gtest.h>

#include <lua.hpp>
#include <luabind/luabind.hpp>
#include <string>
#include <vector>

#include "script/timed_script_fixture.h"

namespace {

using Strings = std::vector<std::string>;

ScopedClocks* g_clocks = nullptr;

// Interrupt() stands for a signal arriving while the script runs; Advance(ms)
// moves the injected clocks as a long computation would.
void InterruptBind(lua_State* L) {
  TimedBind(L);
  luabind::module(L)[luabind::def("Interrupt", &InterruptScripts),
                     luabind::def("Advance", +[](int ms) { g_clocks->Advance(ms); })];
}

class InterruptTest : public TimedScriptTest {
 protected:
  void SetUp() override {
    TimedScriptTest::SetUp();
    g_clocks = &m_clocks;
    Manager().BindScript(&InterruptBind);
  }
  void TearDown() override {
    ClearScriptInterrupt();
    SetScriptWatchdog(0);
    TimedScriptTest::TearDown();
  }
};

}  // namespace

// An interrupt stops the running script (pcall cannot hold it, and a script
// running another stops too) and later calls until cleared; the watchdog
// stops calls and wake-ups that run too long, each call on its own time.
TEST_F(InterruptTest, InterruptsAndTheWatchdogStopScriptsThatNeverReturn) {
  Write("script/t.lua",
        "function spin() Interrupt() while true do end end\n"
        "function swallow() Interrupt() while true do pcall(function() while true do end end) end end\n"
        "function outer() RunScript('u', 'spin') Record('never') while true do end end\n"
        "function ok() Record('ok') end\n"
        "function slow() while true do Advance(1) end end\n"
        "function fine() Advance(100) Record('fine') end\n"
        "function co() Record('asleep') YieldSleep(10) slow() end");
  Write("script/u.lua", "function spin() Interrupt() while true do end end");
  KLuaScript* t = Script("t");
  Take();
  EXPECT_EQ(t->CallFunction("spin", 0), 0);
  EXPECT_EQ(Take(), "file: t call: spin \nerror: script/t.lua:1: script t func spin interrupted\n\n");
  EXPECT_TRUE(ScriptsInterrupted());
  EXPECT_EQ(t->CallFunction("ok", 0), 0);  // refused until cleared
  ClearScriptInterrupt();
  EXPECT_EQ(t->CallFunction("ok", 0), 1);
  EXPECT_EQ(t->CallFunction("swallow", 0), 0);
  ClearScriptInterrupt();
  Script("u");
  Take();
  EXPECT_EQ(t->CallFunction("outer", 0), 0);
  EXPECT_NE(Take().find("error: script/u.lua:1: script u func spin interrupted\n\n"
                        "func_RunScriptFileFunc u func spin end \nfile: t call: outer \n"
                        "error: script/t.lua:3: script t func outer interrupted\n"),
            std::string::npos);
  ClearScriptInterrupt();

  SetScriptWatchdog(100);
  EXPECT_EQ(t->CallFunction("slow", 0), 0);
  EXPECT_EQ(Take(), "file: t call: slow \nerror: script/t.lua:5: script t func slow ran longer than "
                    "100 ms\n\n");
  EXPECT_EQ(t->CallFunction("fine", 0), 1);
  int ref = 0;
  ASSERT_NE(Manager().NewThread("t", "co", ref, 0), nullptr);
  Tick(10);  // the wake-up runs too long, is reported, and the tick goes on
  EXPECT_EQ(Take(), "script [] func [] error : \nscript/t.lua:5: script script/t.lua func slow ran "
                    "longer than 100 ms\n");
  EXPECT_EQ(Records(), (Strings{"ok", "fine", "asleep"}));
  EXPECT_EQ(GetScriptWatchdog(), 100u);
}
