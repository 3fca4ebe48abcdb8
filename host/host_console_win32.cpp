#include "host_console.h"

HostConsole::HostConsole(bool listen, const std::string&) : m_plain(listen) {}

void HostConsole::Wait(int timeoutMs) {
  for (const std::string& line : m_plain.Wait(timeoutMs)) {
    if (!quitRequested()) m_lua.Run(line);
  }
}

void HostConsole::Close() {}
