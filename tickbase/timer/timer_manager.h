// The timer scheduler: the library's ms and second clocks, the five time
// ranges, a queue of add and kill commands, and two lists of one-shot calls.
//
// The library has no loop of its own: the host calls Run on every tick with
// the milliseconds elapsed since the previous call, and everything happens
// inside it. Callbacks never change a container directly: AddTimer,
// KillTimer and AddTimerNext queue commands that the next Run applies first,
// with the clocks of the previous tick. Which ranges run is decided by the
// ms the host passes; whether an entry is due, by the clocks.
//
// Instance() is the process-wide scheduler that owners use. A separately
// constructed manager is independent (its own clocks and ranges) and serves
// hosts and tests that drive it through the operations taking handles.
// Single-threaded. Not copyable.
#ifndef TICKBASE_TIMER_TIMER_MANAGER_H_
#define TICKBASE_TIMER_TIMER_MANAGER_H_

#include <deque>
#include <ostream>
#include <string>
#include <vector>

#include "tickbase/export.h"
#include "tickbase/timer/timer_range.h"
#include "tickbase/timer/timer_types.h"

class cTimerObj;

class TICKBASE_API cTimerManager {
 public:
  // The one scheduler, created on first use and destroyed at process exit.
  static cTimerManager& Instance();

  // Samples both clocks; offset 0; creates the five ranges.
  cTimerManager();
  cTimerManager(const cTimerManager&) = delete;
  cTimerManager& operator=(const cTimerManager&) = delete;
  // Releases every handle still held by the lists, the ranges and the queue.
  ~cTimerManager();

  // Clocks, as sampled by the last Run or RefreshTime.
  unsigned long GetMSTime() const { return m_msTime; }  // ms, wraps at 2^32
  long GetSTime() const { return m_sTime + m_diff; }    // seconds since 1970 + offset
  // Replaces the offset added to the second clock (seconds).
  void SetDiff(long diff) { m_diff = diff; }
  // Samples both clocks anew.
  void RefreshTime();
  // Turns a count of units into an absolute due time, in place: ms range,
  // t + ms clock; others, t x seconds per unit + second clock (offset
  // included). Leaves t alone for a range of 5 or more.
  void AddTime(TimeRange range, unsigned long& t) const;

  // Queued operations, applied by the next Run (FlushCmd). They take a
  // reference on obj while queued and return 1; 0 for a null obj. A failed
  // kill is reported on "quenlet.fetalerror" under name when applied; a
  // failed add is dropped silently, as is any command whose owner is gone.
  // name must not be null.
  int AddTimer(TimeRange range, TimerEnum kind, unsigned long time, cTimerObj* obj,
               unsigned long param, const char* name);
  int KillTimer(TimeRange range, TimerEnum kind, unsigned long time, cTimerObj* obj,
                unsigned long param, const char* name);
  // AddTimer of a map timer due count units of range from now (see AddTime).
  int AddTimerNext(TimeRange range, unsigned long count, cTimerObj* obj, unsigned long param,
                   const char* name);

  // Immediate operations on a range; 0 for a range of 5 or more. Not for use
  // inside a callback of the service they change.
  int _AddTimer(TimeRange range, TimerEnum kind, unsigned long time, cTimerObj* obj,
                unsigned long param);
  int _KillTimer(TimeRange range, TimerEnum kind, unsigned long time, cTimerObj* obj,
                 unsigned long param);
  // Non-zero if the timer is stored now; queued commands are not seen.
  int CheckTimer(TimeRange range, TimerEnum kind, unsigned long time, cTimerObj* obj,
                 unsigned long param);

  // One call of obj's OnTimer(param) at the start (run list) or the end (end
  // list) of the next Run; the result is ignored. Take a reference while
  // listed. Ignored for a null obj.
  void AddTimerRun(cTimerObj* obj, unsigned long param);
  void AddTimerEnd(cTimerObj* obj, unsigned long param);

  // One tick; ms: milliseconds elapsed since the previous tick.
  void Run(unsigned long ms);
  // Applies the queued commands in order; Run calls it first.
  void FlushCmd();
  // Changes whenever a command is queued or the queue is applied: an owner
  // that finds it unchanged since it queued an add knows that no command
  // has come between, so work of its own added meanwhile may ride on that
  // add without changing the order of anything.
  unsigned long long QueueMark() const { return m_queueMark; }
  // Writes which part of a run is (or was last) executing: the range, its
  // phase, the service and the callback. For a host's fault handler.
  void ReportCrashToStream(std::ostream& os) const;
  // Writes nothing.
  void TraceTimer(std::ostream& os) const;

  // The range of that value (null for 5 or more); borrowed, lives as long as
  // the manager.
  cTimerRange* GetRange(TimeRange range);

 private:
  struct stTimerCmd {
    TimeRange range;
    TimerEnum kind;
    unsigned long time;
    cTimerObj* obj;  // one reference while queued
    unsigned long param;
    int add;  // 1 add, 0 kill
    std::string name;  // a kill's, for its failure report; empty for an add
  };
  struct stOnceEntry {
    cTimerObj* obj;  // one reference while listed
    unsigned long param;
  };

  int Queue(TimeRange range, TimerEnum kind, unsigned long time, cTimerObj* obj,
            unsigned long param, int add, const char* name);
  void Apply(const stTimerCmd& cmd);
  void Prefetch(const stTimerCmd& cmd) const;
  void FireOnceList(std::deque<stOnceEntry>& list, const char* which);

  std::vector<stTimerCmd> m_cmds;
  std::deque<stOnceEntry> m_runList;
  std::deque<stOnceEntry> m_endList;
  cTimerRange m_ranges[TimeRange_Max];
  long m_sTime = 0;
  DWORD m_msTime = 0;
  long m_diff = 0;
  int m_i = 0;  // range being run; -1 run list; 5 ranges done
  unsigned long long m_queueMark = 0;
};

// cTimerManager::Instance().GetMSTime() and GetSTime().
TICKBASE_API unsigned long GetMSTime();
TICKBASE_API long GetSTime();

#endif  // TICKBASE_TIMER_TIMER_MANAGER_H_
