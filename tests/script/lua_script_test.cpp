#include "tickbase/script/lua_script.h"

#include <gtest/gtest.h>

#include <lua.hpp>
#include <luabind/luabind.hpp>
#include <stdexcept>

#include "script/script_fixture.h"
#include "tickbase/script/script_context.h"

namespace {

class LuaScriptTest : public ScriptTest {
 protected:
  // Loads text as the script `name` under script/.
  void Load(const std::string& name, const std::string& text) {
    Write("script/" + name + ".lua", text);
    ASSERT_EQ(m_script.LoadScript(name.c_str(), &TestBind), 1) << Out();
    Take();
  }
  int Top() { return lua_gettop(m_script.GetLua()); }
  KLuaScript m_script;
};

void ThrowingBind(lua_State*) { throw std::runtime_error("bind failed"); }

}  // namespace

// Without a state every operation fails safely. Script paths follow the
// name rules; a failed load, a throwing bind or a second set-up leaves no
// state behind.
TEST_F(LuaScriptTest, StatelessOperationsFailSafelyAndLoadsLeaveNoBrokenState) {
  int i = 0;
  std::string s;
  EXPECT_EQ(m_script.HaveFunction("f"), 0);
  m_script.Clear();
  EXPECT_EQ(m_script.ReturnInt(i), 0);
  EXPECT_EQ(m_script.ReturnString(s), 0);
  EXPECT_EQ(m_script.DoCmd("f()"), 0);
  EXPECT_EQ(Out(), "");
  EXPECT_EQ(m_script.CallFunction("f", 0), 0);
  EXPECT_EQ(m_script.CallFunction1("f", 1, 0), 0);
  EXPECT_EQ(m_script.CallFunction1("f", "a", 0), 0);
  EXPECT_EQ(m_script.Call("f", 0, 0), 0);
  EXPECT_EQ(m_script.DoString("x = 1"), 0);
  EXPECT_EQ(m_script.DoString1("return 1"), 0);
  EXPECT_EQ(m_script.TestScript("x.lua"), 1);
  EXPECT_EQ(Take(),
            "KLuaScript::CallFunction file:  has no lua state\n"
            "KLuaScript::CallFunction1 file:  has no lua state\n"
            "KLuaScript::CallFunction1 file:  has no lua state\n"
            "KLuaScript::Call file:  has no lua state\n"
            "KLuaScript::_DoString file:  has no lua state\n"
            "KLuaScript::_DoString file:  has no lua state\n"
            "KLuaScript::TestScript file:  has no lua state\n");

  Write("script/npc/guard.lua", "Record('guard')");
  EXPECT_EQ(m_script.LoadScript("npc/guard", &TestBind), 1);
  EXPECT_STREQ(m_script.GetScriptFile(), "npc/guard");
  Write("tools/init.lua", "Record('init')");
  EXPECT_EQ(m_script.LoadScript("tools/init.lua", &TestBind), 1);
  EXPECT_EQ(Records(), (std::vector<std::string>{"guard", "init"}));
  EXPECT_EQ(m_script.LoadScript("a.LUA", &TestBind), 0);
  EXPECT_EQ(Take(), "script file : script/a.LUA.lua not found!\n");
  EXPECT_EQ(m_script.IsValid(), 0);
  Write("script/bad.lua", "error('at load')");
  EXPECT_EQ(m_script.LoadScript("bad", &TestBind), 0);
  EXPECT_EQ(m_script.GetLua(), nullptr);
  EXPECT_EQ(Take(), "script [script/bad.lua] func [] error : \nscript/bad.lua:1: at load\n");

  ASSERT_EQ(m_script.NewScript("one", &TestBind), 1);
  ASSERT_EQ(m_script.NewScript("two", &TestBind), 1);  // the first state is closed, not leaked
  EXPECT_NE(m_script.GetLua(), nullptr);
  EXPECT_STREQ(m_script.GetScriptFile(), "two");
  EXPECT_THROW(m_script.NewScript("three", &ThrowingBind), std::runtime_error);
  EXPECT_EQ(m_script.IsValid(), 0);
  Write("script/x.lua", "x = 1");
  EXPECT_THROW(m_script.LoadScript("x", &ThrowingBind), std::runtime_error);
  EXPECT_EQ(Out(), "file: x load errors!\n");
  EXPECT_EQ(m_script.IsValid(), 0);
  // Without a bind function the state still works, minus host bindings.
  ASSERT_EQ(m_script.NewScript("bare", nullptr), 1);
  EXPECT_EQ(m_script.HaveFunction("Record"), 0);
  EXPECT_EQ(m_script.HaveFunction("print"), 1);
}

