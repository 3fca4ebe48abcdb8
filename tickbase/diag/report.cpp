#include "tickbase/diag/report.h"

#include <iostream>

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
