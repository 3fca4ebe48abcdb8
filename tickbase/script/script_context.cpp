#include "tickbase/script/script_context.h"

#include <lua.hpp>

#include <deque>
#include <iostream>
#include <string>

#include "tickbase/diag/console.h"
#include "tickbase/diag/log.h"
#include "tickbase/diag/report.h"
#include "tickbase/script/lua_stack.h"

namespace {

// The values of nested guards, one slot per nesting level; slot 0 is the
// value outside every guard. Slots are kept after their guard ends so their
// capacity serves the next guard at that level: calling a script function
// by name, the host's hot path, then costs no allocation. A deque keeps the
// strings in place when it grows, so a guard may take its value from the
// current one.
class cNameStack {
 public:
  cNameStack() : m_slots(1), m_depth(0) {}

  void Push(const char* value) {
    if (m_depth + 1 == m_slots.size()) m_slots.emplace_back();
    m_slots[m_depth + 1].assign(TextOf(value));
    ++m_depth;
  }
  void Pop() {
    if (m_depth > 0) --m_depth;
  }
  const std::string& Current() const { return m_slots[m_depth]; }

 private:
  std::deque<std::string> m_slots;
  size_t m_depth;
};

cNameStack& FileStack() {
  static cNameStack stack;
  return stack;
}

cNameStack& FuncStack() {
  static cNameStack stack;
  return stack;
}

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

cBindScriptFile::cBindScriptFile(const char* value) { FileStack().Push(value); }
cBindScriptFile::~cBindScriptFile() { FileStack().Pop(); }

cBindScriptFunc::cBindScriptFunc(const char* value) { FuncStack().Push(value); }
cBindScriptFunc::~cBindScriptFunc() { FuncStack().Pop(); }

const std::string& GetCurScriptFile() { return FileStack().Current(); }
const std::string& GetCurScriptFunc() { return FuncStack().Current(); }
const char* FileName() { return FileStack().Current().c_str(); }
const char* FuncName() { return FuncStack().Current().c_str(); }
