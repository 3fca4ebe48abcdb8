// Process signals of the host: Ctrl-C and SIGTERM ask the main loop to stop
// and interrupt the script running (a second one ends the process at once);
// a fatal signal prints the timer manager's crash report and the script and
// calendar context before the process dies, so the report names the range,
// service and callback, the script function and the calendar event that ran.
#ifndef TICKBASE_HOST_SIGNALS_H_
#define TICKBASE_HOST_SIGNALS_H_

void InstallSignalHandlers();

// Stops as a first Ctrl-C would, seconds from now (SIGALRM).
void StopAfter(double seconds);

// True once SIGINT, SIGTERM or StopAfter's signal has arrived.
bool StopRequested();

#endif  // TICKBASE_HOST_SIGNALS_H_
