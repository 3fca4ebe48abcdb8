// Runs a program as a child process with piped standard streams or on a
// pseudo-terminal.
#ifndef TICKBASE_TESTS_SUPPORT_SUBPROCESS_H_
#define TICKBASE_TESTS_SUPPORT_SUBPROCESS_H_

#include <signal.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

extern char** environ;

class Subprocess {
 public:
  // Starts argv[0] (a path) with argv and this process's environment, where
  // each "NAME=value" of env is set and each bare "NAME" unset. stderr goes
  // where stdout goes: a pipe, or with terminal a pseudo-terminal of 80
  // columns that is also the child's standard input.
  explicit Subprocess(const std::vector<std::string>& argv,
                      const std::vector<std::string>& env = {}, bool terminal = false) {
    auto name = [](const std::string& var) { return var.substr(0, var.find('=')); };
    std::vector<std::string> vars;
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string var = *e;
      if (std::none_of(env.begin(), env.end(),
                       [&](const std::string& change) { return name(change) == name(var); })) {
        vars.push_back(var);
      }
    }
    for (const std::string& change : env) {
      if (change.find('=') != std::string::npos) vars.push_back(change);
    }
    std::vector<char*> args, envp;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    for (const std::string& v : vars) envp.push_back(const_cast<char*>(v.c_str()));
    args.push_back(nullptr);
    envp.push_back(nullptr);
    if (terminal) {
      winsize size{24, 80, 0, 0};
      int master = -1;
      m_pid = forkpty(&master, nullptr, nullptr, &size);
      if (m_pid == 0) {
        execve(args[0], args.data(), envp.data());
        _exit(127);
      }
      m_out = master;
      m_in = dup(master);
      return;
    }
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    if (posix_spawn(&m_pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0) m_pid = -1;
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

  // Reads until text appears in the output (at from or later); false when
  // the output ends or stalls for a minute first.
  bool ReadUntil(const std::string& text, size_t from = 0) {
    while (m_output.find(text, from) == std::string::npos) {
      pollfd output{m_out, POLLIN, 0};
      if (poll(&output, 1, 60000) <= 0 || !ReadSome()) return false;
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

#endif  // TICKBASE_TESTS_SUPPORT_SUBPROCESS_H_
