// tickbase-host as a user runs it: a child process on real scripts.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/subprocess.h"

namespace fs = std::filesystem;

namespace {

const std::string kHost = TICKBASE_HOST_PATH;
const std::string kExamples = TICKBASE_EXAMPLES_DIR;
const std::string kPackage = TICKBASE_EXAMPLES_PACKAGE;

// print's label, 【Script】, in GBK as the library writes it and in UTF-8.
const std::string kLabelGbk = "\xA1\xBEScript\xA1\xBF";
const std::string kLabel = "\u3010Script\u3011";
// A script printing a UTF-8 string and a GBK one (中文, written in Lua's
// decimal escapes), logging the GBK one, and the game test start banner.
const char kEncodings[] =
    "function main() print('caf\u00e9 \u65e5\u672c', '\\214\\208\\206\\196') "
    "log('\\214\\208\\206\\196') StartGameTest() end";
const std::string kPrinted = "caf\u00e9 \u65e5\u672c \u4e2d\u6587 ";

}  // namespace

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = fs::temp_directory_path() /
            ("tickbase_host_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
             "_" + std::to_string(::getpid()));
    fs::remove_all(m_dir);
    fs::create_directories(m_dir);
  }
  void TearDown() override { fs::remove_all(m_dir); }

  void Write(const std::string& name, const std::string& text) {
    fs::create_directories((m_dir / name).parent_path());
    std::ofstream(m_dir / name, std::ios::binary) << text;
  }

  int Run(std::vector<std::string> args, std::string* output,
          const std::vector<std::string>& env = {}) {
    args.insert(args.begin(), kHost);
    Subprocess host(args, env);
    EXPECT_TRUE(host.started());
    host.CloseInput();
    const int status = host.Finish();
    *output = host.output();
    return status;
  }

  fs::path m_dir;
};

TEST_F(HostTest, ExamplesRunAndExitCleanly) {
  std::string out;
  EXPECT_EQ(Run({"--run-seconds", "2", "--raw-console", kExamples}, &out), 0) << out;
  EXPECT_NE(out.find("Welcome to the village"), std::string::npos) << out;
  EXPECT_NE(out.find("Guard walks to the gate"), std::string::npos) << out;
  EXPECT_EQ(out.find("error"), std::string::npos) << out;
}

TEST_F(HostTest, ExamplesRunFromTheirPackage) {
  std::string out;
  EXPECT_EQ(Run({"--run-seconds", "2", kPackage}, &out), 0) << out;
  EXPECT_NE(out.find("config_str zip_script = " + kPackage), std::string::npos) << out;
  EXPECT_NE(out.find("Welcome to the village"), std::string::npos) << out;
  EXPECT_NE(out.find("Baker walks to the oven"), std::string::npos) << out;
}

TEST_F(HostTest, BundledGameTestsPass) {
  std::string out;
  EXPECT_EQ(Run({"--test", "tests", kExamples}, &out), 0) << out;
  EXPECT_NE(out.find("3 of 3 tests ended, 0 failed asserts, 0 script errors: PASSED"),
            std::string::npos)
      << out;
}

TEST_F(HostTest, FailingAssertionOrErrorFailsTheTestRun) {
  Write("t/a.lua", "function main() StartGameTest() Assert(false, 'hp') EndGameTest() end");
  Write("t/b.lua", "function main() StartGameTest() EndGameTest() end");
  std::string out;
  EXPECT_EQ(Run({"--test", "t", m_dir.string()}, &out), 1) << out;
  EXPECT_NE(out.find("ASSERT false for hp"), std::string::npos) << out;
  EXPECT_NE(out.find("2 of 2 tests ended, 1 failed asserts, 0 script errors: FAILED"),
            std::string::npos)
      << out;

  Write("u/a.lua", "function main() StartGameTest() error('boom') end");
  EXPECT_EQ(Run({"--test", "u", "--run-seconds", "3", m_dir.string()}, &out), 1) << out;
  EXPECT_NE(out.find("0 of 1 tests ended, 0 failed asserts, 1 script errors: FAILED"),
            std::string::npos)
      << out;
}

