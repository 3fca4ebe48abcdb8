#include "tickbase/script/script_manager.h"

#include <gtest/gtest.h>

#include <lua.hpp>
#include <luabind/luabind.hpp>
#include <sstream>
#include <stdexcept>

#include "script/script_fixture.h"
#include "tickbase/script/script_runner.h"

namespace {

using ManagerTest = ScriptTest;

// Records its calls, and what the registry holds at each, into Records().
class Observer : public iReloadAll {
 public:
  explicit Observer(std::string name) : m_name(std::move(name)) {}
  void BeforeReload() override { Records().push_back(m_name + " before"); }
  void AfterReload() override { Records().push_back(m_name + " after"); }

 private:
  std::string m_name;
};

void ThrowingBind(lua_State*) { throw std::runtime_error("bind failed"); }

// A native function that asks the registry for "loop", as a script that
// loads itself at load time would.
int AskForLoop(lua_State*) {
  Records().push_back(cScriptManager::Instance().GetScript("loop") ? "got" : "null");
  return 0;
}

void BindWithProbe(lua_State* L) {
  TestBind(L);
  lua_register(L, "AskForLoop", &AskForLoop);
}

}  // namespace

TEST_F(ManagerTest, NamesAreNormalisedIntoOneEntry) {
  Write("script/npc/guard.lua", "Record('load')");
  KLuaScript* s = Manager().GetScript("npc\\guard");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(Manager().GetScript("npc/guard"), s);
  EXPECT_EQ(Manager().GetScript("npc//guard"), s);
  EXPECT_EQ(g_GetScript("npc/guard"), s);
  EXPECT_EQ(g_GetScriptL("npc/guard"), s->GetLua());
  EXPECT_EQ(Manager().GetScriptL("npc/guard"), s->GetLua());
  EXPECT_EQ(Records(), (std::vector<std::string>{"load"}));
  EXPECT_STREQ(s->GetScriptFile(), "npc/guard");
  EXPECT_EQ(Take(), "cScriptManager::LoadScript file npc/guard\n");
  // Case counts in names. Whether the file is found then is the file
  // system's affair: Windows ignores case and loads a second state.
  KLuaScript* upper = Manager().GetScript("NPC/guard");
  EXPECT_NE(upper, s);
#if !defined(_WIN32)
  EXPECT_EQ(upper, nullptr);
  EXPECT_EQ(Take(), "script file : script/NPC/guard.lua not found!\n");
#endif
}

TEST_F(ManagerTest, ScriptDirectoryAndLuaSuffixDecideThePath) {
  Manager().GetPath().clear();  // as if CreateScript was never called
  Write("a.lua", "where = 'cwd'");
  Write("npc/guard.lua", "where = 'direct'");
  KLuaScript* a = Manager().GetScript("a");
  ASSERT_NE(a, nullptr);
  Manager().CreateScript("script");
  KLuaScript* guard = Manager().GetScript("npc/guard.lua");
  ASSERT_NE(guard, nullptr);
  EXPECT_STREQ(guard->GetScriptFile(), "npc/guard.lua");
  EXPECT_NE(Out().find("cScriptManager::LoadScript file npc/guard.lua\n"), std::string::npos);
}

TEST_F(ManagerTest, FailedLoadsAreRememberedUntilTheEntryGoes) {
  EXPECT_EQ(Manager().GetScript("missing"), nullptr);
  EXPECT_EQ(Take(), "script file : script/missing.lua not found!\n");
  Write("script/missing.lua", "x = 1");
  EXPECT_EQ(Manager().GetScript("missing"), nullptr);  // not tried again
  EXPECT_EQ(Out(), "");
  Manager().TraceAllScriptFiles();
  EXPECT_EQ(Take(), "missing ");
  EXPECT_TRUE(Manager().ClearAScript("missing"));  // the entry goes, nothing is called
  EXPECT_NE(Manager().GetScript("missing"), nullptr);
}

TEST_F(ManagerTest, ClearAScriptRetiresButKeepsTheObjectAlive) {
  Write("script/t.lua", "function Clear() Record('t cleared') end");
  EXPECT_FALSE(Manager().ClearAScript("t"));
  KLuaScript* old = Manager().GetScript("t");
  ASSERT_NE(old, nullptr);
  EXPECT_TRUE(Manager().ClearAScript("t"));
  EXPECT_EQ(Records(), (std::vector<std::string>{"t cleared"}));
  EXPECT_EQ(old->DoString("Record('old state still runs')"), 1);  // retired, not deleted
  KLuaScript* fresh = Manager().GetScript("t");
  ASSERT_NE(fresh, nullptr);
  EXPECT_NE(fresh->GetLua(), old->GetLua());
}

