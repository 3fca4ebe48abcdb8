// The calendar as scripts see it, in real Lua states. The clock is the
// process-wide one: the fixture puts it in a known state and takes back
// what the tests registered.
#include "tickbase/gametime/bind_game_time.h"

#include <gtest/gtest.h>
#include <lua.hpp>
#include <luabind/luabind.hpp>

#include <string>
#include <vector>

#include "tickbase/gametime/game_clock.h"

namespace {

class HourCounter : public iGameTimeCallback {
 public:
  int OnChange(unsigned long) override { return ++calls; }
  int calls = 0;
};

class BindGameTimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock().Start(stGameTime{2000, 4, 10, 10, 20, 5});
    clock().SetTimeMul(1);
    L = luaL_newstate();
    luaL_openlibs(L);
    luabind::open(L);
    BindGameTime(L);
    EXPECT_EQ(lua_gettop(L), 0);
  }
  void TearDown() override {
    lua_close(L);
    clock().SetTimeMul(1);
  }

  static cGameTime& clock() { return cGameTime::Instance(); }

  // Runs code; "" on success, else the Lua error text.
  std::string Run(const std::string& code) {
    std::string error;
    if (luaL_loadstring(L, code.c_str()) != 0 || lua_pcall(L, 0, 0, 0) != 0) {
      error = lua_isstring(L, -1) ? lua_tostring(L, -1) : "(non-string error)";
      lua_pop(L, 1);
    }
    EXPECT_EQ(lua_gettop(L), 0);
    return error;
  }
  // The value of a Lua expression, as a number.
  double Eval(const std::string& expr) {
    EXPECT_EQ(Run("result = " + expr), "");
    lua_getglobal(L, "result");
    const double value = lua_tonumber(L, -1);
    lua_pop(L, 1);
    return value;
  }

  lua_State* L = nullptr;
};

}  // namespace

TEST_F(BindGameTimeTest, UnitConstantsAreOnTheClassTable) {
  EXPECT_EQ(Eval("cGameTime.GameTime_Year"), 0);
  EXPECT_EQ(Eval("cGameTime.GameTime_Month"), 1);
  EXPECT_EQ(Eval("cGameTime.GameTime_Day"), 2);
  EXPECT_EQ(Eval("cGameTime.GameTime_Hour"), 3);
  EXPECT_EQ(Eval("cGameTime.GameTime_Min"), 4);
  EXPECT_EQ(Eval("cGameTime.GameTime_Sec"), 5);
}

TEST_F(BindGameTimeTest, EveryGetGameTimeIsTheOneNativeClock) {
  ASSERT_EQ(Run("a = GetGameTime() b = GetGameTime() a:SetTimeMul(60)"), "");
  clock().Run(1000);
  EXPECT_EQ(clock().GetMin(), 21u);
  ASSERT_EQ(Run("b:SetTimeMul(120)"), "");
  clock().Run(1000);
  EXPECT_EQ(clock().GetMin(), 23u);
  EXPECT_EQ(Eval("a.m_time.min"), 23);
}

TEST_F(BindGameTimeTest, TimeIsALiveReferenceToTheClocksRecord) {
  ASSERT_EQ(Run("t = GetGameTime().m_time"), "");
  EXPECT_EQ(Eval("t.year * 10000 + t.month * 100 + t.day"), 20000410);
  EXPECT_EQ(Eval("t.sec"), 5);
  clock().AddSec(60);
  EXPECT_EQ(Eval("t.min"), 21);

  HourCounter hours;
  clock().RegistCallback(cGameTime::GameTime_Hour, &hours);
  ASSERT_EQ(Run("t.hour = 5 GetGameTime().m_time.sec = 30"), "");
  clock().UnregistCallback(cGameTime::GameTime_Hour, &hours);
  EXPECT_EQ(clock().GetHour(), 5u);
  EXPECT_EQ(clock().GetSec(), 30u);
  EXPECT_EQ(hours.calls, 0);
  EXPECT_EQ(clock().m_startTime.hour, 10u);  // only the counters change
}

TEST_F(BindGameTimeTest, AssigningATimeCopiesAllSixFields) {
  luabind::globals(L)["other"] = stGameTime{1999, 11, 30, 23, 58, 7};
  ASSERT_EQ(Run("GetGameTime().m_time = other other.year = 5"), "");
  const stGameTime& now = clock().m_time;
  EXPECT_EQ(now.year, 1999u);
  EXPECT_EQ(now.month, 11u);
  EXPECT_EQ(now.day, 30u);
  EXPECT_EQ(now.hour, 23u);
  EXPECT_EQ(now.min, 58u);
  EXPECT_EQ(now.sec, 7u);
}

TEST_F(BindGameTimeTest, NoConstructorsAndWrongArgumentsAreLuaErrors) {
  EXPECT_NE(Run("local t = stGameTime()"), "");
  EXPECT_NE(Run("local c = cGameTime()"), "");
  EXPECT_NE(Run("GetGameTime():SetTimeMul('fast')"), "");
  EXPECT_NE(Run("GetGameTime():SetTimeMul()"), "");
  EXPECT_NE(Run("GetGameTime().m_time = {year = 1}"), "");
  EXPECT_NE(Run("GetGameTime().m_time.hour = 'noon'"), "");
  EXPECT_EQ(clock().GetHour(), 10u);
  clock().Run(1000);  // the multiplier is still 1
  EXPECT_EQ(clock().GetSec(), 6u);
}
