#include "tickbase/script/script_runner.h"

#include <gtest/gtest.h>

#include <functional>
#include <lua.hpp>
#include <string>
#include <vector>

#include "script/timed_script_fixture.h"
#include "tickbase/diag/console.h"

namespace {

using RunnerTest = TimedScriptTest;
using Strings = std::vector<std::string>;

const char kBegin[] = "func_RunScriptFileFunc t func F begin \n";
const char kEnd[] = "func_RunScriptFileFunc t func F end \n";

}  // namespace

// The call is framed by console lines and succeeds when the function fails;
// a missing script gives the not-find line every time (the failed load is
// remembered). The console is white after each, whatever the script set.
TEST_F(RunnerTest, RunScriptFileFuncFramesTheCallAndSucceedsWhenItFails) {
  EXPECT_FALSE(RunScriptFileFunc("t", "F"));
  EXPECT_EQ(Take(), std::string(kBegin) + "script file : script/t.lua not found!\n" +
                        "func_RunScriptFileFunc script t not find \n");
  EXPECT_EQ(ConsoleAttributes() & 0x0F, 15);
  Write("script/t.lua", "function F() RecordContext() SetColor('red') end\n"
                        "function G() error('inside', 0) end");
  EXPECT_FALSE(RunScriptFileFunc("t", "F"));
  EXPECT_EQ(Take(), std::string(kBegin) + "func_RunScriptFileFunc script t not find \n");

  Manager().Destroy();
  EXPECT_TRUE(RunScriptFileFunc("t", "F"));
  EXPECT_EQ(Take(), std::string(kBegin) + "cScriptManager::LoadScript file t\n" + kEnd);
  EXPECT_EQ(Records(), (std::vector<std::string>{"t|F"}));
  EXPECT_EQ(ConsoleAttributes() & 0x0F, 15);
  EXPECT_TRUE(RunScriptFileFunc("t", "G"));
  EXPECT_EQ(Out(), "func_RunScriptFileFunc t func G begin \nfile: t call: G \nerror: inside\n\n"
                   "func_RunScriptFileFunc t func G end \n");
}

// Code strings run in the named state or the null script's, which keeps
// its state; RunScriptTestFunc runs in a fresh state.
TEST_F(RunnerTest, CodeStringsAndTestFunctionsRunInTheirStates) {
  Write("script/t.lua", "value = 'from t' runs = (runs or 0) + 1 function F() Record(tostring(runs)) end");
  RunScriptFileString("t", "RecordContext() Record(value) runs = 10");
  RunScriptFileString("none", "Record('never')");
  RunScriptString("Record('never')");
  EXPECT_EQ(Records(), (Strings{"t|RecordContext() Record(value) runs = 10", "from t"}));
  EXPECT_NE(Out().find("func_RunScriptFileString script none not find \n"), std::string::npos);
  EXPECT_NE(Take().find("script file : script/null.lua not found!\n"
                        "func_RunScriptString script null.lua not find \n"),
            std::string::npos);
  KLuaScript* old = Script("t");
  RunScriptTestFunc("t", "F");
  EXPECT_EQ(Records().back(), "1");
  EXPECT_NE(Manager().GetScript("t"), old);
  EXPECT_EQ(old->DoString("Record(tostring(runs))"), 1);  // alive until Destroy
  EXPECT_EQ(Records().back(), "10");

  Manager().Destroy();
  Write("script/null.lua", "");
  RunScriptString("n = (n or 0) + 1");  // null.lua keeps its state
  RunScriptString("Record(tostring(n + 1))");
  EXPECT_EQ(Records().back(), "2");
}

