#include "signals.h"

#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>

#include "crash_context.h"
#include "line_editor.h"
#include "tickbase/platform/console.h"
#include "tickbase/script/script_interrupt.h"

namespace {

volatile sig_atomic_t g_stop = 0;

void Handle(int sig, void (*handler)(int), int flags) {
  struct sigaction action {};
  action.sa_handler = handler;
  action.sa_flags = flags;
  sigemptyset(&action.sa_mask);
  if (handler != SIG_DFL && (sig == SIGINT || sig == SIGTERM)) {
    // A stop signal arriving meanwhile waits: it is the second one.
    sigaddset(&action.sa_mask, SIGINT);
    sigaddset(&action.sa_mask, SIGTERM);
  }
  sigaction(sig, &action, nullptr);
}

// The main loop may be stuck in a script that never returns: stop that too.
void OnAlarm(int) {
  g_stop = 1;
  InterruptScripts();
}

// The terminal is left as it was found, then the signal ends the process.
void OnSecondStop(int sig) {
  RestoreTerminalNow();
  platform::ResetConsoleColorsNow();
  Handle(sig, SIG_DFL, 0);
  raise(sig);
}

// A second Ctrl-C or SIGTERM ends the process at once.
void OnStop(int sig) {
  OnAlarm(sig);
  Handle(SIGINT, OnSecondStop, 0);
  Handle(SIGTERM, OnSecondStop, 0);
}

// SA_RESETHAND makes the re-raise fatal.
void OnFatal(int sig) {
  std::cerr << "\ntickbase-host: fatal signal " << sig << '\n';
  WriteCrashReport();
  RestoreTerminalNow();
  raise(sig);
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
  Handle(SIGALRM, OnAlarm, 0);
  for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGABRT, SIGILL}) {
    Handle(sig, OnFatal, SA_RESETHAND | SA_ONSTACK);
  }
}

void StopAfter(double seconds) {
  const long long us = static_cast<long long>(seconds * 1e6);
  itimerval timer{};
  timer.it_value.tv_sec = static_cast<time_t>(us / 1000000);
  timer.it_value.tv_usec = static_cast<suseconds_t>(us > 0 ? us % 1000000 : 1);
  setitimer(ITIMER_REAL, &timer, nullptr);
}

bool StopRequested() { return g_stop != 0; }
