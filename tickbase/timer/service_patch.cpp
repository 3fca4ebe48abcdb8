#include "tickbase/timer/service_patch.h"

#include <string>

#include "tickbase/timer/dispatch_clock.h"
#include "tickbase/timer/held_ref.h"
#include "tickbase/timer/service_timing.h"
#include "tickbase/timer/timer_obj.h"

cServicePatch::cServicePatch(unsigned long period, const char* rangeName)
    : cService("patch_" + std::to_string(period) + "_" + rangeName),
      m_period(static_cast<std::uint32_t>(period)) {}

cServicePatch::~cServicePatch() {
  for (const stEntry& e : m_entries) e.obj->Release();
}

void cServicePatch::Run(unsigned long units, unsigned long now) { Dispatch(units, now, false); }

void cServicePatch::Dispatch(unsigned long units, unsigned long, bool timed) {
  const std::size_t n = m_entries.size();
  if (n == 0) return;
  const std::uint32_t acc = static_cast<std::uint32_t>(units) + m_carry;
  // 64-bit product: a large population times a long tick overflows 32 bits.
  const std::uint64_t k = static_cast<std::uint64_t>(acc) * n / m_period;
  if (k == 0) {
    m_carry = acc;
    return;
  }
  const std::uint32_t step = static_cast<std::uint32_t>(m_period / n);
  m_carry = step > 0 ? acc % step : 0;

  // The slice stops at the end of the array; the rest of k is not carried.
  // The cursor is stored before the visit and not adjusted for removals.
  const std::size_t start = m_cursor;
  std::size_t end = start + k >= n ? n : static_cast<std::size_t>(start + k);
  m_cursor = end == n ? 0 : end;
  if (start >= end) return;

  cServiceRunTiming timing(timed ? GetName().c_str() : nullptr);

  for (std::size_t i = start; i < end && i < m_entries.size();) {
    const stEntry e = m_entries[i];
    unsigned long r = 0;
    {
      // A reference of the walk's own, so the handle outlives the call even
      // if the entry goes.
      e.obj->AddRef();
      cHeldRef held(e.obj);
      timing.Open();
      r = e.obj->OnTimer(e.param);
    }
    if (r != 0 || i >= m_entries.size()) {
      ++i;
      continue;
    }
    EraseAt(i);  // the next entry moves into i and is visited next
    --end;
  }
}

bool cServicePatch::KillTimer(cTimerObj* obj, unsigned long param) {
  for (std::size_t i = 0; i < m_entries.size(); ++i) {
    if (m_entries[i].obj == obj && m_entries[i].param == param) {
      EraseAt(i);
      return true;
    }
  }
  return false;
}

bool cServicePatch::CheckTimer(cTimerObj* obj, unsigned long param) {
  for (const stEntry& e : m_entries)
    if (e.obj == obj && e.param == param) return true;
  return false;
}

void cServicePatch::AddTimer(cTimerObj* obj, unsigned long param, unsigned long) {
  m_entries.push_back(stEntry{obj, param});
  obj->AddRef();
}

void cServicePatch::EraseAt(std::size_t i) {
  cTimerObj* obj = m_entries[i].obj;
  m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(i));
  // Closing the gap moves the rest of the array: not the few steps the
  // next callback's timing may start from.
  cDispatchClock::NoteSlowStep();
  obj->Release();
}
