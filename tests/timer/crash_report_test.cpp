// Crash reports taken from inside callbacks, at each phase of a run.
#include <gtest/gtest.h>

#include <sstream>

#include "support/scoped_clocks.h"
#include "tickbase/timer/timer_manager.h"
#include "timer/timer_support.h"

// An owner that takes a crash report of its manager whenever it fires.
class cReporter : public cRecorder {
 public:
  explicit cReporter(cTimerManager& manager) : cRecorder(1), m_manager(manager) {
    hook = [this](unsigned long) {
      std::ostringstream os;
      m_manager.ReportCrashToStream(os);
      reports.push_back(os.str());
      return 1ul;
    };
  }
  bool ReportToStream(std::ostream& os, unsigned long param) override {
    os << "reporter state " << param << std::endl;
    return true;
  }

  std::vector<std::string> reports;

 private:
  cTimerManager& m_manager;
};

class CrashReportTest : public ::testing::Test {
 protected:
  ScopedClocks m_clocks{1000, 1700000000};
  cTimerManager m_manager;
  cReporter m_owner{m_manager};
};

TEST_F(CrashReportTest, EachPhaseNamesWhereTheRunIs) {
  m_manager.AddTimerRun(m_owner.GetTimerObj(), 1);
  m_manager.AddTimerEnd(m_owner.GetTimerObj(), 2);
  m_manager._AddTimer(TimeRange_MS, Timer_Map, 1001, m_owner.GetTimerObj(), 3);
  m_manager._AddTimer(TimeRange_Sec, Timer_Patch, 1, m_owner.GetTimerObj(), 4);
  m_manager._AddTimer(TimeRange_Sec, Timer_List, 1, m_owner.GetTimerObj(), 5);
  m_clocks.Advance(1000);
  m_manager.Run(1000);

  auto service = [](const char* name, int param) {
    return std::string("cService::ReportCrashToStream ") + name + "\ncur itimerobj cReporter timer " +
           std::to_string(param) + "\nreporter state " + std::to_string(param) + "\n";
  };
  const std::vector<std::string> expected = {
      "cTimerManager::ReportCrashToStream m_i: -1\n",
      "cTimerManager::ReportCrashToStream m_i: 0\ncTimerRange::ReportCrashToStream m_i: 0\n" +
          service("Map_MS", 3),
      "cTimerManager::ReportCrashToStream m_i: 1\ncTimerRange::ReportCrashToStream m_i: 1\n" +
          service("patch_1_Sec", 4),
      "cTimerManager::ReportCrashToStream m_i: 1\ncTimerRange::ReportCrashToStream m_i: 2\n" +
          service("list_1_Sec", 5),
      "cTimerManager::ReportCrashToStream m_i: 5\n"};
  EXPECT_EQ(m_owner.reports, expected);

  std::ostringstream after;
  m_manager.ReportCrashToStream(after);
  EXPECT_EQ(after.str(), "cTimerManager::ReportCrashToStream m_i: 5\n");
}

TEST_F(CrashReportTest, OwnerGoneInsideItsCallbackIsNotReadByTheReport) {
  auto* owner = new cRecorder;
  std::string report;
  owner->hook = [&, owner](unsigned long) {
    // The closure dies with its owner: keep what it needs on the stack.
    cTimerManager& manager = m_manager;
    std::string& out = report;
    delete owner;
    std::ostringstream os;
    manager.ReportCrashToStream(os);
    out = os.str();
    return 0ul;
  };
  m_manager._AddTimer(TimeRange_MS, Timer_Map, 1001, owner->GetTimerObj(), 6);
  m_clocks.Advance(1);
  m_manager.Run(1);
  EXPECT_EQ(report,
            "cTimerManager::ReportCrashToStream m_i: 0\ncTimerRange::ReportCrashToStream m_i: 0\n"
            "cService::ReportCrashToStream Map_MS\nno itimerobj \n");
}
