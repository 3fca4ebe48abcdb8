#include "tickbase/script/script_common.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <lua.hpp>
#include <luabind/luabind.hpp>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "script/timed_script_fixture.h"
#include "tickbase/diag/colors.h"
#include "tickbase/diag/console.h"
#include "tickbase/gametime/bind_game_time.h"
#include "tickbase/script/script_yield.h"
#include "tickbase/script/script_manager.h"

namespace {

using Strings = std::vector<std::string>;
using Runs = std::vector<std::pair<WORD, std::string>>;

// "【Script】" and "【test】" in code page 936 (GBK).
const std::string kScript = "\xA1\xBE" "Script" "\xA1\xBF";
const std::string kTest = "\xA1\xBE" "test" "\xA1\xBF";
// "【游戏测试】开始了" / "【游戏测试】结束了": the game test has started / ended.
const std::string kGameStarted =
    "\xA1\xBE\xD3\xCE\xCF\xB7\xB2\xE2\xCA\xD4\xA1\xBF\xBF\xAA\xCA\xBC\xC1\xCB";
const std::string kGameEnded =
    "\xA1\xBE\xD3\xCE\xCF\xB7\xB2\xE2\xCA\xD4\xA1\xBF\xBD\xE1\xCA\xF8\xC1\xCB";

using CommonFunctionsTest = TimedScriptTest;

}  // namespace

// print: a yellow header, then the arguments; Assert and the banners in
// their own colours.
TEST_F(CommonFunctionsTest, PrintAssertAndBannersWriteTheirLinesInColour) {
  Write("script/s.lua",
        "function f() print(1, true, nil, function() end, {}, 'x', 0.1, 'a\\0b', false) "
        "Assert(true, 'never') Assert(false, 'hp') StartTest('t') EndTest('t') StartGameTest() end\n"
        "function g() Trace() end");
  KLuaScript* script = Script("s");
  ColorCapture colors;
  EXPECT_EQ(script->CallFunction("f", 0), 1);
  EXPECT_EQ(ConsoleAttributes() & 0x0F, 11);
  EXPECT_EQ(script->CallFunction("g", 0), 1);
  const std::string banners = kTest + "t start \n" + kTest + "t end \n\n" + kGameStarted + "\n\n";
  EXPECT_EQ(colors.runs(), (Runs{{14, kScript + "s f "},
                                 {11, std::string("1 1 nil  function x 0.1 a\0b 0 \n", 31)},
                                 {12, "ASSERT false for hp\n"},
                                 {14, banners + kScript + "s g "},
                                 {11, "\n"}}));
}

// The bound functions reach the library: log (a message a piece, nothing on
// the console), MD5 of every byte (the md5 fuzz target checks it against
// OpenSSL), the context names, colours, Sleep, the registry traces and the
// code runners.
TEST_F(CommonFunctionsTest, BoundFunctionsReachTheLibrary) {
  Write("script/s.lua", "function f() Record(MD5('a\\0b')) Record(FileName() .. FuncName()) "
                        "SetColor('red') SetBkColor('blue') Sleep(0) Sleep(-5) end\n"
                        "function g() MD5(12) end\n"
                        "function h() TraceAllScriptFiles() TraceGC() RunScript('s', 'r') "
                        "RunScriptString('s', 'Record(\"str\")') end\n"
                        "function r() Record('r') end\n"
                        "function l() log('a', 'b') end\n"
                        "function m() log(2, false, nil, print, {}) end");
  KLuaScript* script = Script("s");
  Take();
  {
    ChannelCapture channel("quenlet.script");
    script->CallFunction("l", 0);
    script->CallFunction("m", 0);
    EXPECT_EQ(channel.messages(), (Strings{kScript + "s l ", "a ", "b ", kScript + "s m ", "2 ",
                                           "0 ", "nil ", "[function] "}));
  }
  SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), 7);
  script->CallFunction("l", 0);  // the channel is off again
  EXPECT_EQ(ConsoleAttributes(), 11);
  EXPECT_EQ(Out(), "");

  SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), 7);
  ASSERT_EQ(script->CallFunction("f", 0), 1);
  EXPECT_EQ(Records(), (Strings{"70350f6027bce3713f6b76473084309b", "sf"}));
  EXPECT_EQ(ConsoleAttributes(), 0x14);
  // A negative delay does not block the host for weeks.
  EXPECT_EQ(Take(), "func_MySleep 0\nfunc_MySleep -5\n");
  EXPECT_EQ(script->CallFunction("g", 0), 0);  // luabind's no-match error
  ASSERT_EQ(script->CallFunction("h", 0), 1);
  EXPECT_EQ(Records(), (Strings{"70350f6027bce3713f6b76473084309b", "sf", "r", "str"}));
  const std::string out = Take();
  EXPECT_NE(out.find("func_TraceAllScriptFiles \ns "), std::string::npos);
  EXPECT_NE(out.find("cScriptManager::TraceGC\ns ("), std::string::npos);
  EXPECT_NE(out.find("func_RunScriptFileFunc s func r begin"), std::string::npos);
}

