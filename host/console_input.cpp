#include "console_input.h"

#include "input_wait.h"

std::vector<std::string> ConsoleInput::Wait(int timeoutMs) {
  std::vector<std::string> lines;
  char buffer[4096];
  const long n = WaitForInput(m_enabled ? buffer : nullptr, sizeof buffer, timeoutMs);
  if (n < 0) return lines;
  if (n == 0) {
    m_enabled = false;  // end of input: keep ticking, stop listening
    if (!m_partial.empty()) lines.push_back(std::move(m_partial));
    m_partial.clear();
    return lines;
  }
  m_partial.append(buffer, static_cast<size_t>(n));
  for (size_t end; (end = m_partial.find('\n')) != std::string::npos;) {
    std::string line = m_partial.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    m_partial.erase(0, end + 1);
  }
  return lines;
}
