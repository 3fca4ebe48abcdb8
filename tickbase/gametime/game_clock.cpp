#include "tickbase/gametime/game_clock.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <limits>
#include <string>

#include "tickbase/diag/log.h"
#include "tickbase/diag/report.h"

namespace {

constexpr DWORD kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr DWORD kMonthsPerYear = 12;
constexpr DWORD kHoursPerDay = 24;
constexpr DWORD kMinutesPerHour = 60;
constexpr std::uint64_t kSecondsPerMinute = 60;
constexpr std::uint64_t kMsPerSecond = 1000;

const stGameTime kDefaultTime = {1937, 7, 7, 0, 0, 0};

// Runs a cleanup when the scope ends, also when a native callback throws, so
// the dispatch state never outlives the dispatch.
template <class F>
class ScopeExit {
 public:
  explicit ScopeExit(F f) : m_f(f) {}
  ~ScopeExit() { m_f(); }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  F m_f;
};

// One Run moves the clock by at most this many game milliseconds (about
// 49.7 game days, the most a 32-bit count holds).
constexpr std::uint64_t kMaxGameMsPerRun = 0xFFFFFFFFu;

DWORD Saturate(std::uint64_t value) {
  return static_cast<DWORD>(std::min<std::uint64_t>(value, std::numeric_limits<DWORD>::max()));
}

bool IsUnit(cGameTime::GameTimeEnum unit) { return unit >= 0 && unit <= cGameTime::GameTime_Sec; }

// Scripts can pass nil for a name (luabind hands it on as a null pointer).
bool NamesGiven(const char* caller, const char* file, const char* func) {
  if (file != nullptr && func != nullptr) return true;
  Report(script_error(), std::string(caller) + " refused a nil script file or function name\n");
  return false;
}

}  // namespace

cGameTime::cGameTime()
    : m_time(kDefaultTime),
      m_startTime(kDefaultTime),
      m_msRest(0),
      m_timeMul(1),
      m_advancing(false),
      m_dispatchingAt(false),
      m_dispatchDepth(0),
      m_unitRemovals(0),
      m_dispatch{kDispatchNone, 0},
      m_firing(m_atCallbacks.end()) {}

cGameTime::~cGameTime() = default;

cGameTime& cGameTime::Instance() {
  static cGameTime clock;
  return clock;
}

void cGameTime::Start(const stGameTime& time) {
  m_time = time;
  m_startTime = time;
}

void cGameTime::End() {}

void cGameTime::Run(unsigned long elapsed) {
  if (!MayAdvance("cGameTime::Run")) return;
  // The minute loop runs once per game minute, so one call must be bounded:
  // a wrapped elapsed value from the host or a huge multiplier would
  // otherwise keep it going for years. The clamp is reported.
  const std::uint64_t mul = static_cast<std::uint64_t>(m_timeMul);
  std::uint64_t gameMs = kMaxGameMsPerRun;
  if (mul != 0 && elapsed > (kMaxGameMsPerRun - m_msRest) / mul) {
    Report(quenlet_timererror(), "cGameTime::Run clamped " + std::to_string(elapsed) +
                                     " ms at multiplier " + std::to_string(m_timeMul) + " to " +
                                     std::to_string(kMaxGameMsPerRun) + " game ms\n");
  } else {
    gameMs = m_msRest + mul * elapsed;
  }
  m_msRest = static_cast<DWORD>(gameMs % kMsPerSecond);
  if (gameMs >= kMsPerSecond) AdvanceSeconds(gameMs / kMsPerSecond);
}

void cGameTime::SetTimeMul(int mul) {
  if (mul < 0) {
    Report(quenlet_timererror(),
           "cGameTime::SetTimeMul refused the negative multiplier " + std::to_string(mul) + "\n");
    return;
  }
  m_timeMul = mul;
}

void cGameTime::AddSec(int seconds) {
  if (seconds < 0) {
    Report(quenlet_timererror(),
           "cGameTime::AddSec refused the negative count " + std::to_string(seconds) + "\n");
    return;
  }
  if (MayAdvance("cGameTime::AddSec")) AdvanceSeconds(static_cast<std::uint64_t>(seconds));
}

void cGameTime::AddMin() {
  if (!MayAdvance("cGameTime::AddMin")) return;
  m_advancing = true;
  ScopeExit done([this] { m_advancing = false; });
  AdvanceMinute();
}

bool cGameTime::MayAdvance(const char* caller) const {
  if (!m_advancing) return true;
  Report(quenlet_timererror(),
         std::string(caller) + " refused: the clock is already advancing (called from a game time callback)\n");
  return false;
}

void cGameTime::AdvanceSeconds(std::uint64_t seconds) {
  m_advancing = true;
  ScopeExit done([this] { m_advancing = false; });
  // Counted outside m_time so that an out-of-range sec cannot wrap; m_time
  // shows the new second before the events of each minute are raised.
  std::uint64_t pending = m_time.sec + seconds;
  if (pending < kSecondsPerMinute) {
    m_time.sec = static_cast<DWORD>(pending);
    return;
  }
  while (pending >= kSecondsPerMinute) {
    pending -= kSecondsPerMinute;
    m_time.sec = Saturate(pending);
    AdvanceMinute();
    OnMinChange();
  }
  DispatchAt();
}