// CoSleep runs the function later, between the runner's lines. Exceptions
// of a deferred call or a queued test run pass out of the timer's Run.
TEST_F(CommonFunctionsTest, CoSleepRunsTheFunctionLaterBetweenTheRunnerLines) {
  Write("script/s.lua", "function f() CoSleep(500, 's', 'later') CoSleep(0, 's', 'never') "
                        "Record('scheduled') end\n"
                        "function later() print('in later') Record('later') end\n"
                        "function never() Record('never') end\n"
                        "function g() CoSleep(10, 'other', 'f') end");
  ASSERT_EQ(Script("s")->CallFunction("f", 0), 1);
  EXPECT_EQ(Records(), Strings{"scheduled"});
  Take();
  Tick(499);
  EXPECT_EQ(Records(), Strings{"scheduled"});
  Tick(1);
  EXPECT_EQ(Records(), (Strings{"scheduled", "later"}));
  EXPECT_EQ(Take(), "func_RunScriptFileFunc s func later begin \n" + kScript +
                        "s later in later \n" + "func_RunScriptFileFunc s func later end \n");
  Tick(100000);
  EXPECT_EQ(Records().size(), 2u);

  Write("script/t/a.lua", "function Clear() error('no clear', 0) end\n"
                          "function main() Record('main') end");
  Write("script/other.lua", "function f() end");
  Script("t\\a");
  RunScriptTestFolder("t");
  EXPECT_THROW(Tick(1000), luabind::error);  // the queued run: a's Clear raises
  ASSERT_EQ(Script("s")->CallFunction("g", 0), 1);
  Manager().BindScript([](lua_State*) { throw std::runtime_error("bind failed"); });
  EXPECT_THROW(Tick(10), std::runtime_error);  // the deferred call: loading "other" throws
  Manager().BindScript(&TimedBind);
  EXPECT_NO_THROW(Tick(1000));
  EXPECT_EQ(Records().size(), 2u);  // main did not run, and nothing fired twice
}

TEST_F(CommonFunctionsTest, AFolderRunsOneFreshTestPerEndGameTest) {
  const char* test = "loads = (loads or 0) + 1\n"
                     "function main() StartGameTest() Record(FileName() .. ' ' .. loads) end\n"
                     "function finish() EndGameTest() end";
  Write("script/t/b.lua", test);
  Write("script/t/a.lua", test);
  Write("script/t/notes.txt", "");
  KLuaScript* old = Script("t\\a");
  old->DoString("loads = 10");
  Take();
  RunScriptTestFolder("t");
  EXPECT_EQ(Take(), "find file t\\a\nfind file t\\b\n");
  EXPECT_TRUE(Records().empty());
  Tick(1000);  // the next pass of the one-second list
  EXPECT_EQ(Records(), Strings{"t/a 1"});  // a fresh state, not the old one
  EXPECT_NE(Out().find("\n" + kGameStarted + "\n\n"), std::string::npos);
  Tick(1000);
  Tick(1000);
  EXPECT_EQ(Records().size(), 1u);  // b waits for a's EndGameTest
  Take();
  Script("t/a")->CallFunction("finish", 0);
  EXPECT_EQ(Take(), "\n" + kGameEnded + "\n\n");
  Tick(1000);
  EXPECT_EQ(Records(), (Strings{"t/a 1", "t/b 1"}));
  Script("t/b")->CallFunction("finish", 0);  // the queue is empty: nothing more
  Tick(1000);
  EXPECT_EQ(Records().size(), 2u);
}

