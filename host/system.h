// What the host asks the system about its own process.
#ifndef TICKBASE_HOST_SYSTEM_H_
#define TICKBASE_HOST_SYSTEM_H_

#include <filesystem>

// The running program's file; empty when the system does not say.
std::filesystem::path ProgramPath();

// Whether standard input, or standard output, is a terminal (on Windows a
// console) rather than a file or a pipe.
bool InputIsTerminal();
bool OutputIsTerminal();

#endif  // TICKBASE_HOST_SYSTEM_H_
