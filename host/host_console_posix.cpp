#include "host_console.h"

#include <cstdlib>

#include "system.h"

namespace {

std::string HistoryFile(const std::string& logDir) {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    return std::string(home) + "/.tickbase_history";
  }
  return logDir.empty() ? "" : logDir + "/console_history";
}

}  // namespace

HostConsole::HostConsole(bool listen, const std::string& logDir)
    : m_plain(listen && !(InputIsTerminal() && OutputIsTerminal())) {
  if (!listen || !InputIsTerminal() || !OutputIsTerminal()) return;
  m_editor = std::make_unique<LineEditor>(
      HistoryFile(logDir), [this](const std::string& word) { return m_lua.Complete(word); });
  StartLine();
}

void HostConsole::Wait(int timeoutMs) {
  if (!m_editor) {
    RunPlainLines(timeoutMs);
    return;
  }
  std::string line;
  const LineEditor::Input input = m_editor->Wait(timeoutMs, &line);
  if (input == LineEditor::Input::kNothing) return;
  EndLine();
  if (input == LineEditor::Input::kEnd) {
    m_quit = true;
    return;
  }
  m_lua.Run(line);
  if (!quitRequested()) StartLine();
}

void HostConsole::Close() {
  if (!m_editor) return;
  if (ConsoleStreams* streams = ConsoleStreams::Current()) streams->SetOverlay(nullptr);
  m_editor.reset();
  EndLine();
}

void HostConsole::StartLine() {
  ConsoleStreams* streams = ConsoleStreams::Current();
  // Typing shows in the terminal's own colours, whatever the output left set.
  m_editor->Start(m_lua.Prompt(), streams && streams->coloured() ? "\x1b[0m" : "");
  if (streams) streams->SetOverlay(m_editor.get());
}

void HostConsole::EndLine() {
  if (ConsoleStreams* streams = ConsoleStreams::Current()) {
    streams->SetOverlay(nullptr);
    streams->Release();
  }
}
