// A --test run: the game tests of one folder, run one after another by the
// library's folder runner, each counted as passed or failed.
//
// A test passes when it calls EndGameTest with no false Assert and no script
// error reported on its behalf. A script error, or a test that has not
// called EndGameTest within the time limit, fails the test and the runner
// goes on with the next one, so a run of N tests always ends. What a test
// left behind (a sleeping coroutine) cannot end or fail a later test.
//
// One runner at a time: it hooks the "script.error" channel and, through
// Bind, the Assert and EndGameTest of every state. Host thread only.
#ifndef TICKBASE_HOST_TEST_RUNNER_H_
#define TICKBASE_HOST_TEST_RUNNER_H_

#include <cstddef>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

struct lua_State;
namespace spdlog::sinks {
class sink;
}

struct stTestResult {
  std::string name;     // the script name, "tests/clock_test"
  bool ended = false;   // called EndGameTest
  bool raised = false;  // a script error was reported while it ran
  std::string failure;  // the first false Assert, error or time-out; empty if none
  double seconds = 0;   // from being scheduled to its end

  bool passed() const { return ended && failure.empty(); }
};

class cTestRunner {
 public:
  // limitSeconds: how long one test may take to call EndGameTest.
  cTestRunner(std::string folder, double limitSeconds);
  ~cTestRunner();
  cTestRunner(const cTestRunner&) = delete;
  cTestRunner& operator=(const cTestRunner&) = delete;

  // Wraps the Assert and EndGameTest globals of L so the running runner
  // hears of them; does nothing when no runner exists. For the host's bind
  // function, after BindScriptCommon.
  static void Bind(lua_State* L);

  // Finds the tests and schedules the first (RunScriptTestFolder). False
  // when the folder holds none. now: seconds on the host's clock.
  bool Start(double now);
  // After every tick: fails the running test on a reported error or when it
  // is over time, and schedules the next one.
  void Check(double now);
  // True when every test has ended or failed.
  bool Done() const { return m_current >= m_results.size(); }

  enum class Outcome { kPassed, kFailed, kNotRun };
  // Test i's outcome; tests after the running one of an interrupted run did
  // not run.
  Outcome OutcomeOf(std::size_t i) const;
  // Why test i failed.
  std::string FailureOf(std::size_t i) const;
  // Writes one line per test and a closing count. True when all passed.
  bool WriteSummary(std::ostream& os) const;
  const std::string& folder() const { return m_folder; }
  const std::vector<stTestResult>& results() const { return m_results; }

  // For the hooks.
  void OnAssertFailed(const std::string& text);
  void OnError(const std::string& message);
  // False when the call came from a test that has already ended: it must
  // not schedule another test.
  bool OnEndGameTest();

 private:
  // The test whose script is running now: the one the current script file
  // names, else the running test; null between tests.
  stTestResult* Owner();
  void Fail(stTestResult& test, const std::string& why);
  // Schedules the next test after the running one was given up.
  void Advance(double now);

  std::string m_folder;
  double m_limit;
  std::vector<stTestResult> m_results;
  std::size_t m_current = 0;   // index of the running (or scheduled) test
  double m_startedAt = 0;      // when it was scheduled
  double m_now = 0;            // the time of the last Check
  bool m_startPending = false;  // scheduled by EndGameTest: take the time at the next Check
  std::shared_ptr<spdlog::sinks::sink> m_errorSink;
};

#endif  // TICKBASE_HOST_TEST_RUNNER_H_
