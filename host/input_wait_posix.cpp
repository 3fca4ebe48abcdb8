#include "input_wait.h"

#include <poll.h>
#include <unistd.h>

long WaitForInput(char* buffer, std::size_t size, int timeoutMs) {
  pollfd input{STDIN_FILENO, POLLIN, 0};
  // A signal ends the poll early, so Ctrl-C is seen at once.
  if (poll(&input, buffer ? 1 : 0, timeoutMs) <= 0) return -1;
  const ssize_t n = read(STDIN_FILENO, buffer, size);
  return n < 0 ? 0 : static_cast<long>(n);
}