// A failure's error value used to stay on the script's stack: after about
// 8000 failures every global read was refused and old errors were reported
// as new ones. A leak shows at once in the stack's height, so a hundred
// failures a path do (each costs milliseconds under Wine's console).
TEST_F(RunnerTest, FailuresThroughEveryPathLeaveTheStackAsItWas) {
  Write("script/s.lua", "function bad() error('bad', 0) end function ok() Record('ok') end");
  Write("script/null.lua", "");
  KLuaScript* s = Script("s");
  KLuaScript* null = Script("null");
  const std::pair<const char*, std::function<void()>> paths[] = {
      {"RunScriptFileFunc", [] { RunScriptFileFunc("s", "bad"); }},
      {"RunScriptFileString", [] { RunScriptFileString("s", "error('x')"); }},
      {"RunScriptString", [] { RunScriptString("error('x')"); }},
      {"command state", [this] { Manager().DoString("error('x')"); }},
      {"CoSleep", [&] { s->DoString("CoSleep(1, 's', 'bad')"); Tick(1); }},
      {"script functions", [&] { s->DoString("RunScript('s', 'bad') RunScriptString('s', 'error(1)') "
                                            "RunScriptStr('error(2)')"); }},
  };
  for (const auto& [path, fail] : paths) {
    for (int i = 0; i < 100; ++i) fail();
    m_out.clear();
    EXPECT_EQ(lua_gettop(s->GetLua()), 0) << path;
    EXPECT_EQ(lua_gettop(null->GetLua()), 0) << path;
    EXPECT_EQ(s->CallFunction("ok", 0), 1) << path;
    EXPECT_EQ(Manager().DoString("Record('cmd')"), 1) << path;
  }
  EXPECT_EQ(Records().size(), 2 * std::size(paths));
  // A script running its own state gets exactly the results of the calls.
  ASSERT_EQ(s->DoString("local a, b = RunScript('s', 'bad') "
                        "Record(tostring(a) .. ' ' .. tostring(b) .. ' ' .. "
                        "select('#', RunScriptString('s', 'error(1)')) .. "
                        "select('#', RunScriptStr('error(2)')))"),
            1);
  EXPECT_EQ(Records().back(), "true nil 00");
}

// Scripts that run each other in a ring across states used to recurse until
// the stack overflowed.
TEST_F(RunnerTest, RunsNestedTooDeepAcrossStatesAreRefused) {
  const int kStates = 60;
  for (int i = 0; i < kStates; ++i) {
    Write("script/r" + std::to_string(i) + ".lua",
          "function f() local ok, e = pcall(RunScript, 'r" + std::to_string((i + 1) % kStates) +
              "', 'f') if not ok then Record(e) end end");
  }
  EXPECT_TRUE(RunScriptFileFunc("r0", "f"));
  EXPECT_EQ(Records(), Strings{"func_RunScriptFileFunc r20 refused: scripts run inside each "
                               "other more than 200 deep"});
  EXPECT_EQ(Script("r0")->CallFunction("f", 0), 1);  // and again: nothing is left counted
  EXPECT_EQ(Records().size(), 2u);
}

// A Clear that reloads everything runs once and retires all. luabind
// raised the top of the caller's stack (an argument, a function) for an
// error that another state's Clear left on its own stack.
TEST_F(RunnerTest, ClearsRunOnceAndTheirErrorsReachTheCaller) {
  Write("script/a.lua", "function Clear() Record('a') ReloadAll() end");
  Write("script/b.lua", "");
  Script("a");
  Script("b");
  ReloadAll();
  EXPECT_EQ(Records(), Strings{"a"});
  Take();
  Manager().TraceAllScriptFiles();
  EXPECT_EQ(Out(), "");

  Write("script/bad.lua", "function Clear() error('bad clear', 0) end function g() end");
  Write("script/s.lua", "function f() Record(select(2, pcall(RunScriptTest, 'bad', 'g'))) "
                        "RunScript('bad', 'g') Record(select(2, pcall(ReloadAll))) end");
  ASSERT_NE(Script("bad"), nullptr);
  EXPECT_EQ(Script("s")->CallFunction("f", 0), 1);
  EXPECT_EQ(Records(), (Strings{"a", "bad clear", "bad clear"}));
}
