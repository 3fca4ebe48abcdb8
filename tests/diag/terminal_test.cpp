// Colour reaches standard output as ANSI sequences only on a terminal.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string RunCommand(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  pclose(pipe);
  return out;
}

// Runs command under a pseudo-terminal.
std::string RunOnTerminal(const std::string& command) {
  return RunCommand("script -qec '" + command + "' /dev/null");
}

const std::string kPrinter = TICKBASE_COLOR_PRINTER_PATH;

}  // namespace

#if defined(_WIN32)
#define SKIP_ON_WINDOWS() \
  GTEST_SKIP() << "ANSI colours and pseudo-terminals belong to the POSIX console"
#else
#define SKIP_ON_WINDOWS()
#endif

TEST(Terminal, PipedOutputIsPlainText) {
  SKIP_ON_WINDOWS();
  const std::string out = RunCommand("env -u NO_COLOR " + kPrinter);
  EXPECT_NE(out.find("tickbase colours\n"), std::string::npos);
  EXPECT_EQ(out.find('\x1b'), std::string::npos);
}

TEST(Terminal, TerminalGetsAnsiColoursUnlessNoColor) {
  SKIP_ON_WINDOWS();
  const std::string coloured = RunOnTerminal("env -u NO_COLOR " + kPrinter);
  // Only the bytes that reach the terminal carry sequences; black is the
  // terminal's default background; the colours are reset at exit.
  EXPECT_NE(coloured.find("[captured\r\n]\x1b[93;49mtickbase colours"), std::string::npos)
      << coloured;
  EXPECT_NE(coloured.find("\x1b[92;49m"), std::string::npos);
  EXPECT_EQ(coloured.substr(coloured.size() - 4), "\x1b[0m");

  const std::string plain = RunOnTerminal("env NO_COLOR=1 " + kPrinter);
  EXPECT_NE(plain.find("tickbase colours"), std::string::npos);
  EXPECT_EQ(plain.find('\x1b'), std::string::npos);
}
