#include "tickbase/script/script_yield.h"

#include <gtest/gtest.h>
#include <spdlog/details/log_msg_buffer.h>
#include <spdlog/details/null_mutex.h>
#include <spdlog/details/os.h>
#include <spdlog/sinks/base_sink.h>
#include <spdlog/spdlog.h>

#include <chrono>
#include <cstdint>
#include <lua.hpp>
#include <luabind/luabind.hpp>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "script/timed_script_fixture.h"
#include "tickbase/script/script_context.h"
#include "tickbase/script/script_manager.h"
#include "tickbase/timer/timer_manager.h"

namespace {

using Strings = std::vector<std::string>;

constexpr char kSleepTrace[] = "cScriptYieldTimer::AddYieldSleep ";

// The timer parameter that a pause trace names. Where unsigned long holds a
// pointer it is the thread itself; elsewhere a number of its own.
std::string ParamOf(lua_State* co, const std::string& sleepTrace) {
  const std::size_t at = sizeof kSleepTrace - 1;
  const std::string param = sleepTrace.substr(at, sleepTrace.find(' ', at) - at);
  if (sizeof(unsigned long) >= sizeof co) {
    EXPECT_EQ(param, std::to_string(reinterpret_cast<std::uintptr_t>(co)));
  }
  EXPECT_NE(param, "0");
  return param;
}

ScopedClocks* g_clocks = nullptr;

// Advance(ms) moves the injected clocks as a long computation would.
void AdvanceBind(lua_State* L) {
  TimedBind(L);
  luabind::module(L)[luabind::def("Advance", +[](int ms) { g_clocks->Advance(ms); })];
}

// A timer owner of the host that records its firings; a timer of param 20
// comes back once, 10 ms later.
class cMarker : public iTimerObjEx {
 public:
  unsigned long OnTimer(unsigned long param) override {
    Records().push_back("host " + std::to_string(param));
    return param == 20 && m_rearms++ == 0 ? 10 : 0;
  }