TEST_F(ManagerTest, ClearRetiresEverythingAndLoadsAfresh) {
  Write("script/a.lua", "function Clear() Record('a') end");
  Write("script/b.lua", "function Clear() Record('b') end");
  KLuaScript* a = Manager().GetScript("a");
  ASSERT_NE(Manager().GetScript("b"), nullptr);
  Manager().GetScript("missing");
  ASSERT_EQ(Manager().DoString("Record('cmd')"), 1);
  Take();
  Manager().Clear();
  ASSERT_EQ(Records().size(), 3u);
  EXPECT_EQ(std::count(Records().begin(), Records().end(), "a"), 1);
  EXPECT_EQ(std::count(Records().begin(), Records().end(), "b"), 1);
  Manager().TraceAllScriptFiles();
  EXPECT_EQ(Take(), "");
  KLuaScript* again = Manager().GetScript("a");
  ASSERT_NE(again, nullptr);
  EXPECT_NE(again->GetLua(), a->GetLua());
  EXPECT_EQ(a->DoString("x = 1"), 1);  // the retired object lives until Destroy
}

TEST_F(ManagerTest, ClearErrorsPropagateAndLeaveNoScriptInTwoPlaces) {
  Write("script/bad.lua", "function Clear() error('bad clear', 0) end");
  KLuaScript* bad = Manager().GetScript("bad");
  ASSERT_NE(bad, nullptr);
  EXPECT_THROW(Manager().ClearAScript("bad"), luabind::error);
  EXPECT_STREQ(lua_tostring(bad->GetLua(), -1), "bad clear");
  EXPECT_FALSE(Manager().ClearAScript("bad"));  // the entry is gone anyway

  KLuaScript* again = Manager().GetScript("bad");
  ASSERT_NE(again, nullptr);
  Write("script/good.lua", "x = 1");
  ASSERT_NE(Manager().GetScript("good"), nullptr);
  EXPECT_THROW(Manager().Clear(), luabind::error);
  EXPECT_EQ(Manager().GetScript("bad"), again);  // the thrower stays registered
  ASSERT_EQ(again->DoString("function Clear() end"), 1);
  EXPECT_NO_THROW(Manager().Clear());
  Take();
  Manager().TraceAllScriptFiles();
  EXPECT_EQ(Out(), "");
}

TEST_F(ManagerTest, ReloadAllTellsObserversAroundTheClear) {
  Observer first("first");
  Observer second("second");
  Manager().AddReloadAll(&first);
  Manager().AddReloadAll(&second);
  Manager().AddReloadAll(nullptr);
  Write("script/t.lua", "function Clear() Record('cleared') end");
  ASSERT_NE(Manager().GetScript("t"), nullptr);
  Take();
  ReloadAll();
  EXPECT_EQ(Take(), "func_ReloadAll \n");
  EXPECT_EQ(Records(), (std::vector<std::string>{"first before", "second before", "cleared",
                                                 "first after", "second after"}));
  Manager().RemoveReloadAll(&first);
  Manager().RemoveReloadAll(&second);
  Records().clear();
  Manager().ReloadAll();
  EXPECT_TRUE(Records().empty());
}

TEST_F(ManagerTest, CommandStateKeepsItsGlobalsUntilCleared) {
  EXPECT_EQ(Manager().DoString("count = (count or 0) + 1"), 1);
  EXPECT_EQ(Manager().DoString("count = count + 1 Record(tostring(count))"), 1);
  Manager().Clear();
  EXPECT_EQ(Manager().DoString("Record(tostring(count))"), 1);
  EXPECT_EQ(Records(), (std::vector<std::string>{"2", "nil"}));
  EXPECT_EQ(Manager().DoString("error('x', 0)"), 0);
  EXPECT_EQ(Take(), "script [] func [error('x', 0)] error : \nx\n");
}

TEST_F(ManagerTest, NewScriptIsSetUpButNotRegistered) {
  std::unique_ptr<KLuaScript> s(Manager().NewScript("tool\\x"));
  ASSERT_NE(s, nullptr);
  EXPECT_STREQ(s->GetScriptFile(), "tool/x");
  EXPECT_EQ(s->HaveFunction("Record"), 1);
  Manager().TraceAllScriptFiles();
  EXPECT_EQ(Out(), "");
}

