// A patch service: timers that each fire once per period, their firings
// spread evenly over the period. Each run fires the share of the population
// that the elapsed units are worth, continuing where the previous run
// stopped. A timer stays until its OnTimer returns 0. Kill and check scan
// (patches are small). Exported for tests; not installed.
#ifndef TICKBASE_TIMER_SERVICE_PATCH_H_
#define TICKBASE_TIMER_SERVICE_PATCH_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tickbase/timer/service.h"

class TICKBASE_API cServicePatch : public cService {
 public:
  // Named "patch_" + period + "_" + rangeName. period: units of the range,
  // 1 .. 2^31 - 1 (the range refuses others).
  cServicePatch(unsigned long period, const char* rangeName);
  ~cServicePatch() override;

  void Run(unsigned long units, unsigned long now) override;
  bool KillTimer(cTimerObj* obj, unsigned long param) override;
  bool CheckTimer(cTimerObj* obj, unsigned long param) override;
  // Appends; time is not used.
  void AddTimer(cTimerObj* obj, unsigned long param, unsigned long time) override;

  std::size_t size() const override { return m_entries.size(); }
  // Index of the next entry to visit.
  std::size_t GetCursor() const { return m_cursor; }
  // Elapsed units not yet turned into firings.
  std::uint32_t GetCarry() const { return m_carry; }

 protected:
  void Dispatch(unsigned long units, unsigned long now, bool timed) override;

 private:
  struct stEntry {
    cTimerObj* obj;
    unsigned long param;
  };

  void EraseAt(std::size_t i);

  std::uint32_t m_period;
  std::uint32_t m_carry = 0;
  std::vector<stEntry> m_entries;  // insertion order
  std::size_t m_cursor = 0;
};

#endif  // TICKBASE_TIMER_SERVICE_PATCH_H_
