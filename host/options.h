// Command-line options of tickbase-host.
#ifndef TICKBASE_HOST_OPTIONS_H_
#define TICKBASE_HOST_OPTIONS_H_

#include <optional>
#include <string>

#include "tickbase/gametime/game_time_value.h"

struct HostOptions {
  std::string scripts;           // script folder or .zip package
  std::string entryScript = "main";
  std::string entryFunc = "main";
  unsigned tickMs = 20;          // main-loop period
  std::optional<int> timeMul;    // game ms per real ms; unset keeps the clock's
  std::optional<stGameTime> start;  // unset keeps the clock's default
  double runSeconds = 0;         // 0: until interrupted
  unsigned watchdogMs = 10000;   // script calls stopped after this long; 0: never
  std::string testFolder;        // run this test folder instead of the entry
  double testSeconds = 30;       // time one test may take to call EndGameTest
  std::string junitFile;         // empty: no JUnit report
  double statusSeconds = 0;      // 0: no periodic status
  bool watch = false;            // reload when a script file changes
  std::string logDir;            // empty: channels stay unconfigured
  bool console = false;          // read commands from stdin even when it is no terminal
  bool rawConsole = false;       // never transcode console output
  int verbosity = 1;             // 0 quiet, 1 the library's own output, 2 verbose
  bool help = false;
  bool version = false;
};

// Parses argv. On a bad argument returns nothing and sets *error to a
// one-line reason. defaultScripts is used when no folder or package is given.
std::optional<HostOptions> ParseOptions(int argc, char** argv, const std::string& defaultScripts,
                                        std::string* error);

// The --version text.
std::string VersionText();

// The --help text.
std::string UsageText(const std::string& defaultScripts);

#endif  // TICKBASE_HOST_OPTIONS_H_
