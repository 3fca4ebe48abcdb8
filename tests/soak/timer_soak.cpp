// Timer soak: simulated hours or days of host ticks on the clock seam, across
// the 2^32 ms wrap, with a large population of timers of every range and
// kind: random adds, kills, re-arms, keys shared by many timers, one-shot
// calls, and owners deleted inside their own or other callbacks. Every fire
// of the real scheduler is checked, in order, against a plain model of its
// rules (ordered maps on 64-bit times that never wrap); so are the failed
// kills it reports and, at the end, every live owner's reference count.
// Memory must stay flat.
//
//   timer_soak [hours=2] [timers=100000] [seed=1]
//
// The run starts one simulated hour before the ms clock wraps.
#include <spdlog/sinks/base_sink.h>
#include <spdlog/spdlog.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "tickbase/platform/clock_test_helper.h"
#include "tickbase/timer/timer_manager.h"
#include "tickbase/timer/timer_obj.h"

namespace {

using Key = std::pair<int, unsigned long>;              // owner id, param
using Stamp = std::pair<std::uint64_t, std::uint64_t>;  // due, insertion sequence

constexpr std::uint64_t kClockUnits[] = {1, 1, 60, 3600, 86400};
constexpr std::uint64_t kUnitMs[] = {1, 1000, 60000, 3600000, 86400000};
// Per range: share of new timers (per mille), one fire in how many ends
// the timer (so timers of every range live about as long, and the short
// ranges keep firing), map re-arm or count bounds, list periods and patch
// periods (units of the range).
constexpr int kShare[] = {20, 80, 450, 300, 150};
constexpr unsigned kEndOneIn[] = {2000, 100, 12, 2, 2};
constexpr unsigned long kMapMin[] = {100, 5, 1, 1, 1};
constexpr unsigned long kMapMax[] = {20000, 900, 120, 48, 10};
constexpr unsigned long kListPeriods[][3] = {{500, 2000, 7000}, {15, 60, 300}, {1, 10, 60}, {1, 6, 24}, {1, 2, 7}};
constexpr unsigned long kPatchPeriods[][2] = {{1000, 5000}, {30, 120}, {5, 30}, {2, 12}, {1, 3}};

// AddressSanitizer holds freed memory back (its quarantine), so resident
// memory tells nothing there; its leak checker watches memory instead.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kCheckResident = false;
#else
constexpr bool kCheckResident = true;
#endif

std::uint32_t g_ms = 0;
long g_sec = 0;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "timer_soak: MISMATCH %s\n", what.c_str());
  std::exit(1);
}

std::string Name(const Key& k) { return std::to_string(k.first) + "/" + std::to_string(k.second); }

// Something a callback or the driver did, for the model to replay in place.
struct Action {
  enum Kind { kAdd, kKill, kRunOnce, kEndOnce, kDelete } kind;
  Key key;
  int range = 0;
  TimerEnum timer = Timer_Map;
  unsigned long time = 0;  // map: count of units; list, patch: period
  std::uint64_t due = 0;   // map adds: the due time as queued
};

// One call the real scheduler made, with what the callback did and answered.
struct Fire {
  Key key;
  unsigned long result;
  std::vector<Action> actions;
};

// A map service or one list: timers by (due, seq), and each key's timers.
class cOrdered {
 public:
  void Add(const Key& k, std::uint64_t due, std::uint64_t seq) {
    m_byDue.emplace(Stamp{due, seq}, k);
    m_byKey[k].insert(Stamp{due, seq});
  }
  // Removes the key's first timer in firing order.
  bool Kill(const Key& k) {
    const auto it = m_byKey.find(k);
    if (it == m_byKey.end()) return false;
    Erase(k, *it->second.begin());
    return true;
  }
  bool TakeDue(std::uint64_t now, Key& k) {
    if (m_byDue.empty() || m_byDue.begin()->first.first > now) return false;
    k = m_byDue.begin()->second;
    Erase(k, m_byDue.begin()->first);
    return true;
  }
  template <class F>
  void ForEach(F f) const {
    for (const auto& e : m_byDue) f(e.second);
  }

