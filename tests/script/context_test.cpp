#include <gtest/gtest.h>

#include <lua.hpp>

#include "script/script_fixture.h"
#include "tickbase/script/script_context.h"

using ContextTest = ScriptTest;

// The separator rule itself is checked by the script_names fuzz target over
// its seeds; the error reports below name the usual statuses.
TEST(ScriptNames, NormaliseInOnePassAndStatusNamesFollowTheLuaInUse) {
  EXPECT_EQ(NormalizeScriptName("a\\\\/b"), "a//b");  // backslashes first, then pairs
  EXPECT_EQ(NormalizeScriptName(nullptr), "");
  EXPECT_STREQ(LuaStatusName(0), "LUA_OK");
  EXPECT_STREQ(LuaStatusName(LUA_ERRERR), "LUA_ERRERR");
  EXPECT_STREQ(LuaStatusName(LUA_ERRFILE), "LUA_ERRFILE");
  EXPECT_STREQ(LuaStatusName(LUA_YIELD), "LUA_UNKNOWN");
  EXPECT_STREQ(LuaStatusName(99), "LUA_UNKNOWN");
}

// Guards nest and restore in order. Deep nesting grows the slot storage
// while a guard reads the value of the level below it, and the outer
// level's text stays where it was.
TEST(ScriptGuards, NestAndRestoreKeepingValuesAndOuterTexts) {
  cBindScriptFunc func("outer");
  cBindScriptFile outer("t");  // short enough to live inside the string itself
  const char* text = FileName();
  const std::string& current = GetCurScriptFile();
  {
    cBindScriptFunc inner("inner");
    std::vector<std::unique_ptr<cBindScriptFile>> guards;
    guards.push_back(
        std::make_unique<cBindScriptFile>("a long script name that does not fit inline"));
    for (int i = 0; i < 200; ++i) guards.push_back(std::make_unique<cBindScriptFile>(FileName()));
    EXPECT_EQ(GetCurScriptFile(), "a long script name that does not fit inline");
    EXPECT_STREQ(FuncName(), "inner");
  }
  EXPECT_STREQ(FuncName(), "outer");
  EXPECT_STREQ(text, "t");
  EXPECT_EQ(current, "t");
  cBindScriptFile empty(nullptr);
  EXPECT_STREQ(FileName(), "");
}

TEST_F(ContextTest, CreateScriptShapesTheDirectoryAndSetZipSaysTheMode) {
  Manager().CreateScript("");
  EXPECT_EQ(Manager().GetPath(), "script/");
  Manager().CreateScript("data/scripts");
  EXPECT_EQ(Manager().GetPath(), "data/scripts/");
  Manager().CreateScript("data\\scripts\\");
  EXPECT_EQ(Manager().GetPath(), "data/scripts//");
  Manager().CreateScript(nullptr);
  EXPECT_EQ(Manager().GetPath(), "script/");

  Manager().SetZip("data/script.zip");
  EXPECT_EQ(Take(), "cScriptManager::SetZip config_str zip_script = data/script.zip\n");
  Manager().SetZip("");
  EXPECT_EQ(Take(), "cScriptManager::SetZip not use zip_script.\n");
}

// Strings and numbers are printed as they are and stay on the stack; other
// error values give the status number and name.
TEST_F(ContextTest, ErrorReportsNameTheScriptFunctionAndError) {
  lua_State* L = luaL_newstate();
  lua_pushstring(L, "ignored");
  lua_report_error(0, L, "s", "f");  // status 0 writes nothing
  lua_pushnumber(L, 42);
  lua_report_error(LUA_ERRRUN, L, "s", "f");  // the channel is off: console only
  EXPECT_EQ(Take(), "script [s] func [f] error : \n42\n");
  EXPECT_EQ(lua_type(L, -1), LUA_TNUMBER);  // printed, not converted
  ChannelCapture channel("script.error");
  lua_pushstring(L, "boom");
  lua_report_error(LUA_ERRRUN, L, "npc/guard", "OnTalk");
  EXPECT_EQ(Take(), "script [npc/guard] func [OnTalk] error : \nboom\n");
  ASSERT_EQ(lua_gettop(L), 3);
  EXPECT_STREQ(lua_tostring(L, -1), "boom");
  EXPECT_EQ(ConsoleAttributes() & 0x0F, 11);

  lua_newtable(L);
  lua_report_error(LUA_ERRSYNTAX, L, nullptr, nullptr);
  lua_pushnil(L);
  lua_report_error(LUA_ERRRUN, L, "s", "f");
  lua_settop(L, 0);
  lua_report_error(LUA_ERRMEM, L, "s", "f");  // nothing on the stack at all
  lua_close(L);
  EXPECT_EQ(Out(),
            "script [] func [] error : \n3 LUA_ERRSYNTAX\n"
            "script [s] func [f] error : \n2 LUA_ERRRUN\n"
            "script [s] func [f] error : \n4 LUA_ERRMEM\n");
  EXPECT_EQ(channel.messages(),
            (std::vector<std::string>{"script [npc/guard] func [OnTalk] error : \n", "boom\n",
                                      "script [] func [] error : \n", "3 LUA_ERRSYNTAX\n",
                                      "script [s] func [f] error : \n", "2 LUA_ERRRUN\n",
                                      "script [s] func [f] error : \n", "4 LUA_ERRMEM\n"}));
}