 private:
  int m_rearms = 0;
};

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
  ASSERT_FALSE(yield.messages().empty());
  const std::string param = ParamOf(co, yield.messages()[0]);
  const std::string sleep = kSleepTrace + param + " 100 ";
  const std::string wake = "cScriptYieldTimer::OnTimer  timer " + param;
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
  ChannelCapture yield("script.yield");
  lua_State* co = Start("co", "F");
  ChannelCapture errors("script.error");
  Take();
  Tick(10);
  EXPECT_EQ(Out(), "script [] func [] error : \nboom\n");
  EXPECT_EQ(errors.messages(), (Strings{"script [] func [] error : \n", "boom\n"}));
  ASSERT_FALSE(yield.messages().empty());
  const std::string sleep = yield.messages()[0];
  const std::string wake = "cScriptYieldTimer::OnTimer  timer " + ParamOf(co, sleep);
  EXPECT_EQ(yield.messages(), (Strings{sleep, wake, "ok"}));
  EXPECT_EQ(lua_status(co), LUA_ERRRUN);
  Tick(10);
  EXPECT_EQ(yield.messages().size(), 3u);
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
  // Crash reports name the script of the running wake-up.
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

TEST_F(YieldTest, WakeUpsDueTogetherFireInTheOrderOfTheirPausesAmongOtherTimers) {
  Write("script/a.lua", "function T10(n) YieldSleep(10) Record('a' .. n) end\n"
                        "function T20(n) YieldSleep(20) Record('a' .. n) end\n"
                        "function Twice(n) YieldSleep(10) YieldSleep(10) Record('a' .. n) end");
  Write("script/b.lua", "function T10(n) YieldSleep(10) Record('b' .. n) end");
  cMarker host;
  Start("a", "T10", 1);
  Start("a", "T10", 2);
  host.AddTimerNext(TimeRange_MS, 10, 1);
  Start("a", "T10", 3);
  Start("b", "T10", 4);
  Start("a", "T10", 5);
  Start("a", "T20", 6);
  Start("a", "T10", 7);
  Tick(10);
  EXPECT_EQ(Records(), (Strings{"a1", "a2", "host 1", "a3", "b4", "a5", "a7"}));
  Records().clear();
  // a8's second pause is due with a9 but comes after the host's timer that
  // re-arms in the tick that wakes a8.
  Start("a", "T20", 9);
  Start("a", "Twice", 8);
  cTimerManager& manager = cTimerManager::Instance();
  manager._AddTimer(TimeRange_MS, Timer_Map, manager.GetMSTime() + 10, host.GetTimerObj(), 20);
  Tick(10);
  EXPECT_EQ(Records(), (Strings{"a6", "host 20"}));
  Tick(10);
  EXPECT_EQ(Records(), (Strings{"a6", "host 20", "a9", "host 20", "a8"}));
}

TEST_F(YieldTest, EachWakeUpIsTimedAndReportedByItself) {
  g_clocks = &m_clocks;
  Manager().BindScript(&AdvanceBind);
  Write("script/w.lua", "function W(ms) YieldSleep(10) Advance(ms) if ms > 100 then CrashReport() end end");
  Start("w", "W", 60);
  Start("w", "W", 60);
  std::string param;
  {
    ChannelCapture yield("script.yield");
    lua_State* slow = Start("w", "W", 150);
    ASSERT_EQ(yield.messages().size(), 1u);
    param = ParamOf(slow, yield.messages()[0]);
  }
  ChannelCapture timing("quenlet.timererror");
  Tick(10);
  // 270 ms in one run of the map; of its callbacks, only the one slow
  // wake-up is reported, as its own.
  EXPECT_EQ(timing.messages(),
            (Strings{"cTimerObj::OnTimer \xA1\xBE" "costtime\xA1\xBF 150 name "
                     "cScriptYieldTimer::cStateTimer timer " + param,
                     "cScriptYieldTimer thread " + param + " file ",
                     "cService::RunService \xA1\xBE" "costtime\xA1\xBF 270 param Map_MS level 1"}));
  ASSERT_EQ(Records().size(), 1u);
  EXPECT_NE(Records()[0].find("cur itimerobj cScriptYieldTimer::cStateTimer timer " + param + "\n"),
            std::string::npos)
      << Records()[0];
}

TEST_F(YieldTest, TracesFollowTheSleepAndTheFileOfEachPause) {
  Write("script/co.lua", "function F() YieldSleep(10) YieldSleep(20) coroutine.yield() "
                         "YieldSleep(20) end");
  lua_State* co = Start("co", "F");
  Tick(10);
  ChannelCapture yield("script.yield");
  Tick(20);  // to the plain yield
  {
    cBindScriptFile file("other");
    ASSERT_EQ(lua_resume(co, 0), LUA_YIELD);
  }
  Tick(20);
  ASSERT_EQ(yield.messages().size(), 5u);
  const std::string p = ParamOf(co, yield.messages()[2]);
  EXPECT_EQ(yield.messages(),
            (Strings{"cScriptYieldTimer::OnTimer  timer " + p, "ok",
                     "cScriptYieldTimer::AddYieldSleep " + p + " 20 other",
                     "cScriptYieldTimer::OnTimer other timer " + p, "ok"}));
}

namespace {

// Keeps what a channel hands its sinks: the records and the flushes; with
// fail set, each record throws after it is kept.
class RecordingSink : public spdlog::sinks::base_sink<spdlog::details::null_mutex> {
 public:
  std::vector<spdlog::details::log_msg_buffer> records;  // own their texts
  int flushes = 0;
  bool fail = false;

