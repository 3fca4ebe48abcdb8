// Prints coloured lines through the library; the terminal tests run it.
#include <iostream>
#include <sstream>

#include "tickbase/diag/console.h"

int main() {
  std::ostringstream captured;
  std::streambuf* const terminal = std::cout.rdbuf(captured.rdbuf());
  OutputColor("/rcaptured");
  std::cout.rdbuf(terminal);
  std::cout << '[' << captured.str() << ']';
  OutputColor("/ytickbase colours");
  OutputColor("/gsecond line");
  return 0;  // leaves green set
}
