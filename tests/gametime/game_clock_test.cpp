// The game clock and its time value on plain numbers: every test owns a
// fresh clock (the constructor is public), so no test depends on another's
// leftovers.
#include "tickbase/gametime/game_clock.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <sstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "support/capture.h"

namespace {

using Unit = cGameTime::GameTimeEnum;

const char* const kUnitNames[] = {"Year", "Month", "Day", "Hour", "Min", "Sec"};

stGameTime Make(DWORD year, DWORD month, DWORD day, DWORD hour, DWORD min, DWORD sec) {
  return stGameTime{year, month, day, hour, min, sec};
}

// A day in the middle of a month, at the given time.
stGameTime At(DWORD hour, DWORD min, DWORD sec = 0) { return Make(2000, 4, 10, hour, min, sec); }

std::string Text(const stGameTime& t) {
  std::ostringstream os;
  t.to_stream(os);
  return os.str();
}

// Writes its name (with the new value for a unit event) to a shared log,
// then runs an optional action.
class Recorder final : public iGameTimeCallback, public iGameTimeCallbackAt {
 public:
  Recorder(std::vector<std::string>& log, std::string name, std::function<void()> action = {})
      : m_log(log), m_name(std::move(name)), m_action(std::move(action)) {}
  int OnChange(unsigned long value) override { return Note(m_name + " " + std::to_string(value)); }
  int OnTime() override { return Note(m_name); }

 private:
  int Note(std::string line) {
    m_log.push_back(std::move(line));
    if (m_action) m_action();
    return 0;
  }
  std::vector<std::string>& m_log;
  std::string m_name;
  std::function<void()> m_action;
};

class GameClockTest : public ::testing::Test {
 protected:
  // A recorder named after unit, registered on the clock and owned by the fixture.
  Recorder* Listen(Unit unit, std::function<void()> action = {}) {
    clock.RegistCallback(unit, Own(kUnitNames[unit], std::move(action)));
    return m_recorders.back().get();
  }
  void ListenAll() {
    for (int u = cGameTime::GameTime_Year; u <= cGameTime::GameTime_Sec; ++u) Listen(static_cast<Unit>(u));
  }
  Recorder* ListenAt(const stGameTime& time, const std::string& name, std::function<void()> action = {}) {
    clock.RegistCallbackAt(time, Own(name, std::move(action)));
    return m_recorders.back().get();
  }
  std::vector<std::string> TakeLog() { return std::exchange(log, {}); }

  std::vector<std::string> log;
  cGameTime clock;

 private:
  Recorder* Own(const std::string& name, std::function<void()> action) {
    m_recorders.push_back(std::make_unique<Recorder>(log, name, std::move(action)));
    return m_recorders.back().get();
  }
  std::vector<std::unique_ptr<Recorder>> m_recorders;
};

using Log = std::vector<std::string>;

}  // namespace

// Run turns real into game milliseconds at the multiplier and carries the
// rest below a second, through a stop (multiplier 0) too; negative input
// is refused with a report and changes nothing.
TEST_F(GameClockTest, RunScalesByTheMultiplierAndCarriesTheRest) {
  EXPECT_EQ(Text(clock.m_time), "1937/7/7 0:0:0");  // a new clock
  EXPECT_EQ(Text(clock.m_startTime), "1937/7/7 0:0:0");
  Listen(cGameTime::GameTime_Min);
  clock.Start(At(10, 20, 0));
  clock.Run(999);
  EXPECT_EQ(Text(clock.m_time), "2000/4/10 10:20:0");
  clock.Run(1);
  EXPECT_EQ(clock.GetSec(), 1u);
  clock.Run(1500);
  EXPECT_EQ(clock.GetSec(), 2u);
  clock.Run(500);
  EXPECT_EQ(clock.GetSec(), 3u);

  clock.SetTimeMul(60);
  clock.Run(1000);
  EXPECT_EQ(Text(clock.m_time), "2000/4/10 10:21:3");
  EXPECT_EQ(TakeLog(), (Log{"Min 21"}));
  CoutCapture out;
  clock.SetTimeMul(-5);
  clock.AddSec(-1);
  EXPECT_EQ(out.text(),
            "cGameTime::SetTimeMul refused the negative multiplier -5\n"
            "cGameTime::AddSec refused the negative count -1\n");
  EXPECT_EQ(Text(clock.m_time), "2000/4/10 10:21:3");
  clock.Run(1000);  // the old multiplier still holds
  EXPECT_EQ(TakeLog(), (Log{"Min 22"}));

  clock.SetTimeMul(1);
  clock.Run(600);
  clock.SetTimeMul(0);
  clock.Run(100000);
  EXPECT_EQ(Text(clock.m_time), "2000/4/10 10:22:3");
  clock.SetTimeMul(1);
  clock.Run(400);  // 600 carried through the stop + 400
  EXPECT_EQ(clock.GetSec(), 4u);
}