TEST_F(LuaScriptTest, FailuresKeepTheErrorAndReportInTheirOwnFormat) {
  ChannelCapture channel("script.error");
  Load("t", "function Fail() error('broken', 0) end function Table() error({}) end "
            "function Boom() Throw('native') end function Echo(v) Record(tostring(v)) end");
  EXPECT_EQ(m_script.CallFunction("Missing", 0), 0);
  EXPECT_EQ(Take(), "file: t call: Missing \nerror: attempt to call a nil value\n\n");
  EXPECT_EQ(m_script.CallFunction("Fail", 0), 0);
  EXPECT_EQ(Take(), "file: t call: Fail \nerror: broken\n\n");
  EXPECT_EQ(m_script.CallFunction("Table", 0), 0);
  EXPECT_EQ(Take(), "file: t call: Table \nerror: LUA_ERRRUN\n\n");
  EXPECT_EQ(m_script.CallFunction("Boom", 0), 0);  // native exceptions become script errors
  EXPECT_EQ(Take(), "file: t call: Boom \nerror: std::runtime_error: 'native'\n\n");
  EXPECT_EQ(Top(), 4);
  EXPECT_TRUE(channel.messages().empty());  // call failures are console-only
  EXPECT_EQ(ConsoleAttributes() & 0x0F, 15);
  // Each failure leaves its error value, and calls still work on a crowded stack.
  lua_State* L = m_script.GetLua();
  for (int i = 0; i < 200; ++i) {
    lua_checkstack(L, 1);
    lua_pushinteger(L, i);
  }
  for (int i = 0; i < 50; ++i) EXPECT_EQ(m_script.CallFunction("Missing", 0), 0);
  EXPECT_EQ(m_script.CallFunction1("Echo", 5, 0), 1);
  EXPECT_EQ(m_script.HaveFunction("Echo"), 1);
  EXPECT_EQ(Top(), 254);
  EXPECT_EQ(Records(), (std::vector<std::string>{"5"}));
  lua_settop(L, 0);
  Take();
  // Code strings use the error report, on the channel too.
  EXPECT_EQ(m_script.DoString("error({})"), 0);
  EXPECT_EQ(Take(), "script [t] func [error({})] error : \n2 LUA_ERRRUN\n");
  EXPECT_EQ(m_script.DoString("Boom()"), 0);
  EXPECT_EQ(Take(), "script [t] func [Boom()] error : \nstd::runtime_error: 'native'\n");
  EXPECT_EQ(m_script.DoString("Record({})"), 0);  // no luabind overload matches
  EXPECT_NE(Take().find("script [t] func [Record({})] error : \n"), std::string::npos);
  EXPECT_EQ(channel.messages().size(), 6u);
}

// Calls set the guards seen from inside and leave the stack as it was;
// ReturnInt and ReturnString take the top value.
TEST_F(LuaScriptTest, CallsSetTheGuardsAndReturnsTakeTheTopValue) {
  Load("npc/guard",
       "function OnTalk() RecordContext() end function Echo(v) Record(tostring(v)) end");
  EXPECT_EQ(m_script.CallFunction("OnTalk", 0), 1);
  EXPECT_EQ(m_script.DoString("RecordContext()"), 1);
  EXPECT_EQ(m_script.CallFunction1("Echo", 7, 0), 1);
  EXPECT_EQ(m_script.CallFunction1("Echo", "text", 0), 1);
  EXPECT_EQ(m_script.CallFunction1("Echo", nullptr, 0), 1);
  EXPECT_EQ(Records(), (std::vector<std::string>{"npc/guard|OnTalk", "npc/guard|RecordContext()",
                                                 "7", "text", "nil"}));
  EXPECT_STREQ(FileName(), "");
  EXPECT_STREQ(FuncName(), "");
  EXPECT_EQ(Top(), 0);
  EXPECT_EQ(Out(), "");

  int out = -1;
  ASSERT_EQ(m_script.DoString1("return 7"), 1);
  EXPECT_EQ(m_script.ReturnInt(out), 1);
  EXPECT_EQ(out, 7);
  EXPECT_EQ(m_script.ReturnInt(out), 0);  // the stack is empty now
  const std::pair<const char*, int> cases[] = {{"return 2.9", 2},
                                               {"return -2.9", -2},
                                               {"return true", 1},
                                               {"return false", 0},
                                               {"return ' 12 '", 12},
                                               {"return 1e12", 2147483647},
                                               {"return -1e12", -2147483647 - 1},
                                               {"return 0/0", 0}};
  for (const auto& [code, expected] : cases) {
    ASSERT_EQ(m_script.DoString1(code), 1);
    EXPECT_EQ(m_script.ReturnInt(out), 1) << code;
    EXPECT_EQ(out, expected) << code;
  }
  std::string text = "unset";
  ASSERT_EQ(m_script.DoString1("return 'a\\0b'"), 1);
  EXPECT_EQ(m_script.ReturnString(text), 1);
  EXPECT_EQ(text, std::string("a\0b", 3));
  ASSERT_EQ(m_script.DoString1("return 1.5"), 1);
  EXPECT_EQ(m_script.ReturnString(text), 1);
  EXPECT_EQ(text, "1.5");
  ASSERT_EQ(m_script.DoString1("return {}"), 1);
  out = -1;
  EXPECT_EQ(m_script.ReturnInt(out), 0);
  EXPECT_EQ(m_script.ReturnString(text), 0);
  EXPECT_EQ(out, -1);
  EXPECT_EQ(Top(), 1);  // the table stays
}