TEST_F(CommonFunctionsTest, ASecondFolderReplacesTheQueueButNotTheScheduledRun) {
  Write("script/t/a.lua", "function main() Record('t/a') end");
  Write("script/t/b.lua", "function main() Record('t/b') end");
  Write("script/u/v/c.lua", "function main() Record('u/c') EndGameTest() end");
  Write("script/u/v/d.lua", "function main() Record('u/d') end");
  RunScriptTestFolder("none");
  EXPECT_EQ(Take(), "not find any file...\n");
  RunScriptTestFolder("t");
  RunScriptTestFolder("u\\v");  // normalised like every script name
  for (int i = 0; i < 3; ++i) Tick(1000);
  EXPECT_EQ(Records(), (Strings{"t/a", "u/c", "u/d"}));
}

TEST_F(CommonFunctionsTest, ExitWithWorkPendingIsClean) {
  Write("script/s.lua", "function f() CoSleep(4000000000, 's', 'f') end\n"
                        "function g() YieldSleep(1000) end");
  Write("script/t/a.lua", "function main() end");
  EXPECT_EXIT(
      {
        Script("s")->CallFunction("f", 0);
        int ref = 0;
        for (int i = 0; i < 3; ++i) Manager().NewThread("s", "g", ref, 0);
        RunScriptTestFolder("t");
        Tick(1);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

namespace {

// Every library binding, with the globals from before them kept in _before.
void SweepBind(lua_State* L) {
  luaL_dostring(L, "_before = {} for k, v in pairs(_G) do _before[k] = v end");
  BindScriptCommon(L);
  RegisterFunc_Yield(L);
  BindGameTime(L);
  luabind::module(L)[luabind::def("Record", +[](const std::string& s) { Records().push_back(s); })];
}

}  // namespace

// luabind hands nil to a const char* as a null pointer: SetColor(nil) used
// to end the process.
TEST_F(CommonFunctionsTest, EveryBoundFunctionSurvivesNilNumbersAndTables) {
  Manager().BindScript(&SweepBind);
  Write("script/s.lua", "");
  KLuaScript* script = Script("s");
  ASSERT_EQ(script->DoString(R"(
    local names = {}
    for k, v in pairs(_G) do
      if type(v) == 'function' and _before[k] ~= v and k ~= 'Record' then names[#names + 1] = k end
    end
    table.sort(names)
    Record(table.concat(names, ' '))
    local kinds = {function() return nil end, function() return 1 end, function() return {} end}
    local function each(n, args, f)
      if n == 0 then return f(args) end
      for k = 1, 3 do args[n] = kinds[k]() each(n - 1, args, f) end
    end
    for _, name in ipairs(names) do
      for arity = 0, 3 do
        each(arity, {}, function(args) pcall(_G[name], unpack(args, 1, arity)) end)
      end
    end)"), 1);
  EXPECT_EQ(Records(), Strings{"Assert ClearThread CoSleep EndGameTest EndTest FileName FuncName "
                               "GetGameTime MD5 ReloadAll RunScript RunScriptStr RunScriptString "
                               "RunScriptTest RunScriptTestFolder SetBkColor SetColor Sleep "
                               "StartGameTest StartTest Trace TraceAllScriptFiles TraceGC "
                               "YieldSleep log print"});
  EXPECT_EQ(lua_gettop(script->GetLua()), 0);
  EXPECT_EQ(script->DoString("Record('alive')"), 1);
  EXPECT_EQ(Records().back(), "alive");
  SetColor(nullptr);
  SetBkColor(nullptr);
  OutputColor(nullptr);
  EXPECT_EQ(FindColor(nullptr), -1);
}
