// The one place that orders due times. Clocks are 32-bit and wrap (the ms
// clock at 2^32, about 49.7 days), so due times are compared by their signed
// 32-bit difference, whatever the width of the unsigned long that carries
// them. The order holds while every due time lies within 2^31 units of the
// clock. Internal.
#ifndef TICKBASE_TIMER_DUE_ORDER_H_
#define TICKBASE_TIMER_DUE_ORDER_H_

#include <cstdint>

// A due time as the containers store it: the low 32 bits of the clock value.
inline std::uint32_t DueTime(unsigned long t) { return static_cast<std::uint32_t>(t); }

// True when due time a comes before b.
inline bool DueBefore(std::uint32_t a, std::uint32_t b) {
  return static_cast<std::int32_t>(a - b) < 0;
}

// True when an entry due at `due` is due at clock `now`.
inline bool IsDue(std::uint32_t now, std::uint32_t due) {
  return static_cast<std::int32_t>(now - due) >= 0;
}

// The longest distance from the clock that keeps the order sound.
constexpr std::uint32_t kMaxDueDistance = 0x7FFFFFFFu;

#endif  // TICKBASE_TIMER_DUE_ORDER_H_