// DoCmd runs only calls of functions HaveFunction finds; HaveFunction
// leaves the stack as it was and survives strict globals.
TEST_F(LuaScriptTest, DoCmdRunsOnlyCallsOfExistingFunctions) {
  Load("t", "function Foo(n) Record('Foo ' .. n) end notfunc = 1");
  EXPECT_EQ(m_script.DoCmd("Foo(1)"), 1);
  EXPECT_EQ(m_script.DoCmd("Foo"), 0);
  EXPECT_EQ(m_script.DoCmd(" Foo(2)"), 0);
  EXPECT_EQ(m_script.DoCmd("Bar(3)"), 0);
  EXPECT_EQ(m_script.DoCmd("notfunc(4)"), 0);
  EXPECT_EQ(m_script.DoCmd("(5)"), 0);
  EXPECT_EQ(m_script.DoCmd(nullptr), 0);
  EXPECT_EQ(m_script.DoCmd("Foo(6) Foo(7)"), 1);
  EXPECT_EQ(Records(), (std::vector<std::string>{"Foo 1", "Foo 6", "Foo 7"}));
  EXPECT_EQ(Out(), "");

  ASSERT_EQ(m_script.DoString("setmetatable(_G, {__index = function(t, k) error('undeclared ' .. k, 2) end})"), 1);
  lua_pushinteger(m_script.GetLua(), 99);
  EXPECT_EQ(m_script.HaveFunction("Foo"), 1);
  EXPECT_EQ(m_script.HaveFunction("Nowhere"), 0);
  EXPECT_EQ(m_script.HaveFunction("a.b"), 0);
  EXPECT_EQ(Top(), 1);
  // A raising global read is a failed call, not a Lua panic.
  EXPECT_EQ(m_script.CallFunction("Nowhere", 0), 0);
  EXPECT_NE(Take().find("file: t call: Nowhere \nerror: undeclared Nowhere"), std::string::npos);
  EXPECT_EQ(m_script.DoCmd("Foo(8)"), 1);
}

TEST_F(LuaScriptTest, ClearAndTestScriptWorkInTheExistingState) {
  Load("t", "base = 1 function Clear() Record('cleared') end");
  Write("extra.lua", "extra = base + 1 Record(tostring(extra))");
  Write("broken.lua", "error('test failed', 0)");
  EXPECT_EQ(m_script.TestScript("extra.lua"), 0);
  EXPECT_EQ(m_script.TestScript("broken.lua"), 1);
  EXPECT_EQ(Take(), "script [broken.lua] func [] error : \ntest failed\n");
  m_script.Clear();
  EXPECT_EQ(Records(), (std::vector<std::string>{"2", "cleared"}));
  ASSERT_EQ(m_script.DoString("function Clear() error('clear failed', 0) end"), 1);
  try {
    m_script.Clear();
    FAIL() << "no exception";
  } catch (const luabind::error& e) {
    EXPECT_STREQ(e.what(), "lua runtime error");
    EXPECT_STREQ(lua_tostring(m_script.GetLua(), -1), "clear failed");
  }
  ASSERT_EQ(m_script.DoString("Clear = 5"), 1);
  m_script.Clear();  // not a function: nothing happens
}
