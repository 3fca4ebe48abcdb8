#include "start_time.h"

#include <sstream>

#include "tickbase/gametime/game_clock.h"

namespace {

// The days of t's month, by the clock's own calendar.
unsigned long DaysInMonth(const stGameTime& t) {
  cGameTime probe;
  probe.m_time = t;
  probe.m_time.day = 0;
  while (!probe.NextMonth()) ++probe.m_time.day;
  return probe.m_time.day;
}

}  // namespace

bool ParseStartTime(const std::string& text, stGameTime* out, std::string* error) {
  stGameTime t{};
  std::istringstream in(text);
  t.from_stream(in);
  if (!in || !(in >> std::ws).eof()) {
    *error = "bad --start '" + text + "': expected Y/M/D h:m:s (month and day from 0)";
    return false;
  }
  struct {
    const char* name;
    unsigned long value, last;
  } fields[] = {{"month", t.month, 11},
                {"hour", t.hour, 23},
                {"minute", t.min, 59},
                {"second", t.sec, 59},
                {"day", t.day, t.month <= 11 ? DaysInMonth(t) - 1 : 0}};
  for (const auto& field : fields) {
    if (field.value <= field.last) continue;
    std::ostringstream message;
    message << "bad --start '" << text << "': " << field.name << ' ' << field.value
            << " is out of range 0.." << field.last;
    *error = message.str();
    return false;
  }
  *out = t;
  return true;
}
