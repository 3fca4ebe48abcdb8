#include "tickbase/diag/report.h"

#include <iostream>
#include <string>

#include "tickbase/diag/console.h"
#include "tickbase/diag/log.h"

void Report(spdlog::logger& channel, const std::string& text, WORD color) {
  std::cout.flush();
  GetConsole().SetColor(color, 0xF0);
  std::cout << text;
  {
    cLogMessage message(channel, kLogLevel);
    if (std::ostream* os = message.stream()) *os << text;
  }
  std::cout.flush();
  GetConsole().SetColor(kColorNormal, 0xF0);
}

cChannelReport::~cChannelReport() {
  try {
    const std::string text = m_text.str();
    cLogMessage message(m_channel, kLogLevel);
    if (message.m_stream) {
      *message.m_stream << text;
      return;
    }
    std::cerr << '[' << m_channel.name() << "] " << text;
    if (text.empty() || text.back() != '\n') std::cerr << '\n';
    std::cerr.flush();
  } catch (...) {
    // A report must never take its caller down.
  }
}