TEST_F(GameClockTest, OneRunMovesAtMostTheThirtyTwoBitBoundAndSaysSo) {
  Listen(cGameTime::GameTime_Day);
  clock.SetTimeMul(100000);
  CoutCapture out;
  clock.Run(ULONG_MAX);  // a wrapped difference from the host
  EXPECT_EQ(Text(clock.m_time), "1937/8/25 17:2:47");  // 4294967.295 game seconds on
  EXPECT_EQ(clock.m_msRest, 295u);
  EXPECT_EQ(log.size(), 49u);
  EXPECT_EQ(out.text(),
            "cGameTime::Run clamped " + std::to_string(ULONG_MAX) +
                " ms at multiplier 100000 to 4294967295 game ms\n");
  out.clear();
  clock.Run(42949);  // just under the bound with the carried 295 ms
  EXPECT_EQ(out.text(), "");
  EXPECT_EQ(clock.m_msRest, 295u);
}

TEST_F(GameClockTest, AnHourOfSecondsRaisesSixtyMinEventsAndDispatchesOnceAtTheEnd) {
  ListenAll();
  size_t eventsBeforeDispatch = 0;
  ListenAt(At(10, 25), "at 10:25", [&] { eventsBeforeDispatch = log.size(); });
  ListenAt(At(10, 40), "at 10:40");
  clock.Start(At(10, 20, 0));
  clock.AddSec(59);
  EXPECT_TRUE(log.empty());
  clock.AddSec(3541);
  EXPECT_EQ(Text(clock.m_time), "2000/4/10 11:20:0");

  Log expected;
  for (int m = 21; m < 60; ++m) expected.push_back("Min " + std::to_string(m));
  expected.push_back("Hour 11");
  for (int m = 0; m <= 20; ++m) expected.push_back("Min " + std::to_string(m));
  expected.push_back("at 10:25");
  expected.push_back("at 10:40");
  EXPECT_EQ(log, expected);
  EXPECT_EQ(eventsBeforeDispatch, 61u + 1u);  // all events, then its own line
}

// AddSec rolls every unit largest first, then dispatches; AddMin raises the
// larger units only and dispatches nothing; counters out of range roll over
// at the next minute.
TEST_F(GameClockTest, UnitsRollOverLargestFirst) {
  ListenAll();
  ListenAt(Make(1937, 11, 30, 23, 59, 0), "at");
  clock.Start(Make(1937, 11, 30, 23, 59, 59));
  clock.AddSec(1);
  EXPECT_EQ(Text(clock.m_time), "1938/0/0 0:0:0");
  EXPECT_EQ(TakeLog(), (Log{"Year 1938", "Month 0", "Day 0", "Hour 0", "Min 0", "at"}));

  ListenAt(At(10, 0), "at");
  clock.Start(Make(2000, 4, 30, 23, 59, 7));
  clock.AddMin();
  EXPECT_EQ(Text(clock.m_time), "2000/5/0 0:0:7");
  EXPECT_EQ(TakeLog(), (Log{"Month 5", "Day 0", "Hour 0"}));

  clock.Start(Make(1937, 12, 5, 23, 59, 0));  // no month 12
  EXPECT_TRUE(clock.NextMonth());
  clock.AddSec(60);
  EXPECT_EQ(Text(clock.m_time), "1938/0/0 0:0:0");
  EXPECT_EQ(TakeLog(), (Log{"Year 1938", "Month 0", "Day 0", "Hour 0", "Min 0"}));
  clock.Start(Make(1937, 3, 45, 30, 75, 130));
  clock.AddSec(0);  // 130 s already pending: two minutes
  EXPECT_EQ(Text(clock.m_time), "1937/4/0 0:1:10");
}

