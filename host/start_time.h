// The --start option: a game time written Y/M/D h:m:s, month and day
// counted from 0.
#ifndef TICKBASE_HOST_START_TIME_H_
#define TICKBASE_HOST_START_TIME_H_

#include <string>

#include "tickbase/gametime/game_time_value.h"

// Parses text into *out. Every field is checked against the calendar: month
// 0..11, day within that month of that year, hour 0..23, minute and second
// 0..59. False with *error naming the bad field and its range.
bool ParseStartTime(const std::string& text, stGameTime* out, std::string* error);

#endif  // TICKBASE_HOST_START_TIME_H_
