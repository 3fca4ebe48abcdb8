// The five time ranges and three timer kinds of the scheduler, with their
// tables. Values outside the enumerators are representable (the underlying
// type is fixed) so that bad requests can be refused rather than be UB.
#ifndef TICKBASE_TIMER_TIMER_TYPES_H_
#define TICKBASE_TIMER_TIMER_TYPES_H_

#include "tickbase/platform/types.h"

enum TimeRange : int {
  TimeRange_MS = 0,
  TimeRange_Sec = 1,
  TimeRange_Min = 2,
  TimeRange_Hour = 3,
  TimeRange_Day = 4,
  TimeRange_Max = 5  // number of ranges; not a range
};

enum TimerEnum : int {
  Timer_Map = 0,    // time is an absolute due time on the range's clock
  Timer_Patch = 1,  // time is a period in units of the range, firings spread over it
  Timer_List = 2    // time is a period in units of the range, all fire together
};

// Range names, NUL-padded fixed fields: "MS" "Sec" "Min" "Hour" "Day".
inline constexpr char kTimeRangeNames[TimeRange_Max][32] = {"MS", "Sec", "Min", "Hour", "Day"};

// Milliseconds per unit of each range.
inline constexpr DWORD kTimeRangeMs[TimeRange_Max] = {1, 1000, 60000, 3600000, 86400000};

// Clock units per unit of each range: the ms range's clock counts
// milliseconds, every other range's clock counts seconds.
inline constexpr DWORD kTimeRangeClockUnits[TimeRange_Max] = {1, 1, 60, 3600, 86400};

// Seconds per unit; 0 for the ms range, whose clock is not in seconds.
inline constexpr DWORD kTimeRangeSec[TimeRange_Max] = {0, 1, 60, 3600, 86400};

inline bool IsTimeRange(TimeRange range) { return range >= 0 && range < TimeRange_Max; }

#endif  // TICKBASE_TIMER_TIMER_TYPES_H_
