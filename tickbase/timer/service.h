// One container of timers of one kind within one time range (map, patch or
// list; see service_map.h, service_patch.h, service_list.h). Services are
// created and owned by a cTimerRange and live until it is destroyed. Each
// stored entry holds one reference to its handle; the destructor releases
// them all.
//
// Callbacks must not change the service that is running them: owners' timer
// operations are queued and applied before the next run. A service stays
// memory-safe if one does, but the firing order of that run is then arbitrary.
#ifndef TICKBASE_TIMER_SERVICE_H_
#define TICKBASE_TIMER_SERVICE_H_

#include <cstddef>
#include <ostream>
#include <string>

#include "tickbase/export.h"

class cTimerObj;

class TICKBASE_API cService {
 public:
  explicit cService(std::string name);
  cService(const cService&) = delete;
  cService& operator=(const cService&) = delete;
  virtual ~cService();

  // Fires what is due. units: whole units of the range that elapsed for this
  // run; now: the range's clock (ms for the ms range, seconds otherwise).
  virtual void Run(unsigned long units, unsigned long now) = 0;
  // Removes the first entry (in firing order) with this handle and param and
  // releases its reference. False if none is stored.
  virtual bool KillTimer(cTimerObj* obj, unsigned long param) = 0;
  // True if an entry with this handle and param is stored.
  virtual bool CheckTimer(cTimerObj* obj, unsigned long param) = 0;
  // Stores an entry and takes a reference. time: the absolute due time on
  // the range's clock (map, list); ignored by patches.
  virtual void AddTimer(cTimerObj* obj, unsigned long param, unsigned long time) = 0;
  // Called after the ms clock wrapped around 2^32; nothing needs it here.
  virtual void OnOverflow(unsigned long msNow);
  // Stored entries.
  virtual std::size_t size() const = 0;
  // A hint: starts fetching what a command on (obj, param) will touch, so a
  // batch of commands overlaps its cache misses. Does nothing by default.
  virtual void Prefetch(const cTimerObj* obj, unsigned long param) const;

  // Run, timed: a run slower than 100 ms is reported under this name.
  void RunService(unsigned long units, unsigned long now);
  // Writes this service's name and the running callback, if any.
  void ReportCrashToStream(std::ostream& os) const;

  const std::string& GetName() const { return m_name; }

 protected:
  // Run, timed as RunService promises when timed is set. The default wraps
  // Run in a cTimerFunctionFrame; the library's services time themselves
  // only when they fire something, so a run with nothing due reads no clock.
  virtual void Dispatch(unsigned long units, unsigned long now, bool timed);

 private:
  std::string m_name;
};

#endif  // TICKBASE_TIMER_SERVICE_H_
