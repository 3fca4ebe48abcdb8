// Subprocess on POSIX (see subprocess.h): posix_spawn with pipes, or
// forkpty.
#ifndef TICKBASE_TESTS_SUPPORT_SUBPROCESS_POSIX_H_
#define TICKBASE_TESTS_SUPPORT_SUBPROCESS_POSIX_H_

#include <signal.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

class Subprocess final : public cChildOutput {
 public:
  // Starts argv[0] (a path) with argv and this process's environment, where
  // each "NAME=value" of env is set and each bare "NAME" unset. stderr goes
  // where stdout goes: a pipe, or with terminal a pseudo-terminal of 80
  // columns that is also the child's standard input.
  explicit Subprocess(const std::vector<std::string>& argv,
                      const std::vector<std::string>& env = {}, bool terminal = false) {
    std::vector<std::string> own;
    for (char** e = environ; *e != nullptr; ++e) own.emplace_back(*e);
    const std::vector<std::string> vars = ChildEnvironment(own, env);
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
  // The status Finish returns for a child that Signal(sig) ended.
  static int SignalStatus(int sig) { return 128 + sig; }

  // Reads all output, waits for the exit; returns the exit status, or
  // 128 + the signal that ended the child.
  int Finish() {
    ReadAll();
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_reaped = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

 private:
  bool ReadSome(int timeoutMs) override {
    pollfd output{m_out, POLLIN, 0};
    if (poll(&output, 1, timeoutMs) <= 0) return false;
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
};

#endif  // TICKBASE_TESTS_SUPPORT_SUBPROCESS_POSIX_H_
