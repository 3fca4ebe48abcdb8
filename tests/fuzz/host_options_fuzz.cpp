// The host's command line: arguments are the input's NUL-separated pieces.
// Any argument list is either refused with a reason or gives
// options within their documented bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> pieces(1, "tickbase-host");
  pieces.emplace_back();
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == '\0') {
      pieces.emplace_back();
    } else {
      pieces.back() += static_cast<char>(data[i]);
    }
  }
  std::vector<char*> argv;
  for (std::string& p : pieces) argv.push_back(&p[0]);
  argv.push_back(nullptr);
  std::string error;
  const auto options = ParseOptions(static_cast<int>(pieces.size()), argv.data(), "scripts", &error);
  if (!options) {
    fuzz::Check(!error.empty());
    return 0;
  }
  fuzz::Check(options->tickMs >= 1 && options->tickMs <= 1000);
  fuzz::Check(!options->timeMul || (*options->timeMul >= 0 && *options->timeMul <= 100000));
  for (double seconds : {options->runSeconds, options->statusSeconds}) fuzz::Check(seconds >= 0 && seconds <= 1e9);
  fuzz::Check(options->testSeconds > 0 && options->testSeconds <= 1e9);
  fuzz::Check(!options->scripts.empty() && !options->entryScript.empty() && !options->entryFunc.empty());
  return 0;
}