 private:
  void Erase(const Key& k, const Stamp s) {
    m_byDue.erase(s);
    const auto it = m_byKey.find(k);
    it->second.erase(s);
    if (it->second.empty()) m_byKey.erase(it);
  }
  std::map<Stamp, Key> m_byDue;
  std::map<Key, std::set<Stamp>> m_byKey;
};

struct cPatchModel {
  std::vector<Key> entries;
  std::size_t cursor = 0;
  std::uint32_t carry = 0;
};

struct cRangeModel {
  std::int64_t acc = 0;
  cOrdered map;
  std::vector<std::pair<unsigned long, cPatchModel>> patches;  // in order of first use
  std::vector<std::pair<unsigned long, cOrdered>> lists;
};

template <class T>
T* Find(std::vector<std::pair<unsigned long, T>>& services, unsigned long period, bool create) {
  for (auto& s : services)
    if (s.first == period) return &s.second;
  if (!create) return nullptr;
  services.emplace_back(period, T{});
  return &services.back().second;
}

// The scheduler's rules, written plainly.
class cModel {
 public:
  void Sample(std::uint64_t ms, std::uint64_t sec) {
    m_ms = ms;
    m_sec = sec;
  }
  std::uint64_t Clock(int range) const { return range == 0 ? m_ms : m_sec; }

  void Apply(const Action& a) {
    switch (a.kind) {
      case Action::kAdd:
      case Action::kKill: m_queue.push_back(a); break;
      case Action::kRunOnce: m_runList.push_back(a.key); break;
      case Action::kEndOnce: m_endList.push_back(a.key); break;
      case Action::kDelete: m_dead.insert(a.key.first); break;
    }
  }

  void Run(unsigned long ms, std::uint64_t msNow, std::uint64_t secNow, std::deque<Fire>& fires) {
    Flush();
    Sample(msNow, secNow);
    m_fires = &fires;
    Walk(m_runList);
    for (int r = 0; r < 5; ++r) RunRange(r, ms);
    Walk(m_endList);
    if (!fires.empty()) Fail("unexpected fire of " + Name(fires.front().key));
  }

  // Per owner: the timers, queued commands and one-shot calls naming it.
  std::map<int, int> Held() const {
    std::map<int, int> held;
    auto count = [&](const Key& k) { ++held[k.first]; };
    for (const cRangeModel& r : m_ranges) {
      r.map.ForEach(count);
      for (const auto& p : r.patches) std::for_each(p.second.entries.begin(), p.second.entries.end(), count);
      for (const auto& l : r.lists) l.second.ForEach(count);
    }
    for (const Action& a : m_queue) count(a.key);
    std::for_each(m_runList.begin(), m_runList.end(), count);
    std::for_each(m_endList.begin(), m_endList.end(), count);
    return held;
  }

  std::uint64_t checked = 0;
  std::uint64_t failedKills = 0;
  std::int64_t live = 0;  // timers of live owners stored or queued, roughly

 private:
  void Flush() {
    for (const Action& a : m_queue) {
      if (m_dead.count(a.key.first)) {
        live -= a.kind == Action::kAdd;
        continue;
      }
      cRangeModel& r = m_ranges[a.range];
      bool done = true;
      if (a.kind == Action::kAdd) {
        if (a.timer == Timer_Map) r.map.Add(a.key, a.due, ++m_seq);
        if (a.timer == Timer_List)
          Find(r.lists, a.time, true)->Add(a.key, Clock(a.range) + a.time * kClockUnits[a.range], ++m_seq);
        if (a.timer == Timer_Patch) Find(r.patches, a.time, true)->entries.push_back(a.key);
      } else if (a.timer == Timer_Map) {
        done = r.map.Kill(a.key);
      } else if (a.timer == Timer_List) {
        cOrdered* list = Find(r.lists, a.time, false);
        done = list && list->Kill(a.key);
      } else if (cPatchModel* patch = Find(r.patches, a.time, false)) {
        const auto it = std::find(patch->entries.begin(), patch->entries.end(), a.key);
        done = it != patch->entries.end();
        if (done) patch->entries.erase(it);
      } else {
        done = false;
      }
      failedKills += !done;
      live -= a.kind == Action::kKill && done;
    }
    m_queue.clear();
  }

