// The part of a fatal-signal report that says what the scripts and the game
// clock were doing: the current script file and function, and the unit event
// or at-time callbacks the clock was dispatching. Safe in a signal handler:
// it reads plain fields and writes with write(2) (on Windows the C
// runtime's _write) from a fixed buffer.
#ifndef TICKBASE_HOST_CRASH_CONTEXT_H_
#define TICKBASE_HOST_CRASH_CONTEXT_H_

// Writes two lines to fd. Requires: cGameTime::Instance() was called before
// any fatal signal can arrive, so the handler never constructs the clock.
void WriteCrashContext(int fd);

// The rest of a crash report after its header line, on stderr: the timers'
// report and the context above; then the console's colours are reset. Not
// async-signal-safe, knowingly: the process is dying and the report is the
// one thing worth the risk.
void WriteCrashReport();

#endif  // TICKBASE_HOST_CRASH_CONTEXT_H_
