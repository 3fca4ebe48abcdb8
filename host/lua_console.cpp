#include "lua_console.h"

#include <algorithm>
#include <exception>
#include <iostream>
#include <lua.hpp>

#include "tickbase/diag/console.h"
#include "tickbase/script/script_context.h"
#include "tickbase/script/script_runner.h"

namespace {

constexpr WORD kColorError = 12;
constexpr WORD kColorNormal = 11;


std::string Trim(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t") + 1 - first);
}

void ShowError(const std::string& text) {
  cColorScope red(kColorError, kColorNormal, std::cout);
  std::cout << text << std::endl;
}

std::string ErrorText(lua_State* L) {
  if (lua_isstring(L, -1)) return lua_tostring(L, -1);
  return std::string("(error object is a ") + luaL_typename(L, -1) + " value)";
}

// Lua reports a chunk cut off early as a syntax error at '<eof>'.
bool Unfinished(lua_State* L) {
  static const std::string kAtEnd = "'<eof>'";
  const std::string message = ErrorText(L);
  return message.size() >= kAtEnd.size() &&
         message.compare(message.size() - kAtEnd.size(), kAtEnd.size(), kAtEnd) == 0;
}

int Load(lua_State* L, const std::string& code) {
  return luaL_loadbuffer(L, code.data(), code.size(), "=console");
}

// The values above base as tostring shows them, tab-separated, on one line.
void PrintResults(lua_State* L, int base) {
  const int top = lua_gettop(L);
  if (top == base) return;
  luaL_checkstack(L, 2, "console results");
  std::string line;
  for (int i = base + 1; i <= top; ++i) {
    if (i > base + 1) line += '\t';
    lua_getglobal(L, "tostring");
    lua_pushvalue(L, i);
    line += lua_pcall(L, 1, 1, 0) == 0 && lua_isstring(L, -1) ? lua_tostring(L, -1)
                                                               : luaL_typename(L, i);
    lua_pop(L, 1);
  }
  std::cout << line << std::endl;
}

}  // namespace

LuaConsole::LuaConsole() {
  cScriptManager::Instance().AddReloadAll(this);
  AddCommand("reload", "reload all scripts", [] { ReloadAll(); });
  AddCommand("gc", "memory in use by each script", [] {
    cScriptManager::Instance().TraceGC(std::cout);
  });
  AddCommand("scripts", "the loaded scripts", [] {
    cScriptManager::Instance().TraceAllScriptFiles();
    std::cout << std::endl;
  });
  AddCommand("quit", "end the host; Ctrl-D on an empty line does too", [this] { m_quit = true; });
}

LuaConsole::~LuaConsole() { cScriptManager::Instance().RemoveReloadAll(this); }

void LuaConsole::AfterReload() {
  if (m_command) m_replaced.push_back(std::move(m_command));
}

void LuaConsole::AddCommand(const std::string& name, const std::string& help,
                            std::function<void()> run) {
  m_commands[name] = {help, std::move(run)};
}

std::string LuaConsole::Prompt() const {
  return (m_script.empty() ? "lua" : m_script) + (m_chunk.empty() ? "> " : ">> ");
}

void LuaConsole::Run(const std::string& line) {
  if (m_chunk.empty() && Command(Trim(line))) return;
  const std::string chunk = m_chunk.empty() ? line : m_chunk + "\n" + line;
  m_chunk.clear();
  if (Trim(chunk).empty()) return;
  if (lua_State* L = State()) Evaluate(L, chunk);
}

bool LuaConsole::Command(const std::string& line) {
  const auto command = m_commands.find(line[0] == ':' ? line.substr(1) : line);
  if (command != m_commands.end()) {
    command->second.run();
  } else if (line == ":help") {
    std::cout << ":use SCRIPT   run the next lines in SCRIPT's state (loaded if needed)\n"
                 ":use          back to the command state\n";
    for (const auto& [name, entry] : m_commands) {
      std::cout << ':' << name << std::string(13 - std::min<size_t>(name.size(), 12), ' ')
                << entry.help << " (also: " << name << ")\n";
    }
    std::cout << ":help         this list\n"
                 "Any other line runs as Lua; an expression (or =expression) prints its values."
              << std::endl;
  } else if (line == ":use" || line.rfind(":use ", 0) == 0) {
    Use(Trim(line.substr(4)));
  } else if (!line.empty() && line[0] == ':') {
    ShowError("unknown command " + line + " (:help lists the commands)");
  } else {
    return false;
  }
  return true;
}

void LuaConsole::Use(const std::string& name) {
  if (!name.empty() && cScriptManager::Instance().GetScriptL(name.c_str()) == nullptr) {
    ShowError(":use " + name + ": the script cannot be loaded");
    return;
  }
  m_script = name;
}

lua_State* LuaConsole::State() {
  if (!m_script.empty()) {
    if (lua_State* L = cScriptManager::Instance().GetScriptL(m_script.c_str())) return L;
    ShowError("script " + m_script + " cannot be loaded: back to the command state");
    m_script.clear();
  }
  if (!m_command) m_command.reset(cScriptManager::Instance().NewScript(""));
  return m_command ? m_command->GetLua() : nullptr;
}

void LuaConsole::Evaluate(lua_State* L, const std::string& chunk) {
  const int base = lua_gettop(L);
  const std::string code = chunk[0] == '=' ? "return " + chunk.substr(1) : chunk;
  int status = Load(L, "return " + code);
  if (status != 0) {
    lua_pop(L, 1);
    status = Load(L, code);
  }
  if (status == LUA_ERRSYNTAX && Unfinished(L)) {
    m_chunk = chunk;
  } else if (status == 0) {
    cBindScriptFile file(m_script.c_str());
    cBindScriptFunc func(code.c_str());
    try {
      status = lua_pcall(L, 0, LUA_MULTRET, 0);
    } catch (const std::exception& e) {
      lua_settop(L, base);
      lua_pushstring(L, e.what());
      status = LUA_ERRRUN;
    }
  }
  if (m_chunk.empty()) {
    if (status == 0) {
      PrintResults(L, base);
    } else {
      ShowError(ErrorText(L));
    }
  }
  lua_settop(L, base);
}

std::vector<std::string> LuaConsole::Complete(const std::string& word) {
  std::vector<std::string> names;
  lua_State* L = State();
  if (!L) return names;
  const size_t split = word.find_last_of(".:");
  const std::string path = split == std::string::npos ? "" : word.substr(0, split + 1);
  const std::string start = word.substr(path.size());
  const int base = lua_gettop(L);
  lua_pushvalue(L, LUA_GLOBALSINDEX);
  // Raw reads: completing must not run a metamethod.
  for (size_t at = 0; at < path.size() && lua_istable(L, -1);) {
    const size_t end = path.find_first_of(".:", at);
    lua_pushlstring(L, path.data() + at, end - at);
    lua_rawget(L, -2);
    at = end + 1;
  }
  if (lua_istable(L, -1)) {
    for (lua_pushnil(L); lua_next(L, -2) != 0; lua_pop(L, 1)) {
      if (lua_type(L, -2) != LUA_TSTRING) continue;
      const std::string key = lua_tostring(L, -2);
      if (key.compare(0, start.size(), start) == 0) names.push_back(path + key);
    }
  }
  lua_settop(L, base);
  std::sort(names.begin(), names.end());
  return names;
}
