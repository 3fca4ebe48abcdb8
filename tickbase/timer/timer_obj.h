// Timer owners and their handles.
//
// An owner (iTimerObjEx) never lets the scheduler hold a pointer to itself:
// it holds one reference-counted handle (cTimerObj), and only handles are
// stored in timer containers, queued commands and run-once lists. Each of
// those holds one reference. When the owner goes away or resets, its handle
// is invalidated, so every pending entry that names it dies quietly the next
// time the scheduler reaches it. An owner may therefore be destroyed at any
// time, including inside its own OnTimer.
//
// Single-threaded: reference counts are plain integers.
#ifndef TICKBASE_TIMER_TIMER_OBJ_H_
#define TICKBASE_TIMER_TIMER_OBJ_H_

#include <ostream>

#include "tickbase/export.h"
#include "tickbase/timer/timer_types.h"

class iTimerObjEx;

// The handle. Created with one reference (the owner's) by iTimerObjEx and
// deleted by the Release that drops the last reference.
class TICKBASE_API cTimerObj {
 public:
  explicit cTimerObj(iTimerObjEx* owner);
  cTimerObj(const cTimerObj&) = delete;
  cTimerObj& operator=(const cTimerObj&) = delete;

  void AddRef() { ++m_refs; }
  // Drops one reference; deletes the handle when none is left. Returns the
  // new count (0: the handle is gone).
  int Release();
  // Detaches the owner for good: the handle never fires anything again.
  void Invalidate();

  // Calls the owner's OnTimer(param), timed; a call slower than 100 ms is
  // reported on "quenlet.timererror". A call made from inside another
  // owner's OnTimer is that callback's part: it names the running timer
  // while it lasts, and its time is reported by itself, not again in the
  // enclosing callback's. Returns 0 without a call when the handle is
  // invalid. Returns the owner's result even when the owner destroyed
  // itself during the call. Requires: the caller holds a reference across
  // the call.
  unsigned long OnTimer(unsigned long param);

  bool IsValid() const { return m_valid; }
  iTimerObjEx* GetOwner() const { return m_owner; }
  int GetRefCount() const { return m_refs; }

 protected:
  virtual ~cTimerObj();

 private:
  int m_refs = 1;
  bool m_valid = true;
  iTimerObjEx* m_owner;  // borrowed; null once the owner gave the handle up
};

// The callback contract. Not deleted through this interface.
class TICKBASE_API iTimerObj {
 public:
  // Called when a timer of this owner fires; param is the one it was
  // registered with. The result's meaning depends on where the timer lives:
  // map timer: 0 ends it, n re-arms it n units of its range after the run's
  // clock; list timer: 0 ends it, else it re-arms one period later; patch
  // timer: 0 removes it, else it stays; run-once lists ignore it.
  virtual unsigned long OnTimer(unsigned long param) = 0;
  // Describes this owner's state for timer param in crash and slow-callback
  // reports. Returns true if it wrote anything; the default writes nothing.
  virtual bool ReportToStream(std::ostream& os, unsigned long param);

 protected:
  ~iTimerObj() = default;
};

// The owner base: holds the handle and offers the timer operations. Not
// copyable: a handle belongs to exactly one owner.
class TICKBASE_API iTimerObjEx : public iTimerObj {
 public:
  iTimerObjEx();
  iTimerObjEx(const iTimerObjEx&) = delete;
  iTimerObjEx& operator=(const iTimerObjEx&) = delete;
  // Gives the handle up: every timer still pending for it dies quietly.
  virtual ~iTimerObjEx();

  unsigned long OnTimer(unsigned long param) override;  // returns 0

  // Gives the handle up; timer operations then do nothing and return 0
  // until ResetTimer.
  void DeleteTimer();
  // Abandons every timer registered so far and takes a fresh handle.
  void ResetTimer();
  // The current handle (null after DeleteTimer); borrowed.
  cTimerObj* GetTimerObj() const { return m_timer; }

  // Timer operations through cTimerManager::Instance(). AddTimer, KillTimer
  // and AddTimerNext queue a command applied by the next Run and return 1
  // (0 only when the owner has no handle). The label used in error messages
  // is this object's dynamic type name unless name is given; name must not
  // be null. time means: Timer_Map, the absolute due time on the range's
  // clock (ms for TimeRange_MS, seconds otherwise); Timer_Patch and
  // Timer_List, the period in units of the range.
  int AddTimer(TimeRange range, TimerEnum kind, unsigned long time, unsigned long param);
  int AddTimer(TimeRange range, TimerEnum kind, unsigned long time, unsigned long param,
               const char* name);
  // For Timer_Map the time is only shown in the error message of a failed
  // kill; for lists and patches it must be the period of the add.
  int KillTimer(TimeRange range, TimerEnum kind, unsigned long time, unsigned long param);
  // A one-shot map timer due count units of range after the manager's
  // current clock.
  int AddTimerNext(TimeRange range, unsigned long count, unsigned long param);
  int AddTimerNext(TimeRange range, unsigned long count, unsigned long param, const char* name);
  // Immediate: non-zero if the timer is stored now (queued commands are not
  // seen). 0 for a range of 5 or more.
  int CheckTimer(TimeRange range, TimerEnum kind, unsigned long time, unsigned long param);
  // One call of OnTimer(param) at the start of the next Run.
  void AddTimerRun(unsigned long param);

 protected:
  // Takes a fresh handle. Throws std::bad_alloc when the heap is exhausted.
  void CreateTimer();

 private:
  const char* TypeLabel() const;

  cTimerObj* m_timer = nullptr;  // one reference, owned
};

// A second, independent handle whose callbacks go to another owner: timers
// registered through it are abandoned together by destroying or resetting
// the bind object, without touching the target's own timers.
class TICKBASE_API iTimerObjBind : public iTimerObjEx {
 public:
  // target is borrowed and must outlive this object (or be cleared first).
  explicit iTimerObjBind(iTimerObjEx* target);
  ~iTimerObjBind() override;

  // The target's OnTimer(param), or 0 when there is no target.
  unsigned long OnTimer(unsigned long param) override;

 private:
  iTimerObjEx* m_target;
};

#endif  // TICKBASE_TIMER_TIMER_OBJ_H_
