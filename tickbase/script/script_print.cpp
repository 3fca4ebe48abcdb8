#include "tickbase/script/script_print.h"

#include <cstdio>
#include <iostream>
#include <lua.hpp>
#include <string>

#include "tickbase/diag/console.h"
#include "tickbase/diag/internal_channels.h"
#include "tickbase/diag/log.h"
#include "tickbase/diag/report.h"
#include "tickbase/script/lua_boundary.h"
#include "tickbase/script/script_context.h"

namespace {

// "【Script】" in code page 936 (GBK): full-width brackets around the word.
constexpr char kScriptLabel[] = "\xA1\xBE" "Script" "\xA1\xBF";

// Appends argument i's text and a blank (functionText for a function) to
// out; false for types that show nothing. Numbers are formatted here, as
// Lua would, instead of being converted in place: nothing raises a Lua
// error while the caller holds C++ objects.
bool AppendArgument(lua_State* L, int i, const char* functionText, std::string& out) {
  switch (lua_type(L, i)) {
    case LUA_TSTRING: {
      size_t length = 0;
      const char* text = lua_tolstring(L, i, &length);
      out.append(text, length);
      out += ' ';
      return true;
    }
    case LUA_TNUMBER: {
      char text[LUAI_MAXNUMBER2STR];
      std::snprintf(text, sizeof(text), LUA_NUMBER_FMT, lua_tonumber(L, i));
      out += text;
      out += ' ';
      return true;
    }
    case LUA_TBOOLEAN:
      out += lua_toboolean(L, i) ? "1 " : "0 ";
      return true;
    case LUA_TNIL:
      out += "nil ";
      return true;
    case LUA_TFUNCTION:
      out += functionText;
      return true;
    default:
      return false;
  }
}

int TraceBody(lua_State* L) {
  std::string line;
  const int count = lua_gettop(L);
  for (int i = 1; i <= count; ++i) AppendArgument(L, i, " function ", line);
  {
    cColorScope header(kColorHeader, kColorNormal, std::cout);
    std::cout << kScriptLabel << FileName() << " " << FuncName() << " ";
  }
  std::cout << line << std::endl;
  return 0;
}

int LogBody(lua_State* L) {
  spdlog::logger& channel = quenlet_script();
  bool enabled = false;
  {
    cColorScope header(kColorHeader, kColorNormal, std::cout);
    cLogMessage message(channel, kLogLevel);
    if (std::ostream* os = message.stream()) {
      enabled = true;
      *os << kScriptLabel << FileName() << " " << FuncName() << " ";
    }
  }
  if (!enabled) return 0;
  std::string piece;
  const int count = lua_gettop(L);
  for (int i = 1; i <= count; ++i) {
    piece.clear();
    if (!AppendArgument(L, i, "[function] ", piece)) continue;
    cLogMessage message(channel, kLogLevel);
    if (std::ostream* os = message.stream()) *os << piece;
  }
  return 0;
}

}  // namespace

int lua_trace(lua_State* L) { return LuaBoundary(L, &TraceBody); }

int lua_log(lua_State* L) { return LuaBoundary(L, &LogBody); }
