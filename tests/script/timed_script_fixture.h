// Script tests that drive the timer scheduler on the injected clocks: the
// states get the common functions and YieldSleep/ClearThread besides the
// probes of TestBind, and every test ends with nothing left scheduled.
#ifndef TICKBASE_TESTS_SCRIPT_TIMED_SCRIPT_FIXTURE_H_
#define TICKBASE_TESTS_SCRIPT_TIMED_SCRIPT_FIXTURE_H_

#include <cstdint>
#include <streambuf>
#include <string>
#include <utility>
#include <vector>

#include "script/script_fixture.h"
#include "support/scoped_clocks.h"
#include "tickbase/platform/console.h"

// TestBind, BindScriptCommon, RegisterFunc_Yield, and CrashReport(): records
// cTimerManager's crash report.
void TimedBind(lua_State* L);

// Replaces std::cout's buffer while it lives and keeps what is written as
// runs of one console colour (foreground only).
class ColorCapture : public std::streambuf {
 public:
  ColorCapture();
  ~ColorCapture() override;
  ColorCapture(const ColorCapture&) = delete;
  ColorCapture& operator=(const ColorCapture&) = delete;

  const std::vector<std::pair<WORD, std::string>>& runs() const { return m_runs; }

 protected:
  int overflow(int c) override;

 private:
  std::streambuf* m_old;
  std::vector<std::pair<WORD, std::string>> m_runs;
};

class TimedScriptTest : public ScriptTest {
 protected:
  void SetUp() override;
  // Fires whatever the test left scheduled with no script to be found, then
  // destroys every script.
  void TearDown() override;

  // Advances both clocks by ms and runs the timer manager once with ms.
  void Tick(std::uint32_t ms);
  // A loaded script, or a test failure.
  KLuaScript* Script(const char* name);

  ScopedClocks m_clocks;
};

#endif  // TICKBASE_TESTS_SCRIPT_TIMED_SCRIPT_FIXTURE_H_
