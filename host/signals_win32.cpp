#include <windows.h>

#include <atomic>
#include <csignal>
#include <iostream>

#include "crash_context.h"
#include "signals.h"
#include "tickbase/platform/console.h"
#include "tickbase/script/script_interrupt.h"

namespace {

std::atomic<bool> g_stop{false};
std::atomic<int> g_consoleStops{0};
HANDLE g_hostThread = nullptr;  // the thread that runs the main loop and the scripts

// Console events and timers arrive on threads of their own. The host thread
// is held still meanwhile, as a POSIX signal holds it, so the script state
// that the interrupt marks cannot end under it.
void StopTheHost() {
  g_stop = true;
  bool held = false;
  if (g_hostThread != nullptr && SuspendThread(g_hostThread) != static_cast<DWORD>(-1)) {
    CONTEXT context{};
    context.ContextFlags = CONTEXT_CONTROL;
    GetThreadContext(g_hostThread, &context);  // returns once the thread has stopped
    held = true;
  }
  InterruptScripts();
  if (held) ResumeThread(g_hostThread);
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
    // A second Ctrl-C ends the process at once, with the console's colours
    // as they were.
    if (g_consoleStops.fetch_add(1) > 0) {
      platform::ResetConsoleColorsNow();
      TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
    }
    StopTheHost();
    return TRUE;
  }
  // Close, log-off, shut-down: the process ends as soon as this returns, so
  // it never does; the main loop finishes its tick, flushes and exits, or
  // the system ends the process when its grace period is over.
  StopTheHost();
  Sleep(INFINITE);
  return TRUE;
}

void CALLBACK OnStopTime(void*, BOOLEAN) { StopTheHost(); }

void ReportCrash(const char* what, unsigned long code) {
  std::cerr << "\ntickbase-host: " << what << " 0x" << std::hex << code << std::dec << '\n';
  WriteCrashReport();
}

// The process then ends with the exception code.
LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* info) {
  ReportCrash("fatal exception", info->ExceptionRecord->ExceptionCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

// abort() (an uncaught C++ exception, a failed assert) raises no exception.
void OnAbort(int sig) { ReportCrash("fatal signal", static_cast<unsigned long>(sig)); }

}  // namespace

void InstallSignalHandlers() {
  DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &g_hostThread,
                  THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT, FALSE, 0);
  // Stack kept back for the report after a stack overflow.
  ULONG reserve = 64 * 1024;
  SetThreadStackGuarantee(&reserve);
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  SetUnhandledExceptionFilter(OnUnhandledException);
  std::signal(SIGABRT, OnAbort);
}

void StopAfter(double seconds) {
  HANDLE timer = nullptr;
  const double ms = seconds * 1000;
  const DWORD due = ms <= 0 ? 0 : ms >= 4e9 ? 4000000000u : static_cast<DWORD>(ms);
  CreateTimerQueueTimer(&timer, nullptr, OnStopTime, nullptr, due, 0, WT_EXECUTEONLYONCE);
}

bool StopRequested() { return g_stop; }
