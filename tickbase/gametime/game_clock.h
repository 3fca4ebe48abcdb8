// cGameTime: the game clock. Holds the in-game date and time, advances it at
// a multiple of real time when the host calls Run with the real milliseconds
// elapsed, and tells listeners when a calendar unit rolls over (unit
// callbacks) or when the clock's minute has passed a registered moment
// (at-time callbacks, one-shot). One process-wide clock through Instance();
// it has no thread and no timer, and everything runs on the host's thread
// inside the call that moved it.
//
// Listeners come in a native form (host objects, borrowed) and a script form
// (a script file and function name, run through RunScriptFileFunc; the clock
// makes, owns and destroys those). Callbacks may register and unregister
// listeners freely while the clock is calling them; a removed script form
// lives until the dispatch that may still be running it has ended. They may
// not advance the clock (Run, AddSec, AddMin): that is refused with a report
// until the advance in progress has ended.
//
// A unit event calls the callbacks registered when it began, except those
// unregistered during it (and not registered again) before their turn: a
// callback may unregister and delete another one in the same event. A
// native callback must still be unregistered before it is deleted, and one
// deleted while registered (or while the host raises an event by hand from
// a copy of its own) is a dangling pointer the clock cannot see.
#ifndef TICKBASE_GAMETIME_GAME_CLOCK_H_
#define TICKBASE_GAMETIME_GAME_CLOCK_H_

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "tickbase/export.h"
#include "tickbase/gametime/game_time_callbacks.h"
#include "tickbase/gametime/game_time_value.h"
#include "tickbase/platform/types.h"

class TICKBASE_API cGameTime {
 public:
  // Calendar units; a value indexes the clock's unit lists. The fixed
  // underlying type keeps any int a valid value: operations ignore units
  // outside 0 to 5.
  enum GameTimeEnum : int {
    GameTime_Year = 0,
    GameTime_Month = 1,
    GameTime_Day = 2,
    GameTime_Hour = 3,
    GameTime_Min = 4,
    GameTime_Sec = 5,
  };

  // The default time, 1937/7/7 0:0:0, multiplier 1, no listeners.
  cGameTime();
  ~cGameTime();
  cGameTime(const cGameTime&) = delete;
  cGameTime& operator=(const cGameTime&) = delete;

  // The one clock, made on first call.
  static cGameTime& Instance();

  // Sets the current and the start time. Raises no event and runs no
  // at-time dispatch; listeners and the carried milliseconds stay.
  void Start(const stGameTime& time);
  // Does nothing: the clock keeps its time and listeners.
  void End();

  // Advances by multiplier x elapsed game milliseconds (elapsed: real ms
  // since the previous call). Whole seconds go to AddSec; the rest, below
  // one second, is carried to the next call. One call advances at most
  // 2^32 - 1 game ms (with the carried rest); a longer step is cut to that
  // and reported on "quenlet.timererror".
  void Run(unsigned long elapsed);
  // Game milliseconds per real millisecond from the next Run on; 0 stops
  // the clock. A negative multiplier is refused with a report.
  void SetTimeMul(int mul);

  // Adds seconds (not negative: a negative count is refused with a report).
  // For every minute passed: the larger units' events (as AddMin), then the
  // Min event. Then, if a minute passed, the due at-time callbacks fire.
  void AddSec(int seconds);
  // Adds one minute, raising Year, Month, Day and Hour events (largest
  // first) for the units that roll over; no Min event, no at-time dispatch.
  void AddMin();

  // True when the day counter has reached the length of its month (29 days
  // in month 1 of a leap year; a month past 11 counts as ended).
  bool NextMonth() const;
  // True when the year is divisible by 4, centuries included.
  bool Year4() const;

  unsigned long GetYear() const { return m_time.year; }
  unsigned long GetMonth() const { return m_time.month; }  // from 0
  unsigned long GetDay() const { return m_time.day; }      // from 0
  unsigned long GetHour() const { return m_time.hour; }
  unsigned long GetMin() const { return m_time.min; }
  unsigned long GetSec() const { return m_time.sec; }

  // 1 for hours 8 to 16 inclusive, else 0.
  int IsDay() const;
  // 1 when IsDay gives 0, else 0.
  int IsNight() const;
  // 1 from 23:00 to 3:59 (hours 23, 0, 1, 2 and 3), else 0.
  int IsMidNight() const;

  // Calls OnChange(value) on every callback registered for unit when the
  // event begins, in order of registration, once per registration; one
  // unregistered during the event is skipped from then on unless it was
  // registered again. Units outside 0 to 5 are ignored.
  void OnGameTime(GameTimeEnum unit, unsigned long value);
  // OnGameTime of the unit with its current counter.
  void OnYearChange();
  void OnMonthChange();
  void OnDayChange();
  void OnHourChange();
  void OnMinChange();

