// Lines typed on standard input, read without blocking the main loop.
#ifndef TICKBASE_HOST_CONSOLE_INPUT_H_
#define TICKBASE_HOST_CONSOLE_INPUT_H_

#include <string>
#include <vector>

class ConsoleInput {
 public:
  // When not enabled, Wait only sleeps.
  explicit ConsoleInput(bool enabled) : m_enabled(enabled) {}

  // Waits at most timeoutMs for input and returns the complete lines read
  // (without line ends). A signal ends the wait early.
  std::vector<std::string> Wait(int timeoutMs);

 private:
  bool m_enabled;
  std::string m_partial;  // text after the last line end
};

#endif  // TICKBASE_HOST_CONSOLE_INPUT_H_