TEST_F(HostTest, BadInputGivesAClearMessage) {
  std::string out;
  EXPECT_EQ(Run({(m_dir / "missing").string()}, &out), 2);
  EXPECT_NE(out.find("no script folder or package at"), std::string::npos) << out;

  Write("bad.zip", "this is not a zip file");
  EXPECT_EQ(Run({(m_dir / "bad.zip").string()}, &out), 2);
  EXPECT_NE(out.find("cannot open script package"), std::string::npos) << out;

  EXPECT_EQ(Run({"--tick", "0"}, &out), 2);
  EXPECT_NE(out.find("bad --tick '0'"), std::string::npos) << out;

  Write("main.lua", "function other() end");
  EXPECT_EQ(Run({m_dir.string()}, &out), 1);
  EXPECT_NE(out.find("entry main:main did not start"), std::string::npos) << out;
}

TEST_F(HostTest, TypedCommandRunsAndQuitEnds) {
  Write("main.lua", "function main() print('ready') end");
  Subprocess host({kHost, "--console", m_dir.string()});
  ASSERT_TRUE(host.ReadUntil("ready"));
  host.Write("print('typed ' .. 6 * 7)\nquit\n");
  EXPECT_EQ(host.Finish(), 0) << host.output();
  EXPECT_NE(host.output().find("typed 42"), std::string::npos) << host.output();
}

TEST_F(HostTest, InterruptExitsCleanly) {
  Write("main.lua", "function main() print('ready') while true do YieldSleep(10) end end");
  Subprocess host({kHost, "--log-dir", (m_dir / "logs").string(), m_dir.string()});
  ASSERT_TRUE(host.ReadUntil("ready"));
  host.Signal(SIGINT);
  EXPECT_EQ(host.Finish(), 0) << host.output();
  EXPECT_TRUE(fs::exists(m_dir / "logs" / "script.yield.log"));
  EXPECT_GT(fs::file_size(m_dir / "logs" / "script.yield.log"), 0u);
}

TEST_F(HostTest, FatalSignalPrintsTheCrashReport) {
  Write("main.lua", "function main() print('ready') while true do YieldSleep(10) end end");
  Subprocess host({kHost, m_dir.string()});
  ASSERT_TRUE(host.ReadUntil("ready"));
  host.Signal(SIGSEGV);
  EXPECT_EQ(host.Finish(), 128 + SIGSEGV);
  EXPECT_NE(host.output().find("cTimerManager::ReportCrashToStream"), std::string::npos)
      << host.output();
}

