// Process signals of the host: Ctrl-C and SIGTERM (on Windows Ctrl-C,
// Ctrl-Break and closing the console) ask the main loop to stop; a fatal
// signal (on Windows an unhandled exception) prints the timer manager's
// crash report before the process dies, so the report names the range,
// service and callback that ran.
#ifndef TICKBASE_HOST_SIGNALS_H_
#define TICKBASE_HOST_SIGNALS_H_

void InstallSignalHandlers();

// True once a stop has been asked for.
bool StopRequested();

#endif  // TICKBASE_HOST_SIGNALS_H_
