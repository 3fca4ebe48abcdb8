// Runs a program as a child process with piped standard streams.
#ifndef TICKBASE_TESTS_SUPPORT_SUBPROCESS_H_
#define TICKBASE_TESTS_SUPPORT_SUBPROCESS_H_

#if defined(_WIN32)
#include "support/subprocess_win32.h"
#else

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

class Subprocess {
 public:
  // Starts argv[0] (a path) with argv; stderr goes to the same pipe as stdout.
  explicit Subprocess(const std::vector<std::string>& argv) {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    if (posix_spawn(&m_pid, args[0], &actions, nullptr, args.data(), environ) != 0) m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    m_in = in[1];
    m_out = out[0];
  }
  ~Subprocess() {
    CloseInput();
    if (m_pid > 0 && !m_reaped) {
      kill(m_pid, SIGKILL);
      waitpid(m_pid, nullptr, 0);
    }
    if (m_out >= 0) close(m_out);
  }
  Subprocess(const Subprocess&) = delete;
  Subprocess& operator=(const Subprocess&) = delete;

  bool started() const { return m_pid > 0; }
  void Write(const std::string& text) {
    if (m_in >= 0) (void)!write(m_in, text.data(), text.size());
  }
  void CloseInput() {
    if (m_in >= 0) close(m_in);
    m_in = -1;
  }
  void Signal(int sig) { kill(m_pid, sig); }
  // The status Finish returns for a child that Signal(sig) ended.
  static int SignalStatus(int sig) { return 128 + sig; }

  // Reads until text appears in the output or the output ends.
  bool ReadUntil(const std::string& text) {
    while (m_output.find(text) == std::string::npos) {
      if (!ReadSome()) return false;
    }
    return true;
  }
  // Reads all output, waits for the exit; returns the exit status, or
  // 128 + the signal that ended the child.
  int Finish() {
    while (ReadSome()) {
    }
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_reaped = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  const std::string& output() const { return m_output; }

 private:
  bool ReadSome() {
    char buffer[4096];
    const ssize_t n = read(m_out, buffer, sizeof buffer);
    if (n <= 0) return false;
    m_output.append(buffer, static_cast<size_t>(n));
    return true;
  }

  pid_t m_pid = -1;
  int m_in = -1;
  int m_out = -1;
  bool m_reaped = false;
  std::string m_output;
};

#endif  // !_WIN32

#endif  // TICKBASE_TESTS_SUPPORT_SUBPROCESS_H_