TEST_F(ManagerTest, MissingBindFunctionIsReportedOnce) {
  Manager().BindScript(nullptr);
  Write("script/t.lua", "x = 1");
  ASSERT_NE(Manager().GetScript("t"), nullptr);
  std::unique_ptr<KLuaScript> s(Manager().NewScript("n"));
  EXPECT_EQ(Manager().DoString("y = 1"), 1);
  EXPECT_EQ(s->HaveFunction("Record"), 0);
  EXPECT_EQ(Take(),
            "cScriptManager::BindScript not called: script states get no host bindings\n"
            "cScriptManager::LoadScript file t\n");
  Manager().BindScript(nullptr);  // a new setting may be reported again
  std::unique_ptr<KLuaScript> again(Manager().NewScript("m"));
  EXPECT_EQ(Take(), "cScriptManager::BindScript not called: script states get no host bindings\n");
}

TEST_F(ManagerTest, ExceptionsFromALoadPassOutAndLeaveNoEntry) {
  Manager().BindScript(&ThrowingBind);
  Write("script/t.lua", "x = 1");
  EXPECT_THROW(Manager().GetScript("t"), std::runtime_error);
  EXPECT_EQ(Take(), "file: t load errors!\n");
  Manager().TraceAllScriptFiles();
  EXPECT_EQ(Take(), "");
  Manager().BindScript(&TestBind);
  EXPECT_NE(Manager().GetScript("t"), nullptr);  // tried again
}

TEST_F(ManagerTest, AScriptAskingForItselfWhileLoadingGetsNull) {
  Manager().BindScript(&BindWithProbe);
  Write("script/loop.lua", "Record('loading') AskForLoop()");
  EXPECT_NE(Manager().GetScript("loop"), nullptr);
  EXPECT_EQ(Records(), (std::vector<std::string>{"loading", "null"}));
  EXPECT_EQ(Out(),
            "cScriptManager::GetScript loop asked for while it loads\n"
            "cScriptManager::LoadScript file loop\n");
}

TEST_F(ManagerTest, TracesListTheRegistry) {
  std::ostringstream empty;
  Manager().TraceGC(empty);
  EXPECT_EQ(empty.str(), "cScriptManager::TraceGC\n\n");
  Write("script/t.lua", "data = string.rep('x', 100000)");
  ASSERT_NE(Manager().GetScript("t"), nullptr);
  Manager().GetScript("missing");
  std::ostringstream os;
  Manager().TraceGC(os);
  const std::string text = os.str();
  ASSERT_EQ(text.rfind("cScriptManager::TraceGC\nt (", 0), 0u) << text;
  EXPECT_GE(std::stoi(text.substr(text.find('(') + 1)), 97);  // kilobytes
  EXPECT_EQ(text.substr(text.size() - 3), ")\n\n");
}

TEST_F(ManagerTest, DestroyEmptiesEverythingAndTheRegistryStaysUsable) {
  Write("script/t.lua", "x = 1");
  ASSERT_NE(Manager().GetScript("t"), nullptr);
  Manager().ClearAScript("t");
  Manager().DoString("y = 1");
  Manager().Destroy();
  Take();
  Manager().TraceAllScriptFiles();
  EXPECT_EQ(Out(), "");
  EXPECT_NE(Manager().GetScript("t"), nullptr);
}

TEST_F(ManagerTest, PackModeLoadsScriptsFromThePackage) {
  WriteZip("pack.zip", {{"script/t.lua", "function F() require('script/lib') Record(lib) end"},
                        {"script/lib.lua", "lib = 'from the package'"},
                        {"script/bin.lua", std::string("\x01\x02\0garbage", 10)}});
  UsePack("pack.zip");
  KLuaScript* t = Manager().GetScript("t");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->CallFunction("F", 0), 1);
  EXPECT_EQ(Records(), (std::vector<std::string>{"from the package"}));
  Take();
  EXPECT_EQ(Manager().GetScript("none"), nullptr);
  EXPECT_EQ(Take(), "my_lua_dofile script/none.lua not found in the zip pack.zip\n");
  EXPECT_EQ(Manager().GetScript("../none"), nullptr);
  EXPECT_EQ(Take(), "my_lua_dofile script/../none.lua not found in the zip pack.zip\n");
  EXPECT_EQ(Manager().GetScript("bin"), nullptr);
  EXPECT_NE(Take().find("script [script/bin.lua] func [\x01\x02] error : \n"), std::string::npos);
}
