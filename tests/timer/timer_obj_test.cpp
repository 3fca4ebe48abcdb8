// Handles, owners and the timed dispatch of cTimerObj::OnTimer. Owners
// deleted inside callbacks, their own or others', are the timer soak's.
#include "tickbase/timer/timer_obj.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/capture.h"
#include "support/scoped_clocks.h"
#include "timer/timer_support.h"

namespace game {
// A namespaced owner, to see the readable type name in reports.
class cSleepyOwner : public cRecorder {
 public:
  using cRecorder::cRecorder;
  bool ReportToStream(std::ostream& os, unsigned long param) override {
    os << "sleepy state " << param;
    return true;
  }
};
}  // namespace game

class TimerObjTest : public ::testing::Test {
 protected:
  // Dispatches through the handle while holding a reference, as containers do.
  static unsigned long Fire(cTimerObj* handle, unsigned long param) {
    handle->AddRef();
    const unsigned long r = handle->OnTimer(param);
    handle->Release();
    return r;
  }

  ScopedClocks m_clocks{5000};
};

TEST_F(TimerObjTest, ResetTimerAbandonsTheOldHandleOnly) {
  cRecorder owner(1);
  cTimerObj* old = owner.handle();
  old->AddRef();
  owner.ResetTimer();
  EXPECT_NE(owner.handle(), old);
  EXPECT_FALSE(old->IsValid());
  EXPECT_EQ(Fire(old, 1), 0u);
  EXPECT_EQ(Fire(owner.handle(), 1), 1u);
  EXPECT_EQ(owner.fired, (std::vector<unsigned long>{1}));
  EXPECT_EQ(old->Release(), 0);

  owner.DeleteTimer();
  EXPECT_EQ(owner.handle(), nullptr);
  EXPECT_EQ(owner.AddTimer(TimeRange_MS, Timer_Map, 1, 1), 0);  // no handle: refused, no crash
  EXPECT_EQ(owner.CheckTimer(TimeRange_MS, Timer_Map, 1, 1), 0);
}

TEST_F(TimerObjTest, BindForwardsToItsTargetAndIsAbandonedAlone) {
  cRecorder target(4);
  auto* bind = new iTimerObjBind(&target);
  cTimerObj* bindHandle = bind->GetTimerObj();
  bindHandle->AddRef();
  EXPECT_EQ(Fire(bindHandle, 8), 4u);
  EXPECT_EQ(target.fired, (std::vector<unsigned long>{8}));
  delete bind;
  EXPECT_EQ(Fire(bindHandle, 8), 0u);
  EXPECT_TRUE(target.handle()->IsValid());
  bindHandle->Release();

  iTimerObjBind unbound(nullptr);
  EXPECT_EQ(Fire(unbound.GetTimerObj(), 1), 0u);
}

class SlowCallbackTest : public TimerObjTest {
 protected:
  // An owner whose callback takes ms milliseconds of the injected clock.
  template <class Owner>
  void MakeSlow(Owner& owner, std::uint32_t ms) {
    owner.hook = [this, ms](unsigned long) {
      m_clocks.Advance(ms);
      return 1ul;
    };
  }
};

TEST_F(SlowCallbackTest, OverHundredMsIsReportedWithNameAndOwnerDescription) {
  ChannelCapture channel("quenlet.timererror");
  CoutCapture out;
  game::cSleepyOwner owner;
  MakeSlow(owner, 100);
  EXPECT_EQ(Fire(owner.handle(), 42), 1u);
  EXPECT_TRUE(channel.messages().empty());  // exactly the limit: no report

  MakeSlow(owner, 101);
  EXPECT_EQ(Fire(owner.handle(), 42), 1u);
  // " 【costtime】 " in GBK
  EXPECT_EQ(channel.messages(),
            (std::vector<std::string>{
                "cTimerObj::OnTimer \xA1\xBE" "costtime\xA1\xBF 101 name game::cSleepyOwner timer 42",
                "sleepy state 42"}));
  EXPECT_EQ(out.text(), "");
}

TEST_F(SlowCallbackTest, VanishedOwnerIsReportedWithoutName) {
  ChannelCapture channel("quenlet.timererror");
  auto* owner = new cRecorder;
  owner->hook = [this, owner](unsigned long) {
    m_clocks.Advance(150);
    delete owner;
    return 2ul;
  };
  cTimerObj* handle = owner->handle();
  handle->AddRef();
  EXPECT_EQ(Fire(handle, 5), 2u);
  handle->Release();
  EXPECT_EQ(channel.messages(),
            (std::vector<std::string>{"cTimerObj::OnTimer \xA1\xBE" "costtime\xA1\xBF 150 timer 5"}));
}

TEST_F(SlowCallbackTest, ReportIsWrittenInRedAndLeavesCyan) {
  ChannelCapture channel("quenlet.timererror");
  SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), 0x17);
  FlushColors flushes;
  cRecorder owner;
  MakeSlow(owner, 500);
  Fire(owner.handle(), 1);
  // Flushed before turning red, then while red, before turning cyan.
  EXPECT_EQ(flushes.colors(), (std::vector<WORD>{7, 12}));
  CONSOLE_SCREEN_BUFFER_INFO info{};
  GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info);
  EXPECT_EQ(info.wAttributes, 0x1B);  // bright cyan, background kept
  EXPECT_EQ(flushes.text(), "");
  EXPECT_EQ(channel.messages().size(), 1u);
}
