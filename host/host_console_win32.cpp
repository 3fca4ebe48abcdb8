#include "host_console.h"

HostConsole::HostConsole(bool listen, const std::string&) : m_plain(listen) {}

void HostConsole::Wait(int timeoutMs) { RunPlainLines(timeoutMs); }

void HostConsole::Close() {}
