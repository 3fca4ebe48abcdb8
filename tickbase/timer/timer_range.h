// One time range of the scheduler (ms, seconds, minutes, hours or days): its
// map service, and a patch and a list service per period in use. It turns
// the elapsed milliseconds it is given into whole units and runs all its
// services once per batch of whole units, on the range's clock: the owning
// manager's ms clock for the ms range, its second clock (offset included)
// for the others. A range's timers are looked at only when it runs, so a
// timer fires at the first run of its range at which it is due.
//
// Created by a cTimerManager, which outlives it. Services are created on first
// use of a period and live as long as the range. Not copyable.
#ifndef TICKBASE_TIMER_TIMER_RANGE_H_
#define TICKBASE_TIMER_TIMER_RANGE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <unordered_map>
#include <vector>

#include "tickbase/export.h"
#include "tickbase/timer/timer_types.h"

class cService;
class cServiceMap;
class cTimerManager;
class cTimerObj;

class TICKBASE_API cTimerRange {
 public:
  // A range on the clocks of cTimerManager::Instance().
  cTimerRange();
  // clocks: the manager whose sampled clocks this range runs on; borrowed.
  explicit cTimerRange(const cTimerManager& clocks);
  cTimerRange(const cTimerRange&) = delete;
  cTimerRange& operator=(const cTimerRange&) = delete;
  ~cTimerRange();

  // Sets the range and creates its map service, named "Map_" + name.
  void CreateTimeRange(TimeRange range, const char* name);

  // Finds or creates the service of kind for time. Timer_Map: the map
  // service, time untouched. Timer_Patch: the patch of period time (units of
  // the range), time untouched. Timer_List: the list of period time; time
  // becomes the first due time (one period after the clock). A period of 0,
  // or one longer than 2^31 - 1 clock units, is refused with a report on
  // "quenlet.fetalerror"; that and any other kind give null.
  cService* FindService(TimerEnum kind, unsigned long& time);

  // Store, remove or look up (obj, param) in the service that FindService
  // gives for (kind, time); 1 on success, 0 otherwise. Kill and check create
  // no service: where none exists, nothing is stored.
  int AddTimer(TimerEnum kind, unsigned long time, cTimerObj* obj, unsigned long param);
  int KillTimer(TimerEnum kind, unsigned long time, cTimerObj* obj, unsigned long param);
  int CheckTimer(TimerEnum kind, unsigned long time, cTimerObj* obj, unsigned long param);

  // A hint: starts fetching what a command of kind on (obj, param) will
  // touch in this range's map (other kinds: nothing).
  void Prefetch(TimerEnum kind, const cTimerObj* obj, unsigned long param) const;

  // Adds ms to the accumulated milliseconds; when at least one whole unit
  // has accumulated, runs every service with the number of whole units.
  void Run(unsigned long ms) {
    m_accumulated += static_cast<long long>(ms);
    if (m_accumulated >= m_unitMs) RunUnits();
  }
  // Runs every service once: the map, then patches, then lists, each group
  // in the order its periods were first used. now: the range's clock.
  void RunRange(unsigned long now, unsigned long units);
  // Tells every service that the ms clock wrapped around.
  void OnOverflow(unsigned long msNow);
  // Writes the phase of the current or last run and the running service.
  void ReportCrashToStream(std::ostream& os) const;

  TimeRange GetRange() const { return m_range; }
  // Timers stored in the services of kind (queued commands not counted);
  // 0 for an unknown kind.
  std::size_t GetTimerCount(TimerEnum kind) const;
  // Milliseconds received and not yet turned into whole units.
  long long GetAccumulated() const { return m_accumulated; }

 private:
  using cServiceTable = std::unordered_map<unsigned long, std::unique_ptr<cService>>;

  // Run's part once a whole unit has accumulated.
  void RunUnits();
  cService* FindPeriodic(TimerEnum kind, unsigned long period, bool create);
  cService* LookupService(TimerEnum kind, unsigned long time);
  std::uint32_t ClockUnits() const { return kTimeRangeClockUnits[m_range]; }
  const cTimerManager& Clocks() const;

  const cTimerManager* m_clocks;  // borrowed; null: the process-wide manager
  std::unique_ptr<cServiceMap> m_map;
  cServiceTable m_patches;
  cServiceTable m_lists;
  // Run order: services never go away, and a walk by index survives a
  // service being added while it runs.
  std::vector<cService*> m_patchOrder;
  std::vector<cService*> m_listOrder;
  TimeRange m_range = TimeRange_MS;
  std::string m_name;
  long long m_accumulated = 0;
  long long m_unitMs = 1;  // ms per unit of the range
  int m_i = 0;  // phase: 0 map, 1 patches, 2 lists, 3 finished
  cService* m_current = nullptr;
};

#endif  // TICKBASE_TIMER_TIMER_RANGE_H_
