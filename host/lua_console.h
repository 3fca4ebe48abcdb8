// The host's Lua console: runs typed lines the way a standalone Lua
// interpreter does, in the command state or in one script's state. An
// expression prints its values ("1+1" and "=1+1" print 2), a chunk that is
// not finished yet continues with the next line, and an error shows as one
// red line. Lines that begin with ':' are commands (":help" lists them);
// reload, gc, scripts and quit also work without the colon.
#ifndef TICKBASE_HOST_LUA_CONSOLE_H_
#define TICKBASE_HOST_LUA_CONSOLE_H_

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tickbase/script/script_manager.h"

class LuaConsole : private iReloadAll {
 public:
  LuaConsole();
  ~LuaConsole();
  LuaConsole(const LuaConsole&) = delete;
  LuaConsole& operator=(const LuaConsole&) = delete;

  // Adds the command name (and :name), listed by :help with its help text.
  void AddCommand(const std::string& name, const std::string& help, std::function<void()> run);
  // Runs one typed line, or keeps it for the rest of its chunk.
  void Run(const std::string& line);
  // "<state>> " for a new chunk, "<state>>> " inside one; the state is
  // "lua" for the command state or the script's name.
  std::string Prompt() const;
  bool quitRequested() const { return m_quit; }
  // The names that begin with word among the globals of the current state
  // or, for a dotted word, among the fields of the table it names.
  std::vector<std::string> Complete(const std::string& word);

 private:
  void BeforeReload() override {}
  // A reload starts the command state afresh.
  void AfterReload() override;
  // Runs line when it is a command; false when it is Lua.
  bool Command(const std::string& line);
  void Use(const std::string& name);
  // The current state, made or loaded as needed; null when none can be had.
  lua_State* State();
  void Evaluate(lua_State* L, const std::string& chunk);

  struct stCommand {
    std::string help;
    std::function<void()> run;
  };
  std::map<std::string, stCommand> m_commands;
  std::string m_script;  // the script of :use; empty for the command state
  std::string m_chunk;   // the lines of an unfinished chunk
  std::unique_ptr<KLuaScript> m_command;
  // Command states a reload replaced; a line may still be running in one.
  std::vector<std::unique_ptr<KLuaScript>> m_replaced;
  bool m_quit = false;
};

#endif  // TICKBASE_HOST_LUA_CONSOLE_H_
