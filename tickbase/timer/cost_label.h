// The cost label of the slow-code reports. Internal.
#ifndef TICKBASE_TIMER_COST_LABEL_H_
#define TICKBASE_TIMER_COST_LABEL_H_

// " 【costtime】 " in code page 936 (GBK): full-width brackets around the word.
inline constexpr char kCostLabel[] = " \xA1\xBE" "costtime" "\xA1\xBF ";

#endif  // TICKBASE_TIMER_COST_LABEL_H_
