#include "tickbase/script/script_yield.h"

#include <gtest/gtest.h>

#include <lua.hpp>
#include <string>
#include <vector>

#include "script/timed_script_fixture.h"
#include "tickbase/script/script_manager.h"

namespace {

using Strings = std::vector<std::string>;

std::string Param(lua_State* L) { return std::to_string(reinterpret_cast<std::uintptr_t>(L)); }

class YieldTest : public TimedScriptTest {
 protected:
  // NewThread of func in script file with arg; expects a thread.
  lua_State* Start(const char* file, const char* func, int arg = 0) {
    int ref = -1;
    lua_State* co = Manager().NewThread(file, func, ref, arg);
    EXPECT_NE(co, nullptr);
    EXPECT_GE(ref, 0);
    return co;
  }
};

}  // namespace

TEST_F(YieldTest, TwoSleepsTraceEachPauseAndWakeUp) {
  Write("script/co.lua", "function F(n) Record('start ' .. n) YieldSleep(100) Record('one') "
                         "YieldSleep(100) Record('two') end");
  ChannelCapture yield("script.yield");
  lua_State* co = Start("co", "F", 7);
  EXPECT_EQ(lua_status(co), LUA_YIELD);
  EXPECT_EQ(Records(), Strings{"start 7"});
  Tick(50);
  Tick(49);
  EXPECT_EQ(Records(), Strings{"start 7"});
  Tick(1);
  EXPECT_EQ(Records(), (Strings{"start 7", "one"}));
  Tick(99);
  EXPECT_EQ(Records().size(), 2u);
  Tick(1);
  EXPECT_EQ(Records(), (Strings{"start 7", "one", "two"}));
  EXPECT_EQ(lua_status(co), 0);
  // Started by the host outside any script call: the recorded file is "".
  const std::string sleep = "cScriptYieldTimer::AddYieldSleep " + Param(co) + " 100 ";
  const std::string wake = "cScriptYieldTimer::OnTimer  timer " + Param(co);
  EXPECT_EQ(yield.messages(), (Strings{sleep, wake, sleep, "ok", wake, "ok"}));
  // The entry outlives the finished coroutine until it is cleared.
  EXPECT_TRUE(cScriptYieldTimer::Instance().ClearThread(co));
  EXPECT_FALSE(cScriptYieldTimer::Instance().ClearThread(co));
}

TEST_F(YieldTest, ClearThreadCancelsTheWakeUp) {
  Write("script/co.lua",
        "function F() co = coroutine.running() YieldSleep(100) Record('woke') end\n"
        "function Cancel() ClearThread(co) ClearThread(5) ClearThread(coroutine.create(F)) end");
  lua_State* co = Start("co", "F");
  ChannelCapture yield("script.yield");
  EXPECT_EQ(Script("co")->CallFunction("Cancel", 0), 1);
  Tick(100);
  Tick(100);
  EXPECT_TRUE(Records().empty());
  EXPECT_TRUE(yield.messages().empty());
  EXPECT_EQ(lua_status(co), LUA_YIELD);  // stopped for good, not ended
  EXPECT_FALSE(cScriptYieldTimer::Instance().ClearThread(co));
}

TEST_F(YieldTest, SleepsTakeNumbersNumericStringsAndFractions) {
  Write("script/co.lua",
        "function S() YieldSleep('50') Record('string') end\n"
        "function N() YieldSleep(2.9) Record('fraction') end\n"
        "function Bad() YieldSleep(nil) Record('no pause') YieldSleep({}) Record('again') end");
  Start("co", "S");
  Start("co", "N");
  {
    ColorCapture colors;
    Start("co", "Bad");
    EXPECT_EQ(colors.runs(), (std::vector<std::pair<WORD, std::string>>{
                                 {12, "YieldSleep param error\nYieldSleep param error\n"}}));
  }
  EXPECT_EQ(Records(), (Strings{"no pause", "again"}));
  Tick(1);
  EXPECT_EQ(Records().size(), 2u);
  Tick(1);
  EXPECT_EQ(Records().back(), "fraction");
  Tick(47);
  EXPECT_EQ(Records().size(), 3u);
  Tick(1);
  EXPECT_EQ(Records().back(), "string");
}

TEST_F(YieldTest, SleepOutsideACoroutineFailsAndItsWakeUpDoesNothing) {
  Write("script/main.lua", "function G() YieldSleep(10) Record('after') end");
  ChannelCapture yield("script.yield");
  KLuaScript* script = Script("main");
  EXPECT_EQ(script->CallFunction("G", 0), 0);
  const std::string out = Out();
  EXPECT_NE(out.find("attempt to yield across "), std::string::npos) << out;
  EXPECT_TRUE(Records().empty());
  Tick(10);
  Tick(10);
  EXPECT_TRUE(Records().empty());
  ASSERT_EQ(yield.messages().size(), 1u);  // the pause only
  // The wake-up dropped the main thread's entry.
  EXPECT_FALSE(cScriptYieldTimer::Instance().ClearThread(script->GetLua()));
  EXPECT_EQ(script->CallFunction("G", 0), 0);  // the state is still sound
}