  // The callback the scheduler must make now, if the owner lives; its answer.
  unsigned long Visit(const Key& k) {
    if (m_dead.count(k.first)) return 0;
    if (m_fires->empty()) Fail("missing fire of " + Name(k));
    if (m_fires->front().key != k) Fail("expected " + Name(k) + ", fired " + Name(m_fires->front().key));
    const Fire fire = std::move(m_fires->front());
    m_fires->pop_front();
    for (const Action& a : fire.actions) Apply(a);
    ++checked;
    return fire.result;
  }

  void Walk(std::deque<Key>& list) {
    while (!list.empty()) {
      const Key k = list.front();
      list.pop_front();
      Visit(k);
    }
  }

  void RunRange(int range, unsigned long ms) {
    cRangeModel& r = m_ranges[range];
    r.acc += static_cast<std::int64_t>(ms);
    const std::int64_t units = r.acc / static_cast<std::int64_t>(kUnitMs[range]);
    if (units < 1) return;
    const std::uint64_t now = Clock(range);
    Key k;
    while (r.map.TakeDue(now, k)) {
      const unsigned long result = Visit(k);
      live -= result == 0;
      if (result != 0) r.map.Add(k, now + result * kClockUnits[range], ++m_seq);
    }
    for (auto& [period, p] : r.patches) RunPatch(p, period, static_cast<std::uint32_t>(units));
    for (auto& [period, list] : r.lists) {
      while (list.TakeDue(now, k)) {
        const bool kept = Visit(k) != 0;
        live -= !kept;
        if (kept) list.Add(k, now + period * kClockUnits[range], ++m_seq);
      }
    }
    r.acc -= units * static_cast<std::int64_t>(kUnitMs[range]);
  }

  // Each run fires the share of the population the units are worth, from
  // the cursor on, the slice stopping at the end of the array.
  void RunPatch(cPatchModel& p, unsigned long period, std::uint32_t units) {
    const std::size_t n = p.entries.size();
    if (n == 0) return;
    const std::uint32_t acc = units + p.carry;
    const std::uint64_t k = std::uint64_t{acc} * n / period;
    if (k == 0) {
      p.carry = acc;
      return;
    }
    const std::uint32_t step = static_cast<std::uint32_t>(period / n);
    p.carry = step > 0 ? acc % step : 0;
    const std::size_t start = p.cursor;
    std::size_t end = std::min<std::uint64_t>(start + k, n);
    p.cursor = end == n ? 0 : end;
    for (std::size_t i = start; i < end && i < p.entries.size();) {
      if (Visit(p.entries[i]) != 0) {
        ++i;
      } else {
        p.entries.erase(p.entries.begin() + static_cast<std::ptrdiff_t>(i));
        --end;
        --live;
      }
    }
  }

  std::uint64_t m_ms = 0, m_sec = 0;  // the clocks as the scheduler sampled them
  std::vector<Action> m_queue;
  std::deque<Key> m_runList, m_endList;
  cRangeModel m_ranges[5];
  std::set<int> m_dead;
  std::uint64_t m_seq = 0;
  std::deque<Fire>* m_fires = nullptr;
};

class cSoak;

class cSoakOwner : public iTimerObjEx {
 public:
  cSoakOwner(cSoak& soak, int id) : m_soak(soak), m_id(id) {}
  unsigned long OnTimer(unsigned long param) override;

 private:
  cSoak& m_soak;
  int m_id;
};

// Counts the failed-kill reports of the real scheduler.
class cKillErrors : public spdlog::sinks::base_sink<std::mutex> {
 public:
  std::uint64_t count = 0;

 protected:
  void sink_it_(const spdlog::details::log_msg& msg) override {
    count += std::string(msg.payload.data(), msg.payload.size()).find("KillTimer error!") != std::string::npos;
  }
  void flush_() override {}
};

std::size_t ResidentBytes() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<std::size_t>(resident) * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

