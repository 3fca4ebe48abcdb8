// Prints coloured lines through the library; the terminal tests run it.
#include "tickbase/diag/console.h"

int main() {
  OutputColor("/ytickbase colours");
  OutputColor("/gsecond line");
  return 0;
}
