#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <lua.hpp>
#include <stdexcept>

#include "script/script_fixture.h"
#include "tickbase/script/lua_boundary.h"
#include "tickbase/script/script_loader.h"

namespace {

// A state set up as the registry would set it up, owned by the test.
class LoaderTest : public ScriptTest {
 protected:
  void TearDown() override {
    m_state.reset();
    ScriptTest::TearDown();
  }
  // A fresh state made with the current mode's loaders.
  lua_State* State() {
    m_state.reset(Manager().NewScript("loader"));
    return m_state->GetLua();
  }
  double Global(const char* name) {
    lua_getglobal(m_state->GetLua(), name);
    const double value = lua_tonumber(m_state->GetLua(), -1);
    lua_pop(m_state->GetLua(), 1);
    return value;
  }
  std::unique_ptr<KLuaScript> m_state;
};

// Bytecode of a chunk that sets x = 1.
std::string CompiledChunk() {
  lua_State* L = luaL_newstate();
  luaL_loadstring(L, "x = 1");
  std::string bytes;
  lua_dump(
      L,
      [](lua_State*, const void* p, size_t n, void* out) {
        static_cast<std::string*>(out)->append(static_cast<const char*>(p), n);
        return 0;
      },
      &bytes);
  lua_close(L);
  return bytes;
}

int ThrowsStd(lua_State*) { throw std::runtime_error("native failure"); }
int ThrowsOther(lua_State*) { throw 42; }
int ThrowingStd(lua_State* L) { return LuaBoundary(L, &ThrowsStd); }
int ThrowingOther(lua_State* L) { return LuaBoundary(L, &ThrowsOther); }

}  // namespace

TEST_F(LoaderTest, DoFileAndDoStringReportFailuresAndKeepTheError) {
  lua_State* L = State();
  Write("ok.lua", "x = 3");
  EXPECT_EQ(lua_dofile(L, "ok.lua"), 0);
  EXPECT_EQ(Global("x"), 3);
  EXPECT_EQ(lua_dofile(L, "missing.lua"), 1);
  EXPECT_NE(Out().find("script [missing.lua] func [] error : \ncannot open missing.lua"),
            std::string::npos);
  Take();
  EXPECT_EQ(lua_dostring(L, "named", "error('bad', 0)"), 1);
  EXPECT_EQ(Take(), "script [named] func [error('bad', 0)] error : \nbad\n");
  EXPECT_EQ(lua_dostring(L, "named", "x = = 1"), 1);
  // The chunk is named by its own text.
  EXPECT_NE(Take().find("[string \"x = = 1\"]:1:"), std::string::npos);
  EXPECT_EQ(lua_gettop(L), 3);  // every error value stays
}

TEST_F(LoaderTest, DirectoryModeKeepsLuasOwnRequireAndDofile) {
  Write("five.lua", "return 5");
  lua_State* L = State();
  ASSERT_EQ(lua_dostring(L, "t", "v = dofile('five.lua')"), 0);
  EXPECT_EQ(Global("v"), 5);
  Write("precompiled.lua", CompiledChunk());
  EXPECT_EQ(lua_dofile(L, "precompiled.lua"), 0);
  EXPECT_EQ(Global("x"), 1);
}

TEST_F(LoaderTest, PackModeReadsLooseFilesBeforeThePackage) {
  WriteZip("pack.zip", {{"a.lua", "x = 1"}, {"b.lua", "y = 2"}});
  Write("a.lua", "x = 10");
  UsePack("pack.zip");
  lua_State* L = State();
  EXPECT_EQ(my_lua_dofile(L, "a.lua"), 0);
  EXPECT_EQ(my_lua_requre(L, "b.lua"), 0);
  EXPECT_EQ(Global("x"), 10);
  EXPECT_EQ(Global("y"), 2);
  EXPECT_EQ(Out(), "");
}

TEST_F(LoaderTest, PackModeRequireRunsEveryTimeAndReturnsNothing) {
  WriteZip("pack.zip", {{"count.lua", "n = (n or 0) + 1 return 'value'"}, {"5.lua", "five = 5"}});
  UsePack("pack.zip");
  lua_State* L = State();
  ASSERT_EQ(lua_dostring(L, "t",
                         "r = select('#', require('count')) "
                         "require('count.lua') dofile('count') "
                         "require(5) require() require('count', 'x')"),
            0);
  EXPECT_EQ(Global("n"), 3);
  EXPECT_EQ(Global("r"), 0);  // no values come back
  EXPECT_EQ(Global("five"), 5);
  EXPECT_EQ(Out(), "");
}

TEST_F(LoaderTest, PackModeFailuresAreReportedAndTheCallerGoesOn) {
  WriteZip("pack.zip", {{"bad.lua", "local t = nil\nt.x = 1"}});
  UsePack("pack.zip");
  lua_State* L = State();
  ASSERT_EQ(lua_dostring(L, "t", "require('bad') require('../missing') after = 1"), 0);
  EXPECT_EQ(Global("after"), 1);
  const std::string out = Out();
  // The whole file text is the function text of the report.
  EXPECT_NE(out.find("script [bad.lua] func [local t = nil\nt.x = 1] error : \n"),
            std::string::npos);
  EXPECT_NE(out.find("my_lua_dofile ../missing.lua not found in the zip pack.zip\n"),
            std::string::npos);
}

