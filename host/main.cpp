// tickbase-host: runs the library from a console main loop.
#include <iostream>

#include "tickbase/tickbase.h"

int main() {
  OutputColor("/ytickbase host");
  OutputColor("/gtimers, scripts, game time and diagnostics are linked in");
  std::cout << ColorCyan;
  OutputColor("/wready");
  return 0;
}