// The tests are "reached the count" rather than "equals the count", so a
// counter set out of range (by Start or a script) rolls over at once instead
// of counting on forever.
void cGameTime::AdvanceMinute() {
  if (m_time.min < kMinutesPerHour - 1) {
    ++m_time.min;
    return;
  }
  m_time.min = 0;
  if (m_time.hour < kHoursPerDay - 1) {
    ++m_time.hour;
    OnHourChange();
    return;
  }
  m_time.hour = 0;
  if (static_cast<std::uint64_t>(m_time.day) + 1 < DaysInMonth()) {
    ++m_time.day;
    OnDayChange();
    OnHourChange();
    return;
  }
  m_time.day = 0;
  if (m_time.month < kMonthsPerYear - 1) {
    ++m_time.month;
    OnMonthChange();
    OnDayChange();
    OnHourChange();
    return;
  }
  m_time.month = 0;
  ++m_time.year;
  OnYearChange();
  OnMonthChange();
  OnDayChange();
  OnHourChange();
}

DWORD cGameTime::DaysInMonth() const {
  if (m_time.month >= kMonthsPerYear) return 0;  // no such month: it has ended
  if (m_time.month == 1 && Year4()) return 29;
  return kMonthDays[m_time.month];
}

bool cGameTime::NextMonth() const { return m_time.day >= DaysInMonth(); }

bool cGameTime::Year4() const { return m_time.year % 4 == 0; }

int cGameTime::IsDay() const { return m_time.hour >= 8 && m_time.hour <= 16 ? 1 : 0; }

int cGameTime::IsNight() const { return IsDay() ? 0 : 1; }

int cGameTime::IsMidNight() const { return m_time.hour >= 23 || m_time.hour <= 3 ? 1 : 0; }

void cGameTime::OnGameTime(GameTimeEnum unit, unsigned long value) {
  if (!IsUnit(unit)) return;
  // The copy fixes who hears this event: callbacks added during it hear the
  // next one; a removed script form is retired, not destroyed, until the
  // dispatch ends, as it may be the one running.
  const std::vector<UnitEntry>& entries = m_callbacks[unit];
  std::vector<iGameTimeCallback*> listeners;
  listeners.reserve(entries.size());
  for (const UnitEntry& entry : entries) listeners.push_back(entry.cb);
  const stDispatch outer = m_dispatch;
  m_dispatch = stDispatch{unit, value};
  ++m_dispatchDepth;
  ScopeExit done([this, outer] {
    m_dispatch = outer;
    LeaveDispatch();
  });
  // A callback unregistered by an earlier one in this event may have been
  // deleted with it: once anything was unregistered, each turn first checks
  // that its callback is still (or again) registered for the unit.
  const std::uint64_t removals = m_unitRemovals;
  for (iGameTimeCallback* cb : listeners) {
    if (m_unitRemovals != removals && !IsRegistered(unit, cb)) continue;
    cb->OnChange(value);
  }
}

bool cGameTime::IsRegistered(GameTimeEnum unit, const iGameTimeCallback* cb) const {
  const std::vector<UnitEntry>& entries = m_callbacks[unit];
  return std::any_of(entries.begin(), entries.end(), [cb](const UnitEntry& e) { return e.cb == cb; });
}

void cGameTime::OnYearChange() { OnGameTime(GameTime_Year, m_time.year); }
void cGameTime::OnMonthChange() { OnGameTime(GameTime_Month, m_time.month); }
void cGameTime::OnDayChange() { OnGameTime(GameTime_Day, m_time.day); }
void cGameTime::OnHourChange() { OnGameTime(GameTime_Hour, m_time.hour); }
void cGameTime::OnMinChange() { OnGameTime(GameTime_Min, m_time.min); }

void cGameTime::DispatchAt() {
  // Only an advance dispatches, and advances do not nest (MayAdvance).
  assert(!m_dispatchingAt);
  m_dispatchingAt = true;
  const stDispatch outer = m_dispatch;
  m_dispatch = stDispatch{kDispatchAt, 0};
  ++m_dispatchDepth;
  ScopeExit done([this, outer] {
    m_dispatch = outer;
    if (m_firing != m_atCallbacks.end()) {
      Retire(m_firing->second);
      m_atCallbacks.erase(m_firing);
    }
    m_firing = m_atCallbacks.end();
    m_dispatchingAt = false;
    AdoptPendingAt();
    LeaveDispatch();
  });
  // Only the front of the map is looked at: the due entries and the first
  // one that is not due.
  for (;;) {
    const AtMap::iterator it = m_atCallbacks.begin();
    if (it == m_atCallbacks.end() || !(it->first < m_time)) break;
    m_firing = it;
    it->second.cb->OnTime();
    // The callback may have removed its own entry (m_firing is then end).
    if (m_firing != m_atCallbacks.end()) {
      Retire(m_firing->second);
      m_atCallbacks.erase(m_firing);
    }
    m_firing = m_atCallbacks.end();
  }
}

