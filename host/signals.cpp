#include "signals.h"

#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>

#include "crash_context.h"
#include "line_editor.h"
#include "tickbase/platform/console.h"
#include "tickbase/timer/timer_manager.h"

namespace {

volatile sig_atomic_t g_stop = 0;

void OnStop(int) { g_stop = 1; }

// Not async-signal-safe, knowingly: the process is dying and the report is
// the one thing worth the risk. SA_RESETHAND makes the re-raise fatal.
void OnFatal(int sig) {
  std::cerr << "\ntickbase-host: fatal signal " << sig << '\n';
  cTimerManager::Instance().ReportCrashToStream(std::cerr);
  std::cerr.flush();
  WriteCrashContext(STDERR_FILENO);
  RestoreTerminalNow();
  platform::ResetConsoleColorsNow();
  raise(sig);
}

void Handle(int sig, void (*handler)(int), int flags) {
  struct sigaction action {};
  action.sa_handler = handler;
  action.sa_flags = flags;
  sigemptyset(&action.sa_mask);
  sigaction(sig, &action, nullptr);
}

}  // namespace

void InstallSignalHandlers() {
  // A stack of its own lets the report run after a stack overflow too.
  static char altStack[64 * 1024];
  stack_t ss{};
  ss.ss_sp = altStack;
  ss.ss_size = sizeof altStack;
  sigaltstack(&ss, nullptr);

  Handle(SIGINT, OnStop, 0);
  Handle(SIGTERM, OnStop, 0);
  for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGABRT, SIGILL}) {
    Handle(sig, OnFatal, SA_RESETHAND | SA_ONSTACK);
  }
}

bool StopRequested() { return g_stop != 0; }
