// Configures the library the way a game server does and drives it from a
// steady main loop: timers and game clock each tick, console commands
// between ticks.
#ifndef TICKBASE_HOST_GAME_HOST_H_
#define TICKBASE_HOST_GAME_HOST_H_

#include <chrono>
#include <memory>
#include <string>

#include "options.h"
#include "script_watch.h"
#include "steady_tick.h"
#include "test_runner.h"

struct lua_State;

class GameHost {
 public:
  explicit GameHost(HostOptions options);
  GameHost(const GameHost&) = delete;
  GameHost& operator=(const GameHost&) = delete;

  // Runs until interrupted, `quit`, the time limit or the end of the test
  // folder. Returns the process exit status.
  int Run();

 private:
  using Clock = std::chrono::steady_clock;

  // Checks the scripts and sets up the script host, logs and game clock.
  bool Configure(std::string* error);
  bool StartWork();
  bool testing() const { return m_tests != nullptr; }
  // Milliseconds since the main loop started.
  std::int64_t NowMs() const;
  // Work after the timers and the clock have run: reloads, the test run,
  // the entry coroutine, the periodic status.
  void AfterTick();
  void WriteStatusNow();
  // Prints the test summary, tears the scripts down, flushes the logs.
  int Finish(int status);

  HostOptions m_options;
  Clock::time_point m_started;
  cSteadyTick m_tick;
  double m_lastStatus = 0;  // seconds since the start
  std::unique_ptr<cTestRunner> m_tests;  // during --test
  std::unique_ptr<cScriptWatch> m_watch;  // with --watch
  // The entry coroutine, kept alive by the registry reference NewThread
  // made in its state; null once it raised.
  lua_State* m_entryThread = nullptr;
};

#endif  // TICKBASE_HOST_GAME_HOST_H_
