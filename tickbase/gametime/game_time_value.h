// stGameTime: one moment of in-game time as six counters, year down to
// second. A plain value with no knowledge of the calendar: the game clock
// keeps the counters in range (month and day count from 0), the record
// stores whatever it is given.
#ifndef TICKBASE_GAMETIME_GAME_TIME_VALUE_H_
#define TICKBASE_GAMETIME_GAME_TIME_VALUE_H_

#include <iosfwd>
#include <string>

#include "tickbase/export.h"
#include "tickbase/platform/types.h"

// An aggregate on purpose: a default-made value holds unspecified counters,
// and every producer sets all six (brace-initialise in field order).
struct TICKBASE_API stGameTime {
  DWORD year;
  DWORD month;  // 0 is the first month
  DWORD day;    // 0 is the first day of the month
  DWORD hour;
  DWORD min;
  DWORD sec;

  // Minute-grained order: year, month, day, hour and min decide; sec takes
  // no part, so two values within one minute are equivalent.
  bool operator<(const stGameTime& other) const;

  // Writes "year/month/day hour:min:sec" with the stream's own number
  // formatting, nothing before or after.
  std::ostream& to_stream(std::ostream& os) const;
  // Reads six numbers, each followed (but the last) by one separator
  // character of any kind, white space included. When a number cannot be
  // read (no digits, a minus sign, or more than 32 bits) the stream fails, and
  // that field and all later ones keep their values.
  std::istream& from_stream(std::istream& is);

  // Replaces out with the six numbers in plain decimal, each followed by one
  // blank ("1937 7 7 0 0 0 ").
  void ToString(std::string& out) const;
  // Reads six white-space separated numbers from text; fields from the
  // first unreadable number on keep their values, the rest of the text is
  // ignored. No failure is reported: compare the fields to tell.
  void FromString(const std::string& text);
};

#endif  // TICKBASE_GAMETIME_GAME_TIME_VALUE_H_