TEST_F(HostTest, OutputFollowsTheLocaleOnPipesAndLogs) {
  Write("main.lua", kEncodings);
  const std::string logs = (m_dir / "logs").string();
  std::string out;
  ASSERT_EQ(Run({"--run-seconds", "0.2", "--log-dir", logs, m_dir.string()}, &out, {"LC_ALL=C.UTF-8"}), 0);
  EXPECT_NE(out.find(kLabel + "  " + kPrinted), std::string::npos) << out;
  EXPECT_NE(out.find("\u3010\u6e38\u620f\u6d4b\u8bd5\u3011\u5f00\u59cb\u4e86"), std::string::npos) << out;
  std::ifstream file(m_dir / "logs" / "quenlet.script.log");
  const std::string logged((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_NE(logged.find("] " + kLabel), std::string::npos) << logged;
  EXPECT_NE(logged.find("] \u4e2d\u6587 "), std::string::npos) << logged;

  ASSERT_EQ(Run({"--run-seconds", "0.2", m_dir.string()}, &out, {"LC_ALL=C"}), 0);
  EXPECT_NE(out.find("[Script]  caf? ?? ?? "), std::string::npos) << out;
  EXPECT_NE(out.find("[game test] started"), std::string::npos) << out;

  ASSERT_EQ(Run({"--run-seconds", "0.2", "--raw-console", m_dir.string()}, &out, {"LC_ALL=C.UTF-8"}), 0);
  EXPECT_NE(out.find(kLabelGbk + "  caf\u00e9 \u65e5\u672c \xD6\xD0\xCE\xC4 "), std::string::npos) << out;
}

TEST_F(HostTest, QuietHidesRoutineTracesAndVerboseShowsChannelTraces) {
  Write("main.lua", "function main() RunScript('main', 'Hi') YieldSleep(1) end function Hi() Assert(false, 'hp') end");
  std::string normal, quiet, verbose;
  ASSERT_EQ(Run({"--run-seconds", "0.2", m_dir.string()}, &normal), 0);
  ASSERT_EQ(Run({"--run-seconds", "0.2", "-q", m_dir.string()}, &quiet), 0);
  ASSERT_EQ(Run({"--run-seconds", "0.2", "--verbose", m_dir.string()}, &verbose), 0);
  for (const char* trace : {"func_RunScriptFileFunc main func Hi begin", "LoadScript file main", "SetZip"}) {
    EXPECT_NE(normal.find(trace), std::string::npos) << normal;
    EXPECT_EQ(quiet.find(trace), std::string::npos) << quiet;
  }
  EXPECT_NE(quiet.find("ASSERT false for hp"), std::string::npos) << quiet;
  EXPECT_EQ(normal.find("cScriptYieldTimer::AddYieldSleep"), std::string::npos) << normal;
  EXPECT_NE(verbose.find("cScriptYieldTimer::AddYieldSleep"), std::string::npos) << verbose;
}

// The console on a terminal: the line editor, the Lua console and colours.
TEST_F(HostTest, ConsoleOnATerminal) {
  Write("main.lua", kEncodings);
  Write("npc.lua", "hp = 7 function Ping() print('ping') end");
  Subprocess host({kHost, "-q", m_dir.string()},
                  {"HOME=" + m_dir.string(), "LC_ALL=C.UTF-8", "TERM=xterm", "NO_COLOR"}, true);
  auto type = [&](const std::string& keys, const std::string& expected) {
    const size_t mark = host.output().size();
    host.Write(keys);
    return host.ReadUntil(expected, mark);
  };
  ASSERT_TRUE(host.ReadUntil("\x1b[0mlua> ")) << host.output();  // typing in default colours
  EXPECT_NE(host.output().find(kLabel + "  \x1b[96;49m" + kPrinted), std::string::npos) << host.output();
  EXPECT_TRUE(type("1+1\r", "2\r\n")) << host.output();
  EXPECT_TRUE(type("=2*3, 'x'\r", "6\tx\r\n")) << host.output();
  EXPECT_TRUE(type("function f()\r", "lua>> ")) << host.output();
  EXPECT_TRUE(type("return 40 + 2 end\rf()\r", "42\r\n")) << host.output();
  EXPECT_TRUE(type("error('bad')\r", "\x1b[91;49mconsole:1: bad\r\n")) << host.output();
  EXPECT_TRUE(type(":use npc\r", "npc> ")) << host.output();
  EXPECT_TRUE(type("hp\r", "7\r\n")) << host.output();
  EXPECT_TRUE(type("\x1b[A\r", "7\r\n")) << host.output();  // the up arrow runs hp again
  // Output that comes while a line is typed is written above it.
  EXPECT_TRUE(type("CoSleep(500, 'npc', 'Ping')\rabc", "ping \r\n\x1b[0mnpc> abc")) << host.output();
  EXPECT_TRUE(type("\x15:use\r", "lua> ")) << host.output();  // Ctrl-U first
  host.Write("\x04");  // Ctrl-D
  EXPECT_EQ(host.Finish(), 0) << host.output();
  EXPECT_EQ(host.output().substr(host.output().size() - 4), "\x1b[0m");
  std::ifstream history(m_dir / ".tickbase_history");
  const std::string saved((std::istreambuf_iterator<char>(history)), std::istreambuf_iterator<char>());
  EXPECT_NE(saved.find("\nhp\n"), std::string::npos) << saved;
}