void cGameTime::AdoptPendingAt() {
  // Registered after everything in the map, so inserting in turn keeps the
  // order of registration among equivalent keys.
  for (auto& entry : m_pendingAt) m_atCallbacks.emplace(entry.first, std::move(entry.second));
  m_pendingAt.clear();
}

void cGameTime::Retire(AtEntry& entry) {
  if (entry.owned && m_dispatchDepth > 0) m_retiredAt.push_back(std::move(entry.owned));
  entry.owned.reset();
}

void cGameTime::Retire(UnitEntry& entry) {
  if (entry.owned && m_dispatchDepth > 0) m_retiredUnit.push_back(std::move(entry.owned));
  entry.owned.reset();
}

void cGameTime::LeaveDispatch() {
  if (--m_dispatchDepth > 0) return;
  m_retiredUnit.clear();
  m_retiredAt.clear();
}

void cGameTime::RegistCallback(GameTimeEnum unit, iGameTimeCallback* cb) {
  if (!IsUnit(unit) || cb == nullptr) return;
  m_callbacks[unit].push_back(UnitEntry{cb, nullptr});
}

void cGameTime::UnregistCallback(GameTimeEnum unit, iGameTimeCallback* cb) {
  if (!IsUnit(unit)) return;
  auto& list = m_callbacks[unit];
  for (UnitEntry& entry : list) {
    if (entry.cb == cb) Retire(entry);
  }
  const auto kept = std::remove_if(list.begin(), list.end(), [cb](const UnitEntry& e) { return e.cb == cb; });
  if (kept != list.end()) ++m_unitRemovals;
  list.erase(kept, list.end());
}

void cGameTime::RegistCallbackScript(GameTimeEnum unit, const char* file, const char* func) {
  if (!NamesGiven("cGameTime::RegistCallbackScript", file, func) || !IsUnit(unit)) return;
  auto owned = std::make_unique<cGameTimeCallbackScript>(file, func);
  iGameTimeCallback* const cb = owned.get();
  m_callbacks[unit].push_back(UnitEntry{cb, std::move(owned)});
}

bool cGameTime::UnregistCallbackScript(GameTimeEnum unit, const char* file, const char* func) {
  if (!IsUnit(unit) || file == nullptr || func == nullptr) return false;
  auto& list = m_callbacks[unit];
  const auto it = std::find_if(list.begin(), list.end(), [&](const UnitEntry& entry) {
    return entry.owned && entry.owned->m_file == file && entry.owned->m_func == func;
  });
  if (it == list.end()) return false;
  Retire(*it);
  list.erase(it);
  ++m_unitRemovals;
  return true;
}

void cGameTime::AddAt(const stGameTime& time, AtEntry entry) {
  if (m_dispatchingAt) {
    m_pendingAt.emplace_back(time, std::move(entry));
  } else {
    m_atCallbacks.emplace(time, std::move(entry));
  }
}

template <class Match>
bool cGameTime::RemoveEarliestAt(Match match) {
  const auto inMap = std::find_if(m_atCallbacks.begin(), m_atCallbacks.end(),
                                  [&](const AtMap::value_type& e) { return match(e.second); });
  // Pending entries are younger than every map entry: one of them is the
  // earliest only with a strictly earlier minute.
  auto inPending = m_pendingAt.end();
  for (auto it = m_pendingAt.begin(); it != m_pendingAt.end(); ++it) {
    if (match(it->second) && (inPending == m_pendingAt.end() || it->first < inPending->first)) inPending = it;
  }
  if (inPending != m_pendingAt.end() &&
      (inMap == m_atCallbacks.end() || inPending->first < inMap->first)) {
    Retire(inPending->second);
    m_pendingAt.erase(inPending);
    return true;
  }
  if (inMap == m_atCallbacks.end()) return false;
  if (inMap == m_firing) m_firing = m_atCallbacks.end();
  Retire(inMap->second);
  m_atCallbacks.erase(inMap);
  return true;
}

void cGameTime::RegistCallbackAt(const stGameTime& time, iGameTimeCallbackAt* cb) {
  if (cb != nullptr) AddAt(time, AtEntry{cb, nullptr});
}

void cGameTime::UnregistCallbackAt(const stGameTime& /*time*/, iGameTimeCallbackAt* cb) {
  if (cb != nullptr) RemoveEarliestAt([cb](const AtEntry& entry) { return entry.cb == cb; });
}

void cGameTime::RegistCallbackAtScript(const stGameTime& time, const char* file, const char* func) {
  if (!NamesGiven("cGameTime::RegistCallbackAtScript", file, func)) return;
  auto owned = std::make_unique<cGameTimeCallbackScriptAt>(file, func);
  iGameTimeCallbackAt* const cb = owned.get();
  AddAt(time, AtEntry{cb, std::move(owned)});
}

bool cGameTime::UnregistCallbackAtScript(const stGameTime& /*time*/, const char* file, const char* func) {
  if (file == nullptr || func == nullptr) return false;
  return RemoveEarliestAt([&](const AtEntry& entry) {
    return entry.owned && entry.owned->m_file == file && entry.owned->m_func == func;
  });
}
