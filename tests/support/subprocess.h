// Runs a program as a child process with piped standard streams or, off
// Windows, on a pseudo-terminal. The class of each system is Subprocess;
// this part, the child's output and the reading of it, both share.
#ifndef TICKBASE_TESTS_SUPPORT_SUBPROCESS_H_
#define TICKBASE_TESTS_SUPPORT_SUBPROCESS_H_

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

class cChildOutput {
 public:
  // Reads until text appears in the output (at from or later); false when
  // the output ends or stalls for a minute first.
  bool ReadUntil(const std::string& text, size_t from = 0) {
    while (m_output.find(text, from) == std::string::npos) {
      if (!ReadSome(kStallMs)) return false;
    }
    return true;
  }
  const std::string& output() const { return m_output; }

 protected:
  static constexpr int kStallMs = 60000;
  static constexpr int kNoLimit = -1;

  ~cChildOutput() = default;
  // Appends what the child writes next, waiting at most timeoutMs for it
  // (kNoLimit: as long as it takes); false at the end of the output or when
  // nothing came in time.
  virtual bool ReadSome(int timeoutMs) = 0;
  // Reads to the end of the output.
  void ReadAll() {
    while (ReadSome(kNoLimit)) {
    }
  }

  std::string m_output;
};

// A child's environment: own, where each "NAME=value" of changes sets a
// variable and each bare "NAME" removes it.
inline std::vector<std::string> ChildEnvironment(const std::vector<std::string>& own,
                                                 const std::vector<std::string>& changes) {
  auto name = [](const std::string& var) { return var.substr(0, var.find('=')); };
  std::vector<std::string> vars;
  for (const std::string& var : own) {
    if (std::none_of(changes.begin(), changes.end(),
                     [&](const std::string& change) { return name(change) == name(var); })) {
      vars.push_back(var);
    }
  }
  for (const std::string& change : changes) {
    if (change.find('=') != std::string::npos) vars.push_back(change);
  }
  return vars;
}

#if defined(_WIN32)
#include "support/subprocess_win32.h"
#else
#include "support/subprocess_posix.h"
#endif

#endif  // TICKBASE_TESTS_SUPPORT_SUBPROCESS_H_