TEST_F(GameClockTest, FebruaryHasTwentyNineDaysInEveryFourthYearCenturiesIncluded) {
  const std::pair<DWORD, bool> years[] = {{1900, true},  {1904, true},  {2000, true}, {1936, true},
                                          {1901, false}, {1937, false}, {2101, false}};
  for (auto [year, leap] : years) {
    clock.Start(Make(year, 1, 27, 23, 59, 59));
    EXPECT_EQ(clock.Year4(), leap) << year;
    clock.AddSec(leap ? 1 + 24 * 3600 : 1);  // through day 28 of a leap February
    EXPECT_EQ(Text(clock.m_time), std::to_string(year) + "/2/0 0:0:0");
  }
  clock.Start(Make(1937, 3, 30, 0, 0, 0));  // day 30 of a 30-day month
  EXPECT_TRUE(clock.NextMonth());
}

TEST_F(GameClockTest, UnitCallbacksRunPerRegistrationAndChangesTakeEffectFromTheNextEvent) {
  Recorder* hour = Listen(cGameTime::GameTime_Hour);
  clock.RegistCallback(cGameTime::GameTime_Hour, hour);
  Listen(cGameTime::GameTime_Sec);
  clock.RegistCallback(static_cast<Unit>(6), hour);
  clock.RegistCallback(static_cast<Unit>(-1), hour);
  clock.RegistCallback(cGameTime::GameTime_Hour, nullptr);

  clock.Start(At(10, 59, 0));
  clock.AddSec(60);
  EXPECT_EQ(TakeLog(), (Log{"Hour 11", "Hour 11"}));

  clock.UnregistCallback(cGameTime::GameTime_Hour, hour);
  clock.AddSec(3 * 3600);
  clock.Run(5000);
  clock.AddMin();
  EXPECT_TRUE(log.empty());

  // A host raising an event by hand: the unsigned long value is handed on whole.
  const unsigned long wide = static_cast<unsigned long>(5000000000ull);
  clock.OnGameTime(cGameTime::GameTime_Sec, wide);
  clock.OnGameTime(static_cast<Unit>(7), 1);
  EXPECT_EQ(TakeLog(), (Log{"Sec " + std::to_string(wide)}));

  // Listeners changed during an event take effect from the next one.
  std::vector<std::string> lateLog;
  Recorder late(lateLog, "Min");
  auto* deleted = new Recorder(log, "Min");
  Recorder* back = nullptr;
  Listen(cGameTime::GameTime_Min, [&] {
    if (deleted) {
      clock.UnregistCallback(cGameTime::GameTime_Min, deleted);
      delete std::exchange(deleted, nullptr);  // calling it now would use freed memory
      clock.UnregistCallback(cGameTime::GameTime_Min, back);
      clock.RegistCallback(cGameTime::GameTime_Min, back);
      clock.RegistCallback(cGameTime::GameTime_Min, &late);
    }
  });
  clock.RegistCallback(cGameTime::GameTime_Min, deleted);
  back = Listen(cGameTime::GameTime_Min);

  clock.Start(At(10, 0, 0));
  clock.AddSec(60);
  EXPECT_EQ(TakeLog(), (Log{"Min 1", "Min 1"}));  // the first and the re-registered one
  EXPECT_TRUE(lateLog.empty());                   // added during the event

  clock.AddSec(60);
  EXPECT_EQ(TakeLog(), (Log{"Min 2", "Min 2"}));
  EXPECT_EQ(lateLog, (Log{"Min 2"}));
  clock.UnregistCallback(cGameTime::GameTime_Min, &late);
}

