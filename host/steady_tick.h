// The main loop's schedule: tick deadlines one period apart, so the rate
// holds when the ticks themselves take time, and the figures the status
// shows (ticks, overruns, the longest tick). Times are milliseconds of one
// monotonic clock, passed in.
#ifndef TICKBASE_HOST_STEADY_TICK_H_
#define TICKBASE_HOST_STEADY_TICK_H_

#include <cstdint>

class cSteadyTick {
 public:
  // The first tick is due at once.
  cSteadyTick(std::int64_t periodMs, std::int64_t nowMs);

  // Milliseconds until the next tick is due; 0 when it is due.
  std::int64_t WaitMs(std::int64_t nowMs) const;
  // Records a tick that ran from startMs to endMs and moves the deadline one
  // period on. A tick that ended past the new deadline overran; when the
  // loop has fallen a whole period behind, the schedule restarts at endMs
  // rather than run a burst of ticks to catch up.
  void Done(std::int64_t startMs, std::int64_t endMs);

  std::int64_t period() const { return m_period; }
  std::uint64_t ticks() const { return m_ticks; }
  std::uint64_t overruns() const { return m_overruns; }
  std::int64_t longestMs() const { return m_longest; }

 private:
  std::int64_t m_period;
  std::int64_t m_deadline;
  std::uint64_t m_ticks = 0;
  std::uint64_t m_overruns = 0;
  std::int64_t m_longest = 0;
};

#endif  // TICKBASE_HOST_STEADY_TICK_H_
