// Process signals of the host: Ctrl-C and SIGTERM (on Windows Ctrl-C,
// Ctrl-Break and closing the console) ask the main loop to stop and
// interrupt the script running (a second one ends the process at once); a
// fatal signal (on Windows an unhandled exception) prints the timer
// manager's crash report and the script and calendar context before the
// process dies, so the report names the range, service and callback, the
// script function and the calendar event that ran.
#ifndef TICKBASE_HOST_SIGNALS_H_
#define TICKBASE_HOST_SIGNALS_H_

void InstallSignalHandlers();

// Stops as a first Ctrl-C would, seconds from now (SIGALRM; on Windows a
// timer-queue timer).
void StopAfter(double seconds);

// True once a stop has been asked for.
bool StopRequested();

#endif  // TICKBASE_HOST_SIGNALS_H_