// An entry fires once, at the first minute change after its minute (seconds
// do not count); due entries fire earliest first, one minute's in order of
// registration. UnregistCallbackAt removes the earliest entry of its
// callback whatever time it is given. Start neither raises nor dispatches.
TEST_F(GameClockTest, AtEntriesFireOnceEarliestFirstAfterTheirMinute) {
  clock.Start(At(10, 30, 10));
  ListenAt(At(10, 30, 45), "first");
  ListenAt(At(10, 30, 0), "second");
  ListenAt(At(10, 31), "10:31");
  ListenAt(At(9, 0), "9:00");
  clock.AddSec(49);
  EXPECT_EQ(Text(clock.m_time), "2000/4/10 10:30:59");
  EXPECT_TRUE(log.empty());
  clock.AddSec(1);
  EXPECT_EQ(TakeLog(), (Log{"9:00", "first", "second"}));
  clock.AddSec(60);
  EXPECT_EQ(TakeLog(), (Log{"10:31"}));

  Recorder* twice = ListenAt(At(10, 45), "a");
  clock.RegistCallbackAt(At(10, 40), twice);
  ListenAt(At(10, 40), "b");
  clock.UnregistCallbackAt(At(23, 59), twice);
  clock.AddSec(3600);
  EXPECT_EQ(TakeLog(), (Log{"b", "a"}));
  clock.UnregistCallbackAt(At(0, 0), twice);  // nothing left: no effect
  clock.AddSec(3600);
  EXPECT_TRUE(log.empty());

  // Start moves the time, back too, without events or dispatch.
  ListenAll();
  ListenAt(At(10, 30), "10:30");
  clock.Start(At(9, 0, 0));
  clock.AddSec(60);
  EXPECT_EQ(TakeLog(), (Log{"Min 1"}));
  clock.Start(At(11, 0, 30));
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(Text(clock.m_startTime), "2000/4/10 11:0:30");
  clock.AddSec(30);
  EXPECT_EQ(TakeLog(), (Log{"Min 1", "10:30"}));
}

