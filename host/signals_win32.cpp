#include "signals.h"

#include <windows.h>

#include <atomic>
#include <csignal>
#include <iostream>

#include "tickbase/timer/timer_manager.h"

namespace {

std::atomic<bool> g_stop{false};

// Runs on a thread the system starts for the event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  g_stop = true;
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
  // Close, log-off, shut-down: the process ends as soon as this returns, so
  // it never does; the main loop finishes its tick, flushes and exits, or
  // the system ends the process when its grace period is over.
  Sleep(INFINITE);
  return TRUE;
}

void ReportCrash(const char* what, unsigned long code) {
  std::cerr << "\ntickbase-host: " << what << " 0x" << std::hex << code << std::dec << '\n';
  cTimerManager::Instance().ReportCrashToStream(std::cerr);
  std::cerr.flush();
}

// Not safe in general, knowingly: the process is dying and the report is the
// one thing worth the risk. The process then ends with the exception code.
LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* info) {
  ReportCrash("fatal exception", info->ExceptionRecord->ExceptionCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

// abort() (an uncaught C++ exception, a failed assert) raises no exception.
void OnAbort(int sig) { ReportCrash("fatal signal", static_cast<unsigned long>(sig)); }

}  // namespace

void InstallSignalHandlers() {
  // Stack kept back for the report after a stack overflow.
  ULONG reserve = 64 * 1024;
  SetThreadStackGuarantee(&reserve);
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  SetUnhandledExceptionFilter(OnUnhandledException);
  std::signal(SIGABRT, OnAbort);
}

bool StopRequested() { return g_stop; }