 protected:
  void sink_it_(const spdlog::details::log_msg& msg) override {
    records.emplace_back(msg);
    if (fail) throw std::runtime_error("disk full");
  }
  void flush_() override { ++flushes; }
};

}  // namespace

// Traces are written straight to the sinks, yet as the logger would: named
// and levelled, flushed at its flush level, failures to its error handler,
// and kept in its backtrace.
TEST_F(YieldTest, TracesKeepTheChannelsSettings) {
  Write("script/co.lua", "function F() YieldSleep(10) end");
  std::shared_ptr<spdlog::logger> channel = spdlog::get("script.yield");
  const auto sink = std::make_shared<RecordingSink>();
  ChannelCapture capture("script.yield");
  channel->sinks() = {sink};
  channel->flush_on(spdlog::level::info);
  std::vector<std::string> errors;
  channel->set_error_handler([&errors](const std::string& error) { errors.push_back(error); });
  sink->fail = true;
  Start("co", "F");
  ASSERT_EQ(sink->records.size(), 1u);
  EXPECT_EQ(errors, Strings{"disk full"});
  EXPECT_EQ(sink->flushes, 1);
  const spdlog::details::log_msg& msg = sink->records[0];
  EXPECT_EQ(std::string(msg.logger_name.data(), msg.logger_name.size()), "script.yield");
  EXPECT_EQ(msg.level, spdlog::level::info);
  EXPECT_EQ(msg.thread_id, spdlog::details::os::thread_id());
  EXPECT_NEAR(std::chrono::duration<double>(std::chrono::system_clock::now() - msg.time).count(), 0, 1);
  sink->fail = false;
  channel->enable_backtrace(4);
  Tick(10);
  EXPECT_EQ(sink->records.size(), 3u);
  channel->dump_backtrace();
  channel->disable_backtrace();
  channel->set_error_handler(nullptr);
  channel->flush_on(spdlog::level::off);
  // The dump is framed by two lines of its own.
  ASSERT_EQ(sink->records.size(), 7u);
  EXPECT_EQ(std::string(sink->records[5].payload.data(), sink->records[5].payload.size()), "ok");
}

// Lines written with only library code between them may share one reading
// of the log clock; a line written after script code ran never carries a
// reading taken before it. Each coroutine below runs for 50 ms of CPU time
// (so at least as long on the wall clock) after its wake-up: A then ends, B
// pauses, C ends after a pause that could not yield.
TEST_F(YieldTest, TraceTimesFollowTheScriptCodeBetweenThem) {
  Write("script/co.lua",
        "function Long() local t = os.clock() while os.clock() - t < 0.05 do end end\n"
        "function A() YieldSleep(10) Long() end\n"
        "function B() YieldSleep(10) Long() YieldSleep(10) end\n"
        "function C() YieldSleep(10) "
        "pcall(table.sort, {1, 2}, function(x, y) YieldSleep(1) return x < y end) Long() end\n");
  std::shared_ptr<spdlog::logger> channel = spdlog::get("script.yield");
  const auto sink = std::make_shared<RecordingSink>();
  ChannelCapture capture("script.yield");
  channel->sinks() = {sink};
  Start("co", "A");
  Start("co", "B");
  Start("co", "C");
  sink->records.clear();
  Tick(10);  // one batch wakes all three
  Strings texts;
  for (const auto& record : sink->records) texts.emplace_back(record.payload.data(), record.payload.size());
  ASSERT_EQ(texts.size(), 8u);
  EXPECT_EQ(texts[1], "ok");  // A's wake-up, A's end, B's wake-up, B's pause, ...
  EXPECT_NE(texts[3].find(kSleepTrace), std::string::npos);
  EXPECT_NE(texts[6].find(kSleepTrace), std::string::npos);
  const auto apart = [&sink](std::size_t from, std::size_t to) {
    return std::chrono::duration<double, std::milli>(sink->records[to].time - sink->records[from].time).count();
  };
  // The clock steps at most 16 ms at a time; 50 ms leave at least 25 between.
  EXPECT_GE(apart(0, 1), 25) << "A's end";
  EXPECT_GE(apart(2, 3), 25) << "B's pause";
  EXPECT_GE(apart(6, 7), 25) << "C's end";
}