class cSoak {
 public:
  cSoak(std::size_t timers, unsigned seed) : m_target(timers), m_rng(seed) {
    m_errors = std::make_shared<cKillErrors>();
    spdlog::logger& channel = *spdlog::get("quenlet.fetalerror");
    channel.sinks().push_back(m_errors);
    channel.set_level(spdlog::level::info);
    platform::SetClocks([] { return g_ms; }, [] { return g_sec; });
    m_msStart = 0xFFFFFFFFull - 3600000;  // one hour before the wrap
    SetClocks();
    cTimerManager::Instance().RefreshTime();
    m_model.Sample(Ms(), Sec());
    for (int i = 0; i < 1000; ++i) NewOwner();
  }

  int Run(double hours) {
    const std::uint64_t endMs = static_cast<std::uint64_t>(hours * 3600000);
    std::size_t startBytes = 0;
    std::uint64_t ticks = 0;
    while (m_elapsed < endMs) {
      BetweenTicks();
      const unsigned long ms = Chance(1000) ? 1000 + m_rng() % 4000 : 1 + m_rng() % 100;
      m_elapsed += ms;
      SetClocks();
      cTimerManager::Instance().Run(ms);
      m_model.Run(ms, Ms(), Sec(), m_fires);
      ++ticks;
      if (startBytes == 0 && m_model.live >= static_cast<std::int64_t>(m_target)) startBytes = ResidentBytes();
    }
    cTimerManager::Instance().Run(0);  // applies the last commands; no range runs
    m_model.Run(0, Ms(), Sec(), m_fires);
    if (m_errors->count != m_model.failedKills)
      Fail("failed kills reported " + std::to_string(m_errors->count) + ", model " +
           std::to_string(m_model.failedKills));
    const std::map<int, int> held = m_model.Held();
    for (const auto& [id, owner] : m_owners) {
      const auto it = held.find(id);
      const int expected = 1 + (it == held.end() ? 0 : it->second);
      if (owner->GetTimerObj()->GetRefCount() != expected)
        Fail("owner " + std::to_string(id) + " refs " + std::to_string(owner->GetTimerObj()->GetRefCount()) +
             ", model " + std::to_string(expected));
    }
    const std::size_t endBytes = ResidentBytes();
    std::printf("timer_soak: %.1f h, %llu ticks, %llu fires checked, %llu failed kills, "
                "%lld timers at the end, memory %zu KiB at start, %zu KiB at end\n",
                hours, static_cast<unsigned long long>(ticks), static_cast<unsigned long long>(m_model.checked),
                static_cast<unsigned long long>(m_model.failedKills), static_cast<long long>(m_model.live),
                startBytes / 1024, endBytes / 1024);
    if (kCheckResident && (startBytes == 0 || endBytes > startBytes + startBytes / 4 + (16u << 20)))
      Fail("memory grew");
    m_owners.clear();
    return 0;
  }

  unsigned long OnFire(int id, unsigned long param) {
    Fire fire{Key{id, param}, 0, {}};
    const int range = static_cast<int>(param >> 4);
    if (!Chance(kEndOneIn[range])) fire.result = kMapMin[range] + m_rng() % (kMapMax[range] - kMapMin[range] + 1);
    m_actions = &fire.actions;
    if (Chance(30)) AddRandom(id);
    if (Chance(50)) KillRandom();
    if (Chance(200)) Do(Action{Action::kRunOnce, Key{id, param}});
    if (Chance(200)) Do(Action{Action::kEndOnce, Key{id, param}});
    if (Chance(300)) DeleteOwner(Chance(3) ? id : RandomOwner());
    m_actions = nullptr;
    m_fires.push_back(std::move(fire));
    return m_fires.back().result;
  }

 private:
  std::uint64_t Ms() const { return m_msStart + m_elapsed; }
  std::uint64_t Sec() const { return 1700000000 + m_elapsed / 1000; }
  void SetClocks() {
    g_ms = static_cast<std::uint32_t>(Ms());
    g_sec = static_cast<long>(Sec());
  }
  bool Chance(unsigned oneIn) { return m_rng() % oneIn == 0; }

  void BetweenTicks() {
    for (int n = 0; n < 500 && m_model.live < static_cast<std::int64_t>(m_target); ++n) AddRandom(RandomOwner());
    if (Chance(5)) KillRandom();
    if (Chance(2000)) DeleteOwner(RandomOwner());
  }

