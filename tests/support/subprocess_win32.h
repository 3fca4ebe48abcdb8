// Subprocess on Windows (see subprocess.h): CreateProcess with pipes.
#ifndef TICKBASE_TESTS_SUPPORT_SUBPROCESS_WIN32_H_
#define TICKBASE_TESTS_SUPPORT_SUBPROCESS_WIN32_H_

#include <windows.h>

#include <csignal>
#include <string>
#include <vector>

// Windows has no SIGKILL; Signal ends the child with TerminateProcess for it.
#if !defined(SIGKILL)
#define SIGKILL 9
#endif

class Subprocess final : public cChildOutput {
 public:
  // Starts argv[0] (a path) with argv and this process's environment
  // changed by env (ChildEnvironment); stderr goes to the same pipe as
  // stdout. The child shares the console, in a process group of its own
  // (but under Wine, see Signal). Windows has no pseudo-terminals: with
  // terminal the child is not started.
  explicit Subprocess(const std::vector<std::string>& argv,
                      const std::vector<std::string>& env = {}, bool terminal = false) {
    if (terminal) return;
    std::vector<std::string> own;
    char* const block = GetEnvironmentStringsA();
    for (const char* var = block; *var != '\0'; var += own.back().size() + 1) own.emplace_back(var);
    FreeEnvironmentStringsA(block);
    std::string environment;
    for (const std::string& var : ChildEnvironment(own, env)) environment += var + '\0';
    environment += '\0';
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE inRead = nullptr, outWrite = nullptr;
    if (!CreatePipe(&inRead, &m_in, &inherit, 0)) return;
    if (!CreatePipe(&m_out, &outWrite, &inherit, 0)) return;
    SetHandleInformation(m_in, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(m_out, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inRead;
    startup.hStdOutput = outWrite;
    startup.hStdError = outWrite;
    std::string command;
    for (const std::string& a : argv) command += Quote(a) + ' ';
    PROCESS_INFORMATION child{};
    const DWORD group = UnderWine() ? 0 : CREATE_NEW_PROCESS_GROUP;
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, group,
                       environment.data(), nullptr, &startup, &child)) {
      m_process = child.hProcess;
      m_pid = child.dwProcessId;
      CloseHandle(child.hThread);
    }
    CloseHandle(inRead);
    CloseHandle(outWrite);
  }
  ~Subprocess() {
    CloseInput();
    if (m_process && !m_reaped) {
      TerminateProcess(m_process, 1);
      WaitForSingleObject(m_process, INFINITE);
    }
    if (m_process) CloseHandle(m_process);
    if (m_out) CloseHandle(m_out);
  }
  Subprocess(const Subprocess&) = delete;
  Subprocess& operator=(const Subprocess&) = delete;

  bool started() const { return m_process != nullptr; }
  void Write(const std::string& text) {
    DWORD written = 0;
    if (m_in) WriteFile(m_in, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
  void CloseInput() {
    if (m_in) CloseHandle(m_in);
    m_in = nullptr;
  }
  // SIGINT, and SIGTERM (a console program gets no request of its own to
  // end), arrive as Ctrl-Break, the interrupt a process group can be sent.
  // Wine cannot send one to a group (GenerateConsoleCtrlEvent fails), so
  // there it is Ctrl-C to every process of the console, this one ignoring
  // its own. SIGSEGV starts a thread in the child at an unmapped address:
  // an access violation, as a fault of its own would raise. Anything else
  // ends the child.
  void Signal(int sig) {
    if (sig == SIGTERM) sig = SIGINT;
    if (sig == SIGINT && UnderWine()) {
      static const BOOL swallowed = SetConsoleCtrlHandler(Swallow, TRUE);
      (void)swallowed;
      GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
    } else if (sig == SIGINT) {
      GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, m_pid);
    } else if (sig == SIGSEGV) {
      const auto unmapped = reinterpret_cast<LPTHREAD_START_ROUTINE>(static_cast<ULONG_PTR>(16));
      const HANDLE thread = CreateRemoteThread(m_process, nullptr, 0, unmapped, nullptr, 0, nullptr);
      if (thread) CloseHandle(thread);
    } else {
      TerminateProcess(m_process, 128 + sig);
    }
  }
  // The status Finish returns for a child that Signal(sig) ended: an
  // unhandled Ctrl-C's, the fault's, or the one TerminateProcess gave.
  static int SignalStatus(int sig) {
    if (sig == SIGINT || sig == SIGTERM) return static_cast<int>(STATUS_CONTROL_C_EXIT);
    return sig == SIGSEGV ? static_cast<int>(EXCEPTION_ACCESS_VIOLATION) : 128 + sig;
  }

  // Reads all output, waits for the exit; returns the exit code.
  int Finish() {
    ReadAll();
    WaitForSingleObject(m_process, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(m_process, &code);
    m_reaped = true;
    return static_cast<int>(code);
  }

 private:
  static bool UnderWine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
  }
  static BOOL WINAPI Swallow(DWORD event) { return event == CTRL_C_EVENT; }
  // Quotes one argument the way the C runtime splits a command line.
  static std::string Quote(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string quoted = "\"";
    std::size_t slashes = 0;
    for (char c : arg) {
      if (c == '\\') {
        ++slashes;
        continue;
      }
      quoted.append(c == '"' ? 2 * slashes + 1 : slashes, '\\');
      slashes = 0;
      quoted += c;
    }
    quoted.append(2 * slashes, '\\');
    return quoted + '"';
  }
  bool ReadSome(int timeoutMs) override {
    // Anonymous pipes have no wait with a time limit: look every few ms.
    const DWORD start = GetTickCount();
    DWORD ready = 0;
    while (PeekNamedPipe(m_out, nullptr, 0, nullptr, &ready, nullptr) && ready == 0) {
      if (timeoutMs != kNoLimit && GetTickCount() - start >= static_cast<DWORD>(timeoutMs)) {
        return false;
      }
      Sleep(5);
    }
    char buffer[4096];
    DWORD n = 0;
    if (!ReadFile(m_out, buffer, sizeof buffer, &n, nullptr) || n == 0) return false;
    // The child's streams are in text mode: a line end comes as \r\n, kept
    // here as \n, as on POSIX. A pair may straddle two reads.
    std::size_t at = m_output.empty() ? 0 : m_output.size() - 1;
    m_output.append(buffer, n);
    for (; (at = m_output.find("\r\n", at)) != std::string::npos;) m_output.erase(at, 1);
    return true;
  }

  HANDLE m_process = nullptr;
  DWORD m_pid = 0;
  HANDLE m_in = nullptr;
  HANDLE m_out = nullptr;
  bool m_reaped = false;
};

#endif  // TICKBASE_TESTS_SUPPORT_SUBPROCESS_WIN32_H_