TEST_F(LoaderTest, PackModeRunsTextSoPrecompiledEntriesFail) {
  WriteZip("pack.zip", {{"precompiled.lua", CompiledChunk()}});
  UsePack("pack.zip");
  EXPECT_EQ(my_lua_dofile(State(), "precompiled.lua"), 1);
  EXPECT_NE(Out().find("script [precompiled.lua] func [\x1bL"), std::string::npos);
#ifdef LUAJIT_VERSION
  EXPECT_NE(Out().find("cannot load malformed bytecode"), std::string::npos) << Out();
#else
  EXPECT_NE(Out().find("unexpected end in precompiled chunk"), std::string::npos) << Out();
#endif
}

TEST_F(LoaderTest, BrokenPackagesLeaveOnlyTheDisk) {
  Write("garbage.zip", "this is not a zip archive at all");
  WriteZip("whole.zip", {{"a.lua", "x = 1 -- padding padding padding padding"}});
  std::filesystem::resize_file("whole.zip", std::filesystem::file_size("whole.zip") / 2);
  Write("loose.lua", "loose = 1");
  for (const char* zip : {"garbage.zip", "whole.zip", "absent.zip"}) {
    UsePack(zip);
    lua_State* L = State();
    EXPECT_EQ(my_lua_dofile(L, "a.lua"), -1) << zip;
    EXPECT_EQ(Take(), std::string("my_lua_dofile a.lua not found in the zip ") + zip + "\n");
    EXPECT_EQ(my_lua_dofile(L, "loose.lua"), 0) << zip;
  }
}

TEST_F(LoaderTest, CorruptEntryDataIsAFailedLoadNotAnEmptyOne) {
  const std::string text = "x = 'stored text that will be damaged'";
  WriteZip("pack.zip", {{"a.lua", text}});
  std::string bytes;
  {
    std::ifstream in("pack.zip", std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  const size_t at = bytes.find("damaged");
  ASSERT_NE(at, std::string::npos);
  bytes[at] = 'D';  // the checksum no longer matches
  std::ofstream("pack.zip", std::ios::binary) << bytes;
  UsePack("pack.zip");
  lua_State* L = State();
  EXPECT_EQ(my_lua_dofile(L, "a.lua"), 1);
  EXPECT_EQ(Out(), "script [a.lua] func [] error : \ncannot read a.lua from the zip pack.zip\n");
  EXPECT_EQ(Global("x"), 0);
}

TEST_F(LoaderTest, RegisterScriptStopsAtTheEndRow) {
  lua_State* L = State();
  const Tlua_Funcs empty[] = {{"", &ThrowingStd}, {"never", &ThrowingStd}, {"", nullptr}};
  RegisterScript(L, empty);
  RegisterScript(L, nullptr);
  const Tlua_Funcs rows[] = {{"print", &ThrowingStd}, {"cut", nullptr}, {"after", &ThrowingStd}};
  RegisterScript(L, rows);
  lua_getglobal(L, "never");
  lua_getglobal(L, "after");
  lua_getglobal(L, "print");
  EXPECT_TRUE(lua_isnil(L, -3));
  EXPECT_TRUE(lua_isnil(L, -2));
  EXPECT_EQ(lua_tocfunction(L, -1), &ThrowingStd);  // replaced the standard print
  lua_settop(L, 0);
}

TEST_F(LoaderTest, LoaderTableNamesRequireAndDofile) {
  Tlua_Funcs* rows = GetOSFuncs();
  EXPECT_STREQ(rows[0].name, "require");
  EXPECT_STREQ(rows[1].name, "dofile");
  EXPECT_EQ(rows[0].func, rows[1].func);
  EXPECT_STREQ(rows[2].name, "");
  EXPECT_EQ(rows[2].func, nullptr);
}

TEST_F(LoaderTest, NativeExceptionsBecomeLuaErrors) {
  lua_State* L = State();
  lua_register(L, "ThrowingStd", &ThrowingStd);
  lua_register(L, "ThrowingOther", &ThrowingOther);
  ASSERT_EQ(luaL_dostring(L, "ok1, e1 = pcall(ThrowingStd) ok2, e2 = pcall(ThrowingOther)"), 0);
  lua_getglobal(L, "e1");
  lua_getglobal(L, "e2");
  EXPECT_STREQ(lua_tostring(L, -2), "C++ exception: native failure");
  EXPECT_STREQ(lua_tostring(L, -1), "C++ exception: unknown exception");
  lua_settop(L, 0);
  // The state is still sound.
  EXPECT_EQ(luaL_dostring(L, "x = 1 + 1"), 0);
}
