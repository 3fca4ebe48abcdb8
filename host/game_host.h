// Configures the library the way a game server does and drives it from a
// steady main loop: timers and game clock each tick, console commands
// between ticks.
#ifndef TICKBASE_HOST_GAME_HOST_H_
#define TICKBASE_HOST_GAME_HOST_H_

#include <memory>
#include <streambuf>
#include <string>

#include "options.h"
#include "test_watch.h"

class GameHost {
 public:
  explicit GameHost(HostOptions options);
  GameHost(const GameHost&) = delete;
  GameHost& operator=(const GameHost&) = delete;

  // Runs until interrupted, `quit`, the time limit or the end of the test
  // folder. Returns the process exit status.
  int Run();

 private:
  // Checks the scripts and sets up the script host, logs and game clock.
  bool Configure(std::string* error);
  bool StartWork();
  bool testing() const;
  // True when a test run has finished (all tests ended).
  bool TestsDone() const;
  // Prints the test summary, tears the scripts down, flushes the logs.
  int Finish(int status);

  HostOptions m_options;
  int m_testCount = 0;
  std::unique_ptr<cTestWatch> m_watch;  // on std::cout during a test run
  std::streambuf* m_watchedBuf = nullptr;
};

#endif  // TICKBASE_HOST_GAME_HOST_H_
