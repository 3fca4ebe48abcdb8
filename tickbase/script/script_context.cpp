#include "tickbase/script/script_context.h"

#include <cstring>
#include <exception>
#include <iostream>
#include <lua.hpp>
#include <luabind/error.hpp>
#include <string>

#include "tickbase/diag/console.h"
#include "tickbase/diag/log.h"
#include "tickbase/diag/report.h"
#include "tickbase/script/current_script.h"
#include "tickbase/script/script_helpers.h"

namespace {

void WriteLine(const std::string& line) {
  std::cout << line << std::endl;
  cLogMessage message(script_error(), kLogLevel);
  if (std::ostream* os = message.stream()) *os << line << '\n';
}

}  // namespace

void NormalizeScriptNameTo(const char* name, std::string* out) {
  out->assign(TextOf(name));
  std::string& s = *out;
  for (char& c : s) {
    if (c == '\\') c = '/';
  }
  // One pass over non-overlapping pairs: "///" keeps two slashes.
  size_t write = 0;
  for (size_t read = 0; read < s.size(); ++write) {
    const bool pair = s[read] == '/' && read + 1 < s.size() && s[read + 1] == '/';
    s[write] = s[read];
    read += pair ? 2 : 1;
  }
  s.resize(write);
}

std::string NormalizeScriptName(const char* name) {
  std::string out;
  NormalizeScriptNameTo(name, &out);
  return out;
}

const stLuaStatusName LuaStatusNames[6] = {
    {0, "LUA_OK"},
    {LUA_ERRRUN, "LUA_ERRRUN"},
    {LUA_ERRFILE, "LUA_ERRFILE"},
    {LUA_ERRSYNTAX, "LUA_ERRSYNTAX"},
    {LUA_ERRMEM, "LUA_ERRMEM"},
    {LUA_ERRERR, "LUA_ERRERR"},
};

const char* LuaStatusName(int status) {
  for (const stLuaStatusName& entry : LuaStatusNames) {
    if (entry.status == status) return entry.name;
  }
  return "LUA_UNKNOWN";
}

void lua_report_error(int status, lua_State* L, const char* script, const char* func) {
  if (status == 0) return;
  cColorScope scope(kColorError, kColorNormal, std::cout);
  WriteLine(std::string("script [") + TextOf(script) + "] func [" + TextOf(func) + "] error : ");
  std::string text;
  if (!TopErrorText(L, &text)) text = std::to_string(status) + " " + LuaStatusName(status);
  WriteLine(text);
}

void cScriptNames::Grow() {
  auto file = std::make_unique<std::string>();
  auto func = std::make_unique<std::string>();
  const std::string* fileName = file.get();
  const std::string* funcName = func.get();
  const size_t top = m_top ? static_cast<size_t>(m_top - m_levels.data()) : 0;
  m_levels.push_back(stLevel{fileName, funcName, std::move(file), std::move(func)});
  m_top = m_levels.data() + top;
  m_end = m_levels.data() + m_levels.size();
}

cScriptNames g_scriptNames;

cBindScriptFile::cBindScriptFile(const char* value) {
  value = TextOf(value);
  g_scriptNames.PushFile(value, std::strlen(value));
}
cBindScriptFile::cBindScriptFile(const char* value, size_t length) {
  g_scriptNames.PushFile(value, length);
}
cBindScriptFile::~cBindScriptFile() { g_scriptNames.Pop(); }

cBindScriptFunc::cBindScriptFunc(const char* value) {
  value = TextOf(value);
  g_scriptNames.PushFunc(value, std::strlen(value));
}
cBindScriptFunc::cBindScriptFunc(const char* value, size_t length) {
  g_scriptNames.PushFunc(value, length);
}
cBindScriptFunc::~cBindScriptFunc() { g_scriptNames.Pop(); }

const std::string& GetCurScriptFile() { return g_scriptNames.File(); }
const std::string& GetCurScriptFunc() { return g_scriptNames.Func(); }
const char* FileName() { return g_scriptNames.File().c_str(); }
const char* FuncName() { return g_scriptNames.Func().c_str(); }

void ReportCurrentException(const char* where, const std::string& subject) {
  std::string text;
  try {
    throw;
  } catch (const luabind::error& e) {
    text = e.what();
    std::string message;
    if (e.state() && TopErrorText(e.state(), &message)) {
      text += ": " + message;
      lua_pop(e.state(), 1);
    }
  } catch (const std::exception& e) {
    text = e.what();
  } catch (...) {
    text = "unknown exception";
  }
  Report(script_error(), std::string(where) + " " + subject + " exception: " + text + "\n");
}
