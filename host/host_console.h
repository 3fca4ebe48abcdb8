// The host's console: lines typed while the game runs go to the Lua console
// between ticks. When standard input and output are a terminal, a line
// editor reads them with a prompt; otherwise (with --console) plain lines
// are read from standard input, without a prompt. Windows reads plain lines
// always: its console edits a line (arrows, history) before passing it on.
#ifndef TICKBASE_HOST_HOST_CONSOLE_H_
#define TICKBASE_HOST_HOST_CONSOLE_H_

#include <memory>
#include <string>

#include "console_input.h"
#include "lua_console.h"
#if !defined(_WIN32)
#include "line_editor.h"
#endif

class HostConsole {
 public:
  // listen: read standard input at all. The editor keeps its history in
  // ~/.tickbase_history or, without a home, in logDir.
  HostConsole(bool listen, const std::string& logDir);
  ~HostConsole() { Close(); }
  HostConsole(const HostConsole&) = delete;
  HostConsole& operator=(const HostConsole&) = delete;

  // A command of the host's own (LuaConsole::AddCommand).
  void AddCommand(const std::string& name, const std::string& help, std::function<void()> run) {
    m_lua.AddCommand(name, help, std::move(run));
  }
  // Waits at most timeoutMs for input and runs the lines that came.
  void Wait(int timeoutMs);
  // True after quit, or Ctrl-D on an empty line.
  bool quitRequested() const { return m_quit || m_lua.quitRequested(); }
  // Takes the prompt away and leaves the terminal as it was.
  void Close();

 private:
  // Runs the lines the plain reader got within timeoutMs.
  void RunPlainLines(int timeoutMs) {
    for (const std::string& line : m_plain.Wait(timeoutMs)) {
      if (!quitRequested()) m_lua.Run(line);
    }
  }

  LuaConsole m_lua;
  ConsoleInput m_plain;
  bool m_quit = false;
#if !defined(_WIN32)
  void StartLine();
  // Ends the prompt's hold on the output.
  void EndLine();

  std::unique_ptr<LineEditor> m_editor;  // null when the plain reader reads
#endif
};

#endif  // TICKBASE_HOST_HOST_CONSOLE_H_
