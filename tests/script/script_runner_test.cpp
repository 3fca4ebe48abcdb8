#include "tickbase/script/script_runner.h"

#include <gtest/gtest.h>

#include "script/script_fixture.h"
#include "tickbase/diag/console.h"

namespace {

using RunnerTest = ScriptTest;

const char kBegin[] = "func_RunScriptFileFunc t func F begin \n";
const char kEnd[] = "func_RunScriptFileFunc t func F end \n";

}  // namespace

TEST_F(RunnerTest, RunScriptFileFuncFramesTheCall) {
  Write("script/t.lua", "function F() RecordContext() SetColor('red') end");
  EXPECT_TRUE(RunScriptFileFunc("t", "F"));
  EXPECT_EQ(Out(), std::string(kBegin) + "cScriptManager::LoadScript file t\n" + kEnd);
  EXPECT_EQ(Records(), (std::vector<std::string>{"t|F"}));
  EXPECT_EQ(ConsoleAttributes() & 0x0F, 15);  // white, whatever the script set
}

TEST_F(RunnerTest, MissingScriptsPrintTheNotFindLineEveryTime) {
  EXPECT_FALSE(RunScriptFileFunc("t", "F"));
  EXPECT_EQ(Take(), std::string(kBegin) + "script file : script/t.lua not found!\n" +
                        "func_RunScriptFileFunc script t not find \n");
  Write("script/t.lua", "function F() end");  // the failed load is remembered
  EXPECT_FALSE(RunScriptFileFunc("t", "F"));
  EXPECT_EQ(Take(), std::string(kBegin) + "func_RunScriptFileFunc script t not find \n");
  EXPECT_EQ(ConsoleAttributes() & 0x0F, 15);
}

TEST_F(RunnerTest, AFailingCallStillEndsAndSucceeds) {
  Write("script/t.lua", "function F() error('inside', 0) end");
  EXPECT_TRUE(RunScriptFileFunc("t", "F"));
  EXPECT_EQ(Out(), std::string(kBegin) + "cScriptManager::LoadScript file t\n" +
                       "file: t call: F \nerror: inside\n\n" + kEnd);
}

TEST_F(RunnerTest, QuietConsoleHidesTheRoutineTracesOnly) {
  Write("script/t.lua", "function F() error('inside', 0) end");
  ShowRoutineTraces(false);
  Manager().SetZip("");
  EXPECT_TRUE(RunScriptFileFunc("t", "F"));
  ReloadAll();
  ShowRoutineTraces(true);
  EXPECT_EQ(Out(), "file: t call: F \nerror: inside\n\n");
  EXPECT_EQ(ConsoleAttributes() & 0x0F, 15);
}

TEST_F(RunnerTest, CodeStringsRunInTheNamedState) {
  Write("script/t.lua", "value = 'from t'");
  RunScriptFileString("t", "RecordContext() Record(value)");
  RunScriptFileString("none", "Record('never')");
  EXPECT_EQ(Records(), (std::vector<std::string>{"t|RecordContext() Record(value)", "from t"}));
  EXPECT_NE(Out().find("func_RunScriptFileString script none not find \n"), std::string::npos);
}

TEST_F(RunnerTest, RunScriptStringUsesTheNullScript) {
  RunScriptString("Record('x')");
  EXPECT_EQ(Take(),
            "script file : script/null.lua not found!\n"
            "func_RunScriptString script null.lua not find \n");
  Manager().Destroy();
  Write("script/null.lua", "");
  RunScriptString("n = (n or 0) + 1");
  RunScriptString("Record(tostring(n + 1))");
  EXPECT_EQ(Records(), (std::vector<std::string>{"2"}));
}

TEST_F(RunnerTest, RunScriptTestFuncRunsInAFreshState) {
  Write("script/t.lua", "runs = (runs or 0) + 1 function F() Record(tostring(runs)) end");
  KLuaScript* old = Manager().GetScript("t");
  ASSERT_NE(old, nullptr);
  ASSERT_EQ(old->DoString("runs = 10"), 1);
  RunScriptTestFunc("t", "F");
  EXPECT_EQ(Records(), (std::vector<std::string>{"1"}));
  EXPECT_NE(Manager().GetScript("t"), old);
  EXPECT_EQ(old->DoString("Record(tostring(runs))"), 1);  // alive until Destroy
  EXPECT_EQ(Records(), (std::vector<std::string>{"1", "10"}));
}
