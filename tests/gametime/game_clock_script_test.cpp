// The calendar as scripts see it, with the real script host: script files in
// the script tests' temporary folder, the clock reached through the binding
// and its script callbacks run through the script manager. Both singletons
// are put in a known state per test.
#include <gtest/gtest.h>

#include <lua.hpp>
#include <luabind/luabind.hpp>
#include <sstream>
#include <string>

#include "script/script_fixture.h"
#include "tickbase/gametime/bind_game_time.h"
#include "tickbase/gametime/game_clock.h"

namespace {

const char kClockScript[] = R"(
calls = {}
local function count(name) calls[name] = (calls[name] or 0) + 1 end
function Get(name) return calls[name] or 0 end
function OnHour(...) count("OnHour") nargs = select("#", ...) end
function OnAt() count("OnAt") end
function SelfRemove()
  count("SelfRemove")
  removed = GetGameTime():UnregistCallback(cGameTime.GameTime_Hour, "clock", "SelfRemove")
end
function RemoveLater()
  count("RemoveLater")
  GetGameTime():UnregistCallback(cGameTime.GameTime_Hour, "clock", "OnHour")
end
function AtSelfRemove()
  count("AtSelfRemove")
  atRemoved = GetGameTime():UnregistCallbackAt(GetGameTime().m_time, "clock", "AtSelfRemove")
end
)";

class ClockScriptTest : public ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    Manager().BindScript(&BindGameTime);
    Write("script/clock.lua", kClockScript);
    Write("script/other.lua", kClockScript);  // a second state with the same functions
    clock().Start(stGameTime{2000, 4, 10, 10, 20, 5});
    clock().SetTimeMul(1);
  }
  void TearDown() override {
    // No dispatch is running: the registrations may go directly.
    for (auto& list : clock().m_callbacks) list.clear();
    clock().m_atCallbacks.clear();
    ScriptTest::TearDown();
  }

  static cGameTime& clock() { return cGameTime::Instance(); }
  static std::string Now() {
    std::ostringstream os;
    clock().m_time.to_stream(os);
    return os.str();
  }

  // Runs code in the state of script; false on a Lua error.
  bool Lua(const char* script, const std::string& code) {
    KLuaScript* s = Manager().GetScript(script);
    return s != nullptr && s->DoString(code.c_str()) == 1;
  }
  // A global number or boolean of script (via a Lua expression).
  int Value(const char* script, const std::string& expr) {
    KLuaScript* s = Manager().GetScript(script);
    int value = -1;
    if (s == nullptr || s->DoString1(("return " + expr).c_str()) != 1 || s->ReturnInt(value) != 1) {
      ADD_FAILURE() << "cannot read " << expr << " of " << script;
    }
    return value;
  }
  int Calls(const char* script, const std::string& func) { return Value(script, "Get('" + func + "')"); }
};

}  // namespace

// Every GetGameTime is the native clock, and m_time a live reference to its
// record: writing it moves the clock like Start (no event, start time kept);
// assigning a record copies all six fields.
TEST_F(ClockScriptTest, ScriptsSeeTheOneNativeClockAndItsLiveTime) {
  const char* const units[] = {"Year", "Month", "Day", "Hour", "Min", "Sec"};
  for (int u = 0; u < 6; ++u) EXPECT_EQ(Value("clock", std::string("cGameTime.GameTime_") + units[u]), u);
  ASSERT_TRUE(Lua("clock", "a = GetGameTime() b = GetGameTime() a:SetTimeMul(60) t = a.m_time"));
  clock().Run(1000);
  EXPECT_EQ(clock().GetMin(), 21u);
  ASSERT_TRUE(Lua("clock", "b:SetTimeMul(120)"));
  clock().Run(1000);
  EXPECT_EQ(Value("clock", "t.year * 10000 + t.month * 100 + t.day"), 20000410);
  EXPECT_EQ(Value("clock", "t.min * 100 + t.sec"), 2305);

  clock().RegistCallbackScript(cGameTime::GameTime_Hour, "clock", "OnHour");
  ASSERT_TRUE(Lua("clock", "t.hour = 5 GetGameTime().m_time.sec = 30"));
  EXPECT_EQ(Now(), "2000/4/10 5:23:30");
  EXPECT_EQ(Calls("clock", "OnHour"), 0);
  EXPECT_EQ(clock().m_startTime.hour, 10u);

  lua_State* L = Manager().GetScript("clock")->GetLua();
  luabind::globals(L)["other"] = stGameTime{1999, 11, 30, 23, 58, 7};
  ASSERT_TRUE(Lua("clock", "GetGameTime().m_time = other other.year = 5"));
  EXPECT_EQ(Now(), "1999/11/30 23:58:7");
  EXPECT_EQ(lua_gettop(L), 0);
}

