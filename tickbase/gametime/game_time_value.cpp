#include "tickbase/gametime/game_time_value.h"

#include <cstdint>
#include <istream>
#include <limits>
#include <ostream>
#include <sstream>

namespace {

// Reads one counter with ordinary extraction. The field is written only when
// the whole number fits: a failed read leaves it alone instead of the zero or
// maximum that extraction would store. A minus sign is refused, because
// extraction would wrap "-1" into a huge counter.
void ReadCounter(std::istream& is, DWORD& field) {
  const std::istream::sentry ready(is);  // skips white space, as >> would
  if (!ready) return;
  if (is.peek() == '-') {
    is.setstate(std::ios::failbit);
    return;
  }
  unsigned long long value = 0;
  if (!(is >> value)) return;
  if (value > std::numeric_limits<DWORD>::max()) {
    is.setstate(std::ios::failbit);
    return;
  }
  field = static_cast<DWORD>(value);
}

}  // namespace

bool stGameTime::operator<(const stGameTime& other) const {
  if (year != other.year) return year < other.year;
  if (month != other.month) return month < other.month;
  if (day != other.day) return day < other.day;
  if (hour != other.hour) return hour < other.hour;
  return min < other.min;
}

std::ostream& stGameTime::to_stream(std::ostream& os) const {
  return os << year << "/" << month << "/" << day << " " << hour << ":" << min << ":" << sec;
}

std::istream& stGameTime::from_stream(std::istream& is) {
  DWORD* const fields[] = {&year, &month, &day, &hour, &min, &sec};
  for (DWORD* field : fields) {
    if (field != fields[0]) is.get();  // the separator, whatever it is
    ReadCounter(is, *field);
  }
  return is;
}

void stGameTime::ToString(std::string& out) const {
  std::ostringstream os;
  os << year << ' ' << month << ' ' << day << ' ' << hour << ' ' << min << ' ' << sec << ' ';
  out = os.str();
}

void stGameTime::FromString(const std::string& text) {
  std::istringstream is(text);
  for (DWORD* field : {&year, &month, &day, &hour, &min, &sec}) ReadCounter(is, *field);
}