  int RandomOwner() {
    auto it = m_owners.lower_bound(static_cast<int>(m_rng() % static_cast<unsigned>(m_nextId)));
    return it == m_owners.end() ? m_owners.begin()->first : it->first;
  }
  void NewOwner() {
    m_owners.emplace(m_nextId, std::make_unique<cSoakOwner>(*this, m_nextId));
    ++m_nextId;
  }

  // Applies a on the real scheduler and records it for the model: in the
  // record of the running callback, or at once between ticks.
  void Do(const Action& a) {
    cSoakOwner& owner = *m_owners.at(a.key.first);
    const TimeRange range = static_cast<TimeRange>(a.range);
    switch (a.kind) {
      case Action::kAdd:
        if (a.timer == Timer_Map) owner.AddTimerNext(range, a.time, a.key.second);
        if (a.timer != Timer_Map) owner.AddTimer(range, a.timer, a.time, a.key.second);
        break;
      case Action::kKill: owner.KillTimer(range, a.timer, a.time, a.key.second); break;
      case Action::kRunOnce: owner.AddTimerRun(a.key.second); break;
      case Action::kEndOnce: cTimerManager::Instance().AddTimerEnd(owner.GetTimerObj(), a.key.second); break;
      case Action::kDelete: m_owners.erase(a.key.first); break;
    }
    if (m_actions) {
      m_actions->push_back(a);
    } else {
      m_model.Apply(a);
    }
  }

  void AddRandom(int id) {
    int range = 0;
    for (int pick = static_cast<int>(m_rng() % 1000); pick >= kShare[range]; pick -= kShare[range]) ++range;
    Action a{Action::kAdd, Key{id, static_cast<unsigned long>(range) << 4 | (m_rng() % 16)}, range};
    const unsigned kind = m_rng() % 20;
    a.timer = kind < 12 ? Timer_Map : kind < 17 ? Timer_List : Timer_Patch;
    if (a.timer == Timer_Map) {
      a.time = kMapMin[range] + m_rng() % (kMapMax[range] - kMapMin[range] + 1);
      a.due = (range == 0 ? Ms() : Sec()) + a.time * kClockUnits[range];
    } else {
      a.time = a.timer == Timer_List ? kListPeriods[range][m_rng() % 3] : kPatchPeriods[range][m_rng() % 2];
    }
    Do(a);
    ++m_model.live;
    m_recent[m_recentNext++ % m_recent.size()] = a;
  }

  // Kills a recently added timer, which may have gone since: then the kill
  // fails and is reported, and the model must expect that.
  void KillRandom() {
    Action a = m_recent[m_rng() % m_recent.size()];
    if (a.kind != Action::kAdd || !m_owners.count(a.key.first)) return;
    a.kind = Action::kKill;
    Do(a);
  }

  void DeleteOwner(int id) {
    if (m_owners.size() < 2) return;
    Do(Action{Action::kDelete, Key{id, 0}});
    NewOwner();
  }

  std::size_t m_target;
  std::mt19937 m_rng;
  std::shared_ptr<cKillErrors> m_errors;
  std::uint64_t m_msStart = 0, m_elapsed = 0;
  cModel m_model;
  std::map<int, std::unique_ptr<cSoakOwner>> m_owners;
  int m_nextId = 0;
  std::deque<Fire> m_fires;
  std::vector<Action>* m_actions = nullptr;
  std::vector<Action> m_recent = std::vector<Action>(4096, Action{Action::kDelete, Key{}});
  std::size_t m_recentNext = 0;
};

unsigned long cSoakOwner::OnTimer(unsigned long param) { return m_soak.OnFire(m_id, param); }

}  // namespace

int main(int argc, char** argv) {
  const double hours = argc > 1 ? std::atof(argv[1]) : 2;
  const std::size_t timers = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 100000;
  const unsigned seed = argc > 3 ? static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10)) : 1;
  if (hours <= 0 || timers == 0) {
    std::fprintf(stderr, "usage: timer_soak [hours] [timers] [seed]\n");
    return 2;
  }
  cSoak soak(timers, seed);
  return soak.Run(hours);
}
