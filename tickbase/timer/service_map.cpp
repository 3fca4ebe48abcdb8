#include "tickbase/timer/service_map.h"

#include <string>

#include "tickbase/timer/due_order.h"
#include "tickbase/timer/held_ref.h"
#include "tickbase/timer/service_timing.h"
#include "tickbase/timer/timer_obj.h"

namespace {

// r units later, but never so far that the wrap-around order would read the
// new due time as past: a huge r would otherwise fire again in this run.
std::uint32_t RearmDelay(unsigned long r, std::uint32_t unit) {
  const unsigned long long delay = static_cast<unsigned long long>(r) * unit;
  return delay > kMaxDueDistance ? kMaxDueDistance : static_cast<std::uint32_t>(delay);
}

// Ends the firing of a timer whose callback leaves by an exception: it is
// not stored again.
class cEndOnThrow {
 public:
  cEndOnThrow(cMapTimers& timers, const stTimerRef& ref) : m_timers(timers), m_ref(ref) {}
  ~cEndOnThrow() {
    if (m_armed) m_timers.EndFire(m_ref);
  }
  cEndOnThrow(const cEndOnThrow&) = delete;
  cEndOnThrow& operator=(const cEndOnThrow&) = delete;
  void Dismiss() { m_armed = false; }

 private:
  cMapTimers& m_timers;
  const stTimerRef& m_ref;
  bool m_armed = true;
};

}  // namespace

cServiceMap::cServiceMap(const char* rangeName, unsigned long unit)
    : cIndexedService(std::string("Map_") + rangeName), m_unit(static_cast<std::uint32_t>(unit)) {}

void cServiceMap::Run(unsigned long units, unsigned long now) { Dispatch(units, now, false); }

void cServiceMap::Dispatch(unsigned long, unsigned long now, bool timed) {
  const std::uint32_t clock = DueTime(now);
  const std::uint64_t limit = m_entries.DueLimit(clock);
  if (!m_entries.AnyBefore(limit)) return;
  cServiceRunTiming timing(timed ? GetName().c_str() : nullptr);
  stTimerRef ref{nullptr, 0};
  while (m_entries.AnyBefore(limit)) {
    if (!m_entries.BeginFire(ref)) continue;
    // The entry's reference, held across the call: the owner may go in it.
    cHeldRef held(ref.obj);
    cEndOnThrow firing(m_entries, ref);
    timing.Open();
    const unsigned long r = ref.obj->OnTimer(ref.param);
    firing.Dismiss();
    if (r == 0) {
      m_entries.EndFire(ref);
      continue;
    }
    m_entries.Rearm(ref, clock + RearmDelay(r, m_unit));
    ref.obj->AddRef();
  }
}
