#include "options.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "start_time.h"

namespace {

bool ParseUnsigned(const std::string& text, unsigned min, unsigned max, unsigned* out) {
  if (text.empty() || text[0] == '-') return false;
  char* end = nullptr;
  errno = 0;
  const unsigned long value = std::strtoul(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || value < min || value > max) return false;
  *out = static_cast<unsigned>(value);
  return true;
}

bool ParseSeconds(const std::string& text, double* out) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(value > 0) || value > 1e9) return false;
  *out = value;
  return true;
}

// Splits "script:func" (or just "script").
void ParseEntry(const std::string& text, HostOptions* options) {
  const auto colon = text.find(':');
  options->entryScript = text.substr(0, colon);
  if (colon != std::string::npos) options->entryFunc = text.substr(colon + 1);
}

}  // namespace

std::string UsageText(const std::string& defaultScripts) {
  std::ostringstream out;
  out << "usage: tickbase-host [options] [SCRIPTS]\n"
         "\n"
         "Runs a script folder or a .zip script package (default: " << defaultScripts << ").\n"
         "Starts the entry function as a coroutine and drives the timers and the game\n"
         "clock from a steady main loop until interrupted (Ctrl-C).\n"
         "\n"
         "options:\n"
         "  --entry SCRIPT[:FUNC]  entry function (default main:main)\n"
         "  --tick MS              main-loop period in ms, 1..1000 (default 20)\n"
         "  --time-mul N           game time multiplier, 0..100000 (default 1)\n"
         "  --start TIME           game start time, as Y/M/D h:m:s with month and day\n"
         "                         counted from 0 (default 1937/7/7 0:0:0)\n"
         "  --run-seconds S        stop after S seconds of real time\n"
         "  --watchdog MS          stop a script call that runs longer than MS ms without\n"
         "                         returning or yielding; 0 never (default 10000)\n"
         "  --test FOLDER          run the game tests in FOLDER (relative to the scripts)\n"
         "                         one after another, print a summary and exit; the\n"
         "                         status is non-zero when a test failed\n"
         "  --test-timeout S       a test that has not called EndGameTest after S\n"
         "                         seconds fails and the next one starts (default 30)\n"
         "  --junit FILE           also write the test results to FILE as JUnit XML\n"
         "  --log-dir DIR          write each log channel to DIR/<channel>.log\n"
         "  --status-every S       print the status every S seconds\n"
         "  --watch                reload the scripts when a script file changes\n"
         "  --console              read Lua commands from standard input even when it is\n"
         "                         not a terminal\n"
         "  --raw-console          pass every byte through unchanged (no re-encoding)\n"
         "  -q, --quiet            hide the routine trace lines; errors, reports and\n"
         "                         script output still show\n"
         "  -v, --verbose          also show the coroutine traces and log() messages\n"
         "  --version              show the version\n"
         "  --help                 show this text\n"
         "\n"
         "Options take their value as the next argument or as --option=value.\n"
         "On a terminal, typed lines run as Lua (:help lists the console commands).\n";
  return out.str();
}

std::string VersionText() { return std::string("tickbase-host ") + TICKBASE_VERSION + "\n"; }

std::optional<HostOptions> ParseOptions(int argc, char** argv, const std::string& defaultScripts,
                                        std::string* error) {
  HostOptions options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::optional<std::string> inlineValue;  // from --option=value
    const auto equals = arg.find('=');
    if (arg.rfind("--", 0) == 0 && equals != std::string::npos) {
      inlineValue = arg.substr(equals + 1);
      arg.erase(equals);
    }
    auto value = [&](std::string* out) {
      if (inlineValue) {
        *out = *inlineValue;
        inlineValue.reset();
      } else if (i + 1 < argc) {
        *out = argv[++i];
      } else {
        *error = "option " + arg + " needs a value";
        return false;
      }
      return true;
    };
    std::string text;
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--console") {
      options.console = true;
    } else if (arg == "--raw-console") {
      options.rawConsole = true;
    } else if (arg == "-q" || arg == "--quiet") {
      options.verbosity = 0;
    } else if (arg == "-v" || arg == "--verbose") {
      options.verbosity = 2;
    } else if (arg == "--entry") {
      if (!value(&text)) return std::nullopt;
      ParseEntry(text, &options);
      if (options.entryScript.empty() || options.entryFunc.empty()) {
        *error = "bad --entry '" + text + "': expected SCRIPT or SCRIPT:FUNC";
        return std::nullopt;
      }
    } else if (arg == "--tick") {
      if (!value(&text)) return std::nullopt;
      if (!ParseUnsigned(text, 1, 1000, &options.tickMs)) {
        *error = "bad --tick '" + text + "': expected 1..1000 ms";
        return std::nullopt;
      }
    } else if (arg == "--time-mul") {
      unsigned mul = 0;
      if (!value(&text)) return std::nullopt;
      if (!ParseUnsigned(text, 0, 100000, &mul)) {
        *error = "bad --time-mul '" + text + "': expected 0..100000";
        return std::nullopt;
      }
      options.timeMul = static_cast<int>(mul);
    } else if (arg == "--start") {
      stGameTime start{};
      if (!value(&text) || !ParseStartTime(text, &start, error)) return std::nullopt;
      options.start = start;
    } else if (arg == "--run-seconds") {
      if (!value(&text)) return std::nullopt;
      if (!ParseSeconds(text, &options.runSeconds)) {
        *error = "bad --run-seconds '" + text + "': expected a positive number";
        return std::nullopt;
      }
    } else if (arg == "--watchdog") {
      if (!value(&text)) return std::nullopt;
      if (!ParseUnsigned(text, 0, 86400000, &options.watchdogMs)) {
        *error = "bad --watchdog '" + text + "': expected 0..86400000 ms";
        return std::nullopt;
      }
    } else if (arg == "--test") {
      if (!value(&options.testFolder)) return std::nullopt;
    } else if (arg == "--test-timeout" || arg == "--status-every") {
      if (!value(&text)) return std::nullopt;
      if (!ParseSeconds(text, arg == "--test-timeout" ? &options.testSeconds : &options.statusSeconds)) {
        *error = "bad " + arg + " '" + text + "': expected a positive number of seconds";
        return std::nullopt;
      }
    } else if (arg == "--junit") {
      if (!value(&options.junitFile)) return std::nullopt;
    } else if (arg == "--log-dir") {
      if (!value(&options.logDir)) return std::nullopt;
    } else if (arg == "--watch") {
      options.watch = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (!arg.empty() && arg[0] == '-') {
      *error = "unknown option " + arg;
      return std::nullopt;
    } else if (options.scripts.empty()) {
      options.scripts = arg;
    } else {
      *error = "more than one script folder or package given: " + arg;
      return std::nullopt;
    }
    if (inlineValue) {
      *error = "option " + arg + " takes no value";
      return std::nullopt;
    }
  }
  if (options.scripts.empty()) options.scripts = defaultScripts;
  return options;
}