  // Appends cb (borrowed) to the unit's list; duplicates are allowed. A null
  // cb or a unit outside 0 to 5 is ignored. The Sec unit is never raised by
  // the clock itself.
  void RegistCallback(GameTimeEnum unit, iGameTimeCallback* cb);
  // Removes every registration of cb for the unit.
  void UnregistCallback(GameTimeEnum unit, iGameTimeCallback* cb);
  // Calls cb (borrowed) once, at the first minute change after which the
  // clock's minute lies beyond time's minute (seconds do not count). Entries
  // of one minute fire in order of registration. An entry registered while
  // at-time callbacks are firing waits for the next minute change.
  void RegistCallbackAt(const stGameTime& time, iGameTimeCallbackAt* cb);
  // Removes the earliest entry of cb, whatever its time; time is not read.
  void UnregistCallbackAt(const stGameTime& time, iGameTimeCallbackAt* cb);

  // The script forms: file names a script as the script manager knows it,
  // func a global function in it, run without arguments. Registering the
  // same names twice gives two calls per event. Null names are refused with
  // a report; a unit outside 0 to 5 is ignored.
  void RegistCallbackScript(GameTimeEnum unit, const char* file, const char* func);
  // Removes and destroys the unit's first script callback with exactly these
  // names; false if there is none (or the unit is outside 0 to 5).
  bool UnregistCallbackScript(GameTimeEnum unit, const char* file, const char* func);
  void RegistCallbackAtScript(const stGameTime& time, const char* file, const char* func);
  // Removes and destroys the earliest script at-time entry with exactly these
  // names, whatever its time (time is not read); false if there is none.
  bool UnregistCallbackAtScript(const stGameTime& time, const char* file, const char* func);

  // What the clock is calling now, for crash reports: plain fields that a
  // fatal-signal handler may read. unit is the unit whose event is being
  // raised (value: its new counter), kDispatchAt while at-time callbacks
  // run, kDispatchNone otherwise; nested dispatches show the innermost.
  static constexpr int kDispatchNone = -1;
  static constexpr int kDispatchAt = GameTime_Sec + 1;
  struct stDispatch {
    int unit;
    unsigned long value;
  };
  const stDispatch& GetDispatch() const { return m_dispatch; }

  static constexpr int kUnitCount = 6;

  // owned is set for the script forms and is the same object as cb.
  struct UnitEntry {
    iGameTimeCallback* cb;
    std::unique_ptr<cGameTimeCallbackScript> owned;
  };
  struct AtEntry {
    iGameTimeCallbackAt* cb;
    std::unique_ptr<cGameTimeCallbackScriptAt> owned;
  };
  using AtMap = std::multimap<stGameTime, AtEntry>;

  // The clock's state, open to the host like the rest of the clock. Change
  // the registrations only through the operations above: a dispatch in
  // progress relies on them.

  // The current time. Writing it directly acts like Start without touching
  // the start time: no event, no dispatch.
  stGameTime m_time;
  // The time given to the last Start (the default time until then); kept
  // for the host, not read by the clock.
  stGameTime m_startTime;
  DWORD m_msRest;  // game ms not yet turned into seconds, below 1000
  // At-time registrations by minute; equal minutes in order of registration.
  AtMap m_atCallbacks;
  // Unit registrations, one list per GameTimeEnum value, in order.
  std::array<std::vector<UnitEntry>, kUnitCount> m_callbacks;
  int m_timeMul;  // game ms per real ms; never negative

 private:
  using PendingAt = std::vector<std::pair<stGameTime, AtEntry>>;

  // False (after a report naming caller) when an advance is in progress.
  bool MayAdvance(const char* caller) const;
  // AddSec and AddMin without the guard.
  void AdvanceSeconds(std::uint64_t seconds);
  void AdvanceMinute();
  // Fires the due at-time entries, earliest first.
  void DispatchAt();
  // Moves the entries registered during the dispatch into m_atCallbacks.
  void AdoptPendingAt();
  void AddAt(const stGameTime& time, AtEntry entry);
  // Removes the earliest at-time entry (registered or pending) that matches;
  // false if none does.
  template <class Match>
  bool RemoveEarliestAt(Match match);
  // Destroys the script form of a removed entry, or keeps it alive until no
  // dispatch is running (it may be on a copied list or running right now).
  void Retire(AtEntry& entry);
  void Retire(UnitEntry& entry);
  // Ends one dispatch; the last one to end frees the retired script forms.
  void LeaveDispatch();
  DWORD DaysInMonth() const;
  bool IsRegistered(GameTimeEnum unit, const iGameTimeCallback* cb) const;

  // Entries registered while DispatchAt runs, in order; adopted at its end
  // so that a callback re-registering a passed minute cannot loop forever.
  PendingAt m_pendingAt;

  // Dispatch state. m_firing is the entry whose callback is being called, or
  // end(): the entry stays registered during the call, so its callback may
  // remove it, which resets m_firing to end().
  bool m_advancing;
  bool m_dispatchingAt;
  int m_dispatchDepth;  // unit events and at-time dispatches in progress
  std::uint64_t m_unitRemovals;  // unit registrations removed so far
  stDispatch m_dispatch;
  AtMap::iterator m_firing;
  std::vector<std::unique_ptr<cGameTimeCallbackScript>> m_retiredUnit;
  std::vector<std::unique_ptr<cGameTimeCallbackScriptAt>> m_retiredAt;
};

#endif  // TICKBASE_GAMETIME_GAME_CLOCK_H_