// Unit callbacks run without arguments, once per event and registration,
// in the state of the script they name; unregistering takes one
// registration of exactly those names.
TEST_F(ClockScriptTest, HourCallbacksRunPerRegistrationUntilUnregistered) {
  ASSERT_TRUE(Lua("clock",
                  "local c = GetGameTime()\n"
                  "c:RegistCallback(cGameTime.GameTime_Hour, 'clock', 'OnHour')\n"
                  "c:RegistCallback(cGameTime.GameTime_Hour, 'clock', 'OnHour')\n"
                  "c:RegistCallback(cGameTime.GameTime_Hour, 'other', 'OnHour')"));
  clock().AddSec(39 * 60);  // 10:59:05
  EXPECT_EQ(Calls("clock", "OnHour"), 0);
  clock().AddSec(3 * 3600);
  EXPECT_EQ(Calls("clock", "OnHour"), 6);
  EXPECT_EQ(Calls("other", "OnHour"), 3);
  EXPECT_EQ(Value("clock", "nargs"), 0);
  EXPECT_NE(Out().find("func_RunScriptFileFunc clock func OnHour begin"), std::string::npos);

  EXPECT_FALSE(clock().UnregistCallbackScript(cGameTime::GameTime_Hour, "clock", "onhour"));
  EXPECT_FALSE(clock().UnregistCallbackScript(cGameTime::GameTime_Day, "clock", "OnHour"));
  ASSERT_TRUE(Lua("clock", "first = GetGameTime():UnregistCallback(cGameTime.GameTime_Hour, 'clock', 'OnHour')"));
  EXPECT_EQ(Value("clock", "first"), 1);
  clock().AddSec(3600);
  EXPECT_EQ(Calls("clock", "OnHour"), 7);
  ASSERT_TRUE(Lua("clock",
                  "local c = GetGameTime()\n"
                  "second = c:UnregistCallback(cGameTime.GameTime_Hour, 'clock', 'OnHour')\n"
                  "third = c:UnregistCallback(cGameTime.GameTime_Hour, 'clock', 'OnHour')"));
  EXPECT_EQ(Value("clock", "second"), 1);
  EXPECT_EQ(Value("clock", "third"), 0);
  clock().AddSec(3600);
  EXPECT_EQ(Calls("clock", "OnHour"), 7);
  EXPECT_EQ(Calls("other", "OnHour"), 5);
}

TEST_F(ClockScriptTest, AtCallbacksRunOnceAtTheNextMinuteAndMayRemoveTheirOwnEntry) {
  ASSERT_TRUE(Lua("clock",
                  "local c = GetGameTime()\n"
                  "c:RegistCallbackAt(c.m_time, 'clock', 'AtSelfRemove')\n"
                  "c:RegistCallbackAt(c.m_time, 'clock', 'OnAt')"));
  clock().AddSec(54);
  EXPECT_EQ(Calls("clock", "OnAt"), 0);
  clock().AddSec(1);
  EXPECT_EQ(Value("clock", "atRemoved"), 1);
  EXPECT_EQ(Calls("clock", "AtSelfRemove"), 1);
  EXPECT_EQ(Calls("clock", "OnAt"), 1);
  clock().AddSec(3600);
  EXPECT_EQ(Calls("clock", "OnAt"), 1);
  ASSERT_TRUE(Lua("clock", "gone = GetGameTime():UnregistCallbackAt(GetGameTime().m_time, 'clock', 'OnAt')"));
  EXPECT_EQ(Value("clock", "gone"), 0);
  EXPECT_FALSE(clock().UnregistCallbackAtScript(clock().m_time, "clock", "AtSelfRemove"));
}