TEST_F(YieldTest, AnErrorAfterAWakeUpIsReportedWithoutNames) {
  Write("script/co.lua", "function F() YieldSleep(10) error('boom', 0) end");
  lua_State* co = Start("co", "F");
  ChannelCapture yield("script.yield");
  ChannelCapture errors("script.error");
  Take();
  Tick(10);
  EXPECT_EQ(Out(), "script [] func [] error : \nboom\n");
  EXPECT_EQ(errors.messages(), (Strings{"script [] func [] error : \n", "boom\n"}));
  EXPECT_EQ(yield.messages(), (Strings{"cScriptYieldTimer::OnTimer  timer " + Param(co), "ok"}));
  EXPECT_EQ(lua_status(co), LUA_ERRRUN);
  Tick(10);
  EXPECT_EQ(yield.messages().size(), 2u);
}

TEST_F(YieldTest, AWokenCoroutineRunsUnderTheFileOfItsPause) {
  // The coroutine is only a local of Start: the pause alone keeps it alive.
  Write("script/ctx.lua",
        "function Start() local co = coroutine.create(function() YieldSleep(10) "
        "RecordContext() CrashReport() end) coroutine.resume(co) end");
  KLuaScript* script = Script("ctx");
  ASSERT_EQ(script->CallFunction("Start", 0), 1);
  lua_gc(script->GetLua(), LUA_GCCOLLECT, 0);
  Tick(10);
  ASSERT_EQ(Records().size(), 2u);
  EXPECT_EQ(Records()[0], "ctx|");
  // Crash reports name the owner and the script of the running wake-up.
  EXPECT_NE(Records()[1].find("cur itimerobj cScriptYieldTimer::cStateTimer timer "),
            std::string::npos);
  EXPECT_NE(Records()[1].find("cScriptYieldTimer thread "), std::string::npos);
  EXPECT_NE(Records()[1].find(" file ctx"), std::string::npos);
}

TEST_F(YieldTest, APausedThreadOutlivesItsReleasedReference) {
  Write("script/co.lua", "function F() YieldSleep(10) Record('woke') YieldSleep(10) "
                         "Record('again') end");
  int ref = LUA_NOREF;
  lua_State* co = Manager().NewThread("co", "F", ref, 0);
  ASSERT_NE(co, nullptr);
  lua_State* L = Script("co")->GetLua();
  luaL_unref(L, LUA_REGISTRYINDEX, ref);
  lua_gc(L, LUA_GCCOLLECT, 0);
  Tick(10);
  lua_gc(L, LUA_GCCOLLECT, 0);
  Tick(10);
  EXPECT_EQ(Records(), (Strings{"woke", "again"}));
}

TEST_F(YieldTest, NewThreadReportsMissingScriptsAndFunctions) {
  Write("script/co.lua", "x = 1");
  int ref = 12345;
  EXPECT_EQ(Manager().NewThread("none", "F", ref, 0), nullptr);
  EXPECT_EQ(ref, 12345);
  EXPECT_NE(Take().find("script none not find \n"), std::string::npos);
  EXPECT_EQ(Manager().NewThread("co", "Missing", ref, 0), nullptr);
  EXPECT_NE(Take().find("script [co] func [Missing] error : \n"), std::string::npos);
  KLuaScript* script = Script("co");
  EXPECT_TRUE(script->GetThreadFlag());
  lua_rawgeti(script->GetLua(), LUA_REGISTRYINDEX, ref);
  EXPECT_EQ(lua_type(script->GetLua(), -1), LUA_TTHREAD);
  lua_pop(script->GetLua(), 1);
}

TEST_F(YieldTest, ClosedStatesTakeTheirWakeUpsAlong) {
  Write("script/co.lua", "function F(n) YieldSleep(n) Record('woke ' .. n) end\n"
                         "function Loop() while true do YieldSleep(1) end end");
  for (int i = 0; i < 20; ++i) Start("co", "F", 50);
  Start("co", "Loop");
  Manager().ReloadAll();  // retired, still alive
  Tick(1);
  Manager().Destroy();
  ChannelCapture yield("script.yield");
  // New threads may reuse the freed addresses; only their own timers count.
  for (int i = 0; i < 20; ++i) Start("co", "F", 100);
  Tick(49);
  Tick(1);
  EXPECT_TRUE(Records().empty());
  Tick(50);
  EXPECT_EQ(Records(), Strings(20, "woke 100"));
  EXPECT_EQ(yield.messages().size(), 20u * 3);
}