// At-time callbacks changing the entries while they fire: removing their
// own firing entry and a due one behind it, adding a passed minute (which
// waits for the next change, so re-registering itself cannot loop), and
// unregistering, which takes the earliest entry, new ones included.
TEST_F(GameClockTest, AtCallbacksMayChangeTheEntriesWhileFiring) {
  clock.Start(At(10, 0, 0));
  Recorder* victim = nullptr;
  Recorder* self = nullptr;
  self = ListenAt(At(9, 0), "self", [&] {
    clock.UnregistCallbackAt(At(0, 0), self);
    clock.UnregistCallbackAt(At(0, 0), victim);
    ListenAt(At(8, 0), "passed");
  });
  victim = ListenAt(At(9, 30), "victim");
  ListenAt(At(9, 45), "kept");
  clock.AddSec(60);
  EXPECT_EQ(TakeLog(), (Log{"self", "kept"}));
  clock.AddSec(60);
  EXPECT_EQ(TakeLog(), (Log{"passed"}));
  clock.AddSec(60);
  EXPECT_TRUE(log.empty());

  Recorder* again = nullptr;
  again = ListenAt(At(9, 0), "again", [&] { clock.RegistCallbackAt(At(9, 0), again); });
  clock.AddSec(60);
  EXPECT_EQ(TakeLog(), (Log{"again"}));
  clock.AddSec(120);
  EXPECT_EQ(TakeLog(), (Log{"again"}));  // one dispatch per AddSec
  clock.UnregistCallbackAt(At(0, 0), again);
  clock.AddSec(60);
  EXPECT_TRUE(log.empty());

  std::vector<std::string> otherLog;
  Recorder other(otherLog, "other");
  clock.RegistCallbackAt(At(11, 0), &other);
  ListenAt(At(9, 0), "trigger", [&] {
    clock.RegistCallbackAt(At(10, 30), &other);  // earlier than 11:00
    clock.UnregistCallbackAt(At(0, 0), &other);
  });
  clock.AddSec(2 * 3600);
  EXPECT_EQ(otherLog, (Log{"other"}));  // the 11:00 entry survived
  EXPECT_EQ(TakeLog(), (Log{"trigger"}));
}
// Advancing from a callback is refused; a throwing callback leaves the
// clock usable.
TEST_F(GameClockTest, CallbacksCannotAdvanceOrBreakTheClock) {
  Listen(cGameTime::GameTime_Min, [&] {
    clock.AddSec(60);
    clock.Run(60000);
    clock.AddMin();
  });
  ListenAt(At(10, 0), "at", [&] { clock.AddSec(60); });
  clock.Start(At(10, 0, 0));
  CoutCapture out;
  clock.AddSec(60);
  EXPECT_EQ(Text(clock.m_time), "2000/4/10 10:1:0");
  EXPECT_EQ(TakeLog(), (Log{"Min 1", "at"}));
  EXPECT_EQ(out.text(),
            "cGameTime::AddSec refused: the clock is already advancing (called from a game time callback)\n"
            "cGameTime::Run refused: the clock is already advancing (called from a game time callback)\n"
            "cGameTime::AddMin refused: the clock is already advancing (called from a game time callback)\n"
            "cGameTime::AddSec refused: the clock is already advancing (called from a game time callback)\n");
  clock.AddSec(60);  // outside callbacks it works again
  EXPECT_EQ(TakeLog(), (Log{"Min 2"}));

  ListenAt(At(9, 0), "thrower", [] { throw std::runtime_error("boom"); });
  ListenAt(At(9, 30), "next");
  EXPECT_THROW(clock.AddSec(60), std::runtime_error);
  clock.AddSec(60);  // not refused, and the thrower's entry is gone
  EXPECT_EQ(TakeLog(), (Log{"Min 3", "thrower", "Min 4", "next"}));
}

TEST_F(GameClockTest, DayNightAndMidnightHours) {
  const char kind[] = "MMMMNNNNDDDDDDDDDNNNNNNM";  // hours 0 to 23: Day, Night, Midnight (a night too)
  for (DWORD hour = 0; hour < 24; ++hour) {
    clock.Start(At(hour, 0));
    EXPECT_EQ(clock.IsDay(), kind[hour] == 'D') << hour;
    EXPECT_EQ(clock.IsNight(), kind[hour] != 'D') << hour;
    EXPECT_EQ(clock.IsMidNight(), kind[hour] == 'M') << hour;
  }
}

// Times order by minute (the at-time tests show seconds do not count),
// field by field; both text forms follow the stream's formatting.
TEST(GameTimeValue, OrderIsLexicographicAndTextFollowsTheStream) {
  EXPECT_TRUE(Make(1937, 11, 30, 23, 59, 59) < Make(1938, 0, 0, 0, 0, 0));
  EXPECT_TRUE(Make(1937, 0, 30, 0, 0, 0) < Make(1937, 1, 0, 0, 0, 0));
  EXPECT_TRUE(Make(1937, 5, 5, 4, 59, 0) < Make(1937, 5, 5, 5, 0, 0));
  EXPECT_FALSE(Make(4000000000u, 0, 0, 0, 0, 0) < Make(1, 0, 0, 0, 0, 0));  // unsigned

  // The readers are checked against their rules, and what is written reads
  // back, by the game_time_text fuzz target over seeds covering the rules.
  std::ostringstream hex;
  hex << std::hex;
  Make(255, 10, 0, 0, 0, 16).to_stream(hex) << '|';
  EXPECT_EQ(hex.str(), "ff/a/0 0:0:10|");

  std::string text = "old text";
  Make(1937, 7, 7, 0, 0, 0).ToString(text);
  EXPECT_EQ(text, "1937 7 7 0 0 0 ");
}
