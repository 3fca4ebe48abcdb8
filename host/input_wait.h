// The system half of ConsoleInput: a wait on standard input.
#ifndef TICKBASE_HOST_INPUT_WAIT_H_
#define TICKBASE_HOST_INPUT_WAIT_H_

#include <cstddef>

// Waits at most timeoutMs for bytes on standard input and reads up to size
// of them into buffer. Returns the count read, 0 at the end of input, -1
// when nothing came in time or a stop request ended the wait. With a null
// buffer it only waits.
long WaitForInput(char* buffer, std::size_t size, int timeoutMs);

#endif  // TICKBASE_HOST_INPUT_WAIT_H_
