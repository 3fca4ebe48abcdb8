#include "steady_tick.h"

cSteadyTick::cSteadyTick(std::int64_t periodMs, std::int64_t nowMs)
    : m_period(periodMs), m_deadline(nowMs) {}

std::int64_t cSteadyTick::WaitMs(std::int64_t nowMs) const {
  return m_deadline > nowMs ? m_deadline - nowMs : 0;
}

void cSteadyTick::Done(std::int64_t startMs, std::int64_t endMs) {
  ++m_ticks;
  if (endMs - startMs > m_longest) m_longest = endMs - startMs;
  m_deadline += m_period;
  if (endMs <= m_deadline) return;
  ++m_overruns;
  if (endMs - m_deadline >= m_period) m_deadline = endMs;
}