// Callbacks removed during their event are freed after it; a missing
// script is reported and the next callback still runs.
TEST_F(ClockScriptTest, CallbacksRemovedDuringTheirEventAreFreedAfterIt) {
  clock().RegistCallbackScript(cGameTime::GameTime_Hour, "missing", "F");
  clock().RegistCallbackScript(cGameTime::GameTime_Hour, "clock", "SelfRemove");
  clock().RegistCallbackScript(cGameTime::GameTime_Hour, "clock", "RemoveLater");
  clock().RegistCallbackScript(cGameTime::GameTime_Hour, "clock", "OnHour");
  clock().AddSec(3600);
  EXPECT_NE(Out().find("script missing not find "), std::string::npos);
  EXPECT_EQ(Value("clock", "removed"), 1);
  EXPECT_EQ(Calls("clock", "SelfRemove"), 1);
  EXPECT_EQ(Calls("clock", "OnHour"), 0);  // removed before its turn
  clock().AddSec(3600);
  EXPECT_EQ(Calls("clock", "SelfRemove"), 1);
  EXPECT_EQ(Calls("clock", "RemoveLater"), 2);
  EXPECT_EQ(Calls("clock", "OnHour"), 0);
}

TEST_F(ClockScriptTest, BadArgumentsAreRefused) {
  for (const char* code : {"local t = stGameTime()", "local c = cGameTime()",
                           "GetGameTime():SetTimeMul('fast')", "GetGameTime():SetTimeMul()",
                           "GetGameTime().m_time = {year = 1}", "GetGameTime().m_time.hour = 'noon'",
                           "GetGameTime():RegistCallback('hour', 'clock', 'OnHour')",
                           "GetGameTime():RegistCallbackAt({}, 'clock', 'OnAt')",
                           "GetGameTime():UnregistCallback(cGameTime.GameTime_Hour, 'clock')",
                           "GetGameTime():RegistCallback(cGameTime.GameTime_Hour, 'clock', 7)"}) {
    EXPECT_FALSE(Lua("clock", code)) << code;
  }
  EXPECT_EQ(Now(), "2000/4/10 10:20:5");
  clock().Run(1000);  // the multiplier is still 1
  EXPECT_EQ(clock().GetSec(), 6u);

  Take();
  ASSERT_TRUE(Lua("clock", "GetGameTime():RegistCallback(cGameTime.GameTime_Hour, nil, 'OnHour')"));
  EXPECT_EQ(Out(), "cGameTime::RegistCallbackScript refused a nil script file or function name\n");
  ASSERT_TRUE(Lua("clock",
                  "GetGameTime():RegistCallback(9, 'clock', 'OnHour')\n"
                  "outside = GetGameTime():UnregistCallback(9, 'clock', 'OnHour')\n"
                  "nilName = GetGameTime():UnregistCallbackAt(GetGameTime().m_time, 'clock', nil)"));
  EXPECT_EQ(Value("clock", "outside"), 0);
  EXPECT_EQ(Value("clock", "nilName"), 0);
  clock().AddSec(24 * 3600);
  EXPECT_EQ(Calls("clock", "OnHour"), 0);
}

TEST_F(ClockScriptTest, ClockDestroysTheScriptCallbacksItStillHolds) {
  // A clock of its own: the leak checker sees anything not freed.
  cGameTime own;
  own.RegistCallbackScript(cGameTime::GameTime_Min, "clock", "OnHour");
  own.RegistCallbackAtScript(own.m_time, "clock", "OnAt");
  own.RegistCallbackAtScript(stGameTime{3000, 0, 0, 0, 0, 0}, "clock", "OnAt");
  own.AddSec(60);
  EXPECT_EQ(Calls("clock", "OnHour"), 1);
  EXPECT_EQ(Calls("clock", "OnAt"), 1);
}
