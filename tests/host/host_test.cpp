// tickbase-host as a user runs it: a child process on real scripts.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <lua.hpp>
#include <sstream>

#include "support/subprocess.h"

namespace fs = std::filesystem;

namespace {

const std::string kHost = TICKBASE_HOST_PATH;
const std::string kExamples = TICKBASE_EXAMPLES_DIR;
const std::string kPackage = TICKBASE_EXAMPLES_PACKAGE;

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// print's label, 【Script】, in GBK as the library writes it and in UTF-8.
const std::string kLabelGbk = "\xA1\xBEScript\xA1\xBF";
const std::string kLabel = "\u3010Script\u3011";
// A script printing a UTF-8 string and a GBK one (中文, written in Lua's
// decimal escapes), logging the GBK one, and the game test start banner.
const char kEncodings[] =
    "function main() print('caf\u00e9 \u65e5\u672c', '\\214\\208\\206\\196') "
    "log('\\214\\208\\206\\196') StartGameTest() end";
const std::string kPrinted = "caf\u00e9 \u65e5\u672c \u4e2d\u6587 ";

// What a colour change writes into piped output: nothing, or on Windows,
// where the console call fails on a pipe, the library's report of that.
#if defined(_WIN32)
const std::string kPipedColour = "SetColor Error : 6\n";
#else
const std::string kPipedColour;
#endif

// Sets the output encoding of the host runs that follow: the environment
// for the locale, or on Windows the console's output code page, which the
// host shares with this test.
std::vector<std::string> Encoding(const char* locale, unsigned codePage) {
#if defined(_WIN32)
  (void)locale;
  SetConsoleOutputCP(codePage);
  return {};
#else
  (void)codePage;
  return {std::string("LC_ALL=") + locale};
#endif
}

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
  std::string Read(const std::string& name) {
    std::ostringstream text;
    text << std::ifstream(m_dir / name, std::ios::binary).rdbuf();
    return text.str();
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

// The demo keeps running after main returns; 16:00 at 100 game minutes a
// second reaches the night branch before the default start of 5:00 could
// reach dawn.
TEST_F(HostTest, ExamplesRunAndHonourStartAndTimeMul) {
  std::string out;
  EXPECT_EQ(Run({"--run-seconds", "2", "--raw-console", "--start=1937/7/7 16:0:0", "--time-mul",
                 "6000", kExamples},
                &out),
            0)
      << out;
  EXPECT_TRUE(Has(out, "Welcome to the village")) << out;
  EXPECT_TRUE(Has(out, "Guard walks to the gate (16:00)")) << out;
  EXPECT_TRUE(Has(out, "The sun sets: night falls")) << out;
  EXPECT_FALSE(Has(out, "Dawn breaks")) << out;
  EXPECT_FALSE(Has(out, "error")) << out;
}

TEST_F(HostTest, BundledGameTestsPassFromFolderAndPackage) {
  for (const std::string& scripts : {kExamples, kPackage}) {
    std::string out;
    EXPECT_EQ(Run({"--test", "tests", scripts}, &out), 0) << out;
    EXPECT_TRUE(Has(out, "  passed  tests/npc_test\n")) << out;
    EXPECT_TRUE(Has(out, "3 tests, 3 passed, 0 failed, 0 not run: PASSED")) << out;
  }
}

// Each way to fail leaves the next test to run; a second EndGameTest of a
// test that has ended must not start another test.
TEST_F(HostTest, FailingTestsFailAndTheRunGoesOn) {
  Write("t/a.lua", "function main() StartGameTest() Assert(false, 'hp') EndGameTest() EndGameTest() end");
  Write("t/b.lua", "function main() StartGameTest() error('boom') end");
  Write("t/c.lua", "function main() StartGameTest() end");
  Write("t/d.lua", "function main() coroutine.wrap(function() YieldSleep(10) error('late') end)() end");
  Write("t/e.lua", "function main() coroutine.wrap(function() YieldSleep(10) EndGameTest() end)() end");
  const std::string junit = (m_dir / "junit.xml").string();
  std::string out;
  EXPECT_EQ(Run({"--test", "t", "--test-timeout", "2", "--junit=" + junit, m_dir.string()}, &out), 1);
  EXPECT_TRUE(Has(out, "EndGameTest of t/a ignored")) << out;
  EXPECT_TRUE(Has(out, "  FAILED  t/a: ASSERT false for hp (")) << out;
  EXPECT_TRUE(Has(out, "t/a.lua:1)\n")) << out;
  EXPECT_TRUE(Has(out, "  FAILED  t/b: main raised: ")) << out;
  EXPECT_TRUE(Has(out, "t/b.lua:1: boom\n")) << out;
  EXPECT_TRUE(Has(out, "  FAILED  t/c: did not call EndGameTest within 2 s\n")) << out;
  EXPECT_TRUE(Has(out, "  FAILED  t/d: script [] func [] error : ")) << out;
  EXPECT_TRUE(Has(out, "  passed  t/e\n")) << out;
  EXPECT_TRUE(Has(out, "5 tests, 1 passed, 4 failed, 0 not run: FAILED")) << out;
  const std::string xml = Read("junit.xml");
  EXPECT_TRUE(Has(xml, "<testsuite name=\"t\" tests=\"5\" failures=\"4\"")) << xml;
  EXPECT_TRUE(Has(xml, "<testcase classname=\"t\" name=\"e\"")) << xml;
  EXPECT_TRUE(Has(xml, "<failure message=\"did not call EndGameTest within 2 s\"/>")) << xml;
}

TEST_F(HostTest, BadInputGivesAClearMessage) {
  std::string out;
  EXPECT_EQ(Run({(m_dir / "missing").string()}, &out), 2);
  EXPECT_TRUE(Has(out, "no script folder or package at")) << out;

  Write("bad.zip", "this is not a zip file");
  EXPECT_EQ(Run({(m_dir / "bad.zip").string()}, &out), 2);
  EXPECT_TRUE(Has(out, "cannot open script package")) << out;

  EXPECT_EQ(Run({"--tick=0"}, &out), 2);
  EXPECT_TRUE(Has(out, "bad --tick '0'")) << out;
  EXPECT_EQ(Run({"--help=yes"}, &out), 2);
  EXPECT_TRUE(Has(out, "option --help takes no value")) << out;
  EXPECT_EQ(Run({"--start", "1937/13/1 0:0:0"}, &out), 2);
  EXPECT_TRUE(Has(out, "month 13 is out of range 0..11")) << out;
  EXPECT_EQ(Run({"--start=1937/1/45 0:0:0"}, &out), 2);
  EXPECT_TRUE(Has(out, "day 45 is out of range 0..27")) << out;
  EXPECT_EQ(Run({"--start", "1936/1/28 0:60:0"}, &out), 2);  // 1936 is a leap year
  EXPECT_TRUE(Has(out, "minute 60 is out of range 0..59")) << out;

  EXPECT_EQ(Run({"--version"}, &out), 0);
  EXPECT_TRUE(Has(out, "tickbase-host " TICKBASE_VERSION)) << out;

  Write("main.lua", "function other() end");
  EXPECT_EQ(Run({m_dir.string()}, &out), 1);
  EXPECT_TRUE(Has(out, "entry main:main did not start")) << out;
}

// The test's working directory is not the script folder: require must look
// in the folder anyway.
TEST_F(HostTest, FolderRunRequiresReportsAndShowsStatus) {
  Write("mod.lua", "return { word = 'hi' }");
  Write("main.lua", "function main() print('mod says ' .. require('mod').word) YieldSleep(500) error('late') end");
  std::string out;
  EXPECT_EQ(Run({"--status-every", "0.2", "--run-seconds", "1", m_dir.string()}, &out), 0) << out;
  EXPECT_TRUE(Has(out, "mod says hi")) << out;
  EXPECT_TRUE(Has(out, "status: up ")) << out;
  EXPECT_TRUE(Has(out, "timers (map/patch/list): MS 1/0/0 Sec 0/0/0")) << out;
  EXPECT_TRUE(Has(out, "coroutines sleeping: 1\ncScriptManager::TraceGC\nmain (")) << out;
  EXPECT_TRUE(Has(out, "entry main:main raised an error after it yielded")) << out;
}

TEST_F(HostTest, TypedCommandRunsAndQuitEnds) {
  Write("main.lua", "function main() print('ready') end");
  Subprocess host({kHost, "--console", m_dir.string()});
  ASSERT_TRUE(host.ReadUntil("ready"));
  host.Write("print('typed ' .. 6 * 7)\nstatus\nquit\n");
  EXPECT_EQ(host.Finish(), 0) << host.output();
  EXPECT_TRUE(Has(host.output(), "typed 42")) << host.output();
  EXPECT_TRUE(Has(host.output(), "coroutines sleeping: 0")) << host.output();
}

// Every message is in its file the moment it is logged: SIGKILL loses none.
TEST_F(HostTest, LogsSurviveSigkillAndInterruptExitsCleanly) {
  Write("main.lua", "function main() log('kept') print('ready') while true do YieldSleep(10) end end");
  for (int sig : {SIGKILL, SIGINT}) {
    const fs::path logs = m_dir / ("logs" + std::to_string(sig));
    Subprocess host({kHost, "--log-dir", logs.string(), m_dir.string()});
    ASSERT_TRUE(host.ReadUntil("ready"));
    host.Signal(sig);
    EXPECT_EQ(host.Finish(), sig == SIGINT ? 0 : Subprocess::SignalStatus(SIGKILL)) << host.output();
    std::ostringstream text;
    text << std::ifstream(logs / "quenlet.script.log").rdbuf();
    EXPECT_TRUE(Has(text.str(), "] [quenlet.script] [info] kept \n")) << text.str();
  }
}

// A fatal signal inside a calendar callback: the report names the script,
// the function and the event being dispatched.
TEST_F(HostTest, CrashReportNamesTheScriptAndTheCalendarEvent) {
  Write("main.lua", "function main() GetGameTime():RegistCallback(cGameTime.GameTime_Min, 'main', 'OnMin') end\n"
                    "function OnMin() print('in OnMin') Sleep(600000) end");
  Subprocess host({kHost, "--time-mul", "100000", m_dir.string()});
  ASSERT_TRUE(host.ReadUntil("in OnMin")) << host.output();
  host.Signal(SIGSEGV);
  EXPECT_EQ(host.Finish(), Subprocess::SignalStatus(SIGSEGV)) << host.output();
  EXPECT_TRUE(Has(host.output(), "cTimerManager::ReportCrashToStream")) << host.output();
  EXPECT_TRUE(Has(host.output(), "script: main function: OnMin\ncalendar: Min event, value 1\n"))
      << host.output();
}

TEST_F(HostTest, WatchReloadsChangedScriptsThatCompile) {
  Write("main.lua", "function main() while true do RunScript('other', 'Say') YieldSleep(50) end end");
  Write("other.lua", "function Say() print('say v1') end");
  Subprocess host({kHost, "--watch", "--run-seconds", "20", m_dir.string()});
  ASSERT_TRUE(host.ReadUntil("say v1"));
  Write("bad.lua", "function (");
  ASSERT_TRUE(host.ReadUntil("bad.lua does not compile, the running scripts are kept: "));
  Write("other.lua", "function Say() print('say v2') end");
  ASSERT_TRUE(host.ReadUntil("other.lua changed, reloading the scripts"));
  ASSERT_TRUE(host.ReadUntil("say v2"));
  host.Signal(SIGINT);
  EXPECT_EQ(host.Finish(), 0);
}

TEST_F(HostTest, OutputFollowsTheLocaleOnPipesAndLogs) {
#if defined(_WIN32)
  struct cKeptCodePage {
    ~cKeptCodePage() { SetConsoleOutputCP(codePage); }
    UINT codePage = GetConsoleOutputCP();
  } kept;
#endif
  Write("main.lua", kEncodings);
  const std::string logs = (m_dir / "logs").string();
  std::string out;
  ASSERT_EQ(Run({"--run-seconds", "0.2", "--log-dir", logs, m_dir.string()}, &out,
                Encoding("C.UTF-8", 65001)),
            0);
  EXPECT_TRUE(Has(out, kLabel + "  " + kPipedColour + kPrinted)) << out;
  EXPECT_TRUE(Has(out, "\u3010\u6e38\u620f\u6d4b\u8bd5\u3011\u5f00\u59cb\u4e86")) << out;
  const std::string logged = Read("logs/quenlet.script.log");
  EXPECT_TRUE(Has(logged, "] " + kLabel)) << logged;
  EXPECT_TRUE(Has(logged, "] \u4e2d\u6587 ")) << logged;

  ASSERT_EQ(Run({"--run-seconds", "0.2", m_dir.string()}, &out, Encoding("C", 437)), 0);
  EXPECT_TRUE(Has(out, "[Script]  " + kPipedColour + "caf? ?? ?? ")) << out;
  EXPECT_TRUE(Has(out, "[game test] started")) << out;

  ASSERT_EQ(Run({"--run-seconds", "0.2", "--raw-console", m_dir.string()}, &out,
                Encoding("C.UTF-8", 65001)),
            0);
  EXPECT_TRUE(Has(out, kLabelGbk + "  " + kPipedColour + "caf\u00e9 \u65e5\u672c \xD6\xD0\xCE\xC4 "))
      << out;
}

TEST_F(HostTest, QuietHidesRoutineTracesAndVerboseShowsChannelTraces) {
  Write("main.lua",
        "function main() RunScript('main', 'Hi') YieldSleep(1) end "
        "function Hi() Assert(false, 'hp') end");
  std::string normal, quiet, verbose;
  ASSERT_EQ(Run({"--run-seconds", "0.2", m_dir.string()}, &normal), 0);
  ASSERT_EQ(Run({"--run-seconds", "0.2", "-q", m_dir.string()}, &quiet), 0);
  ASSERT_EQ(Run({"--run-seconds", "0.2", "--verbose", m_dir.string()}, &verbose), 0);
  for (const char* trace :
       {"func_RunScriptFileFunc main func Hi begin", "LoadScript file main", "SetZip"}) {
    EXPECT_TRUE(Has(normal, trace)) << normal;
    EXPECT_FALSE(Has(quiet, trace)) << quiet;
  }
  EXPECT_TRUE(Has(quiet, "ASSERT false for hp")) << quiet;
  EXPECT_FALSE(Has(normal, "cScriptYieldTimer::AddYieldSleep")) << normal;
  EXPECT_TRUE(Has(verbose, "cScriptYieldTimer::AddYieldSleep")) << verbose;
}

// The console on a terminal: the line editor, the Lua console and colours.
TEST_F(HostTest, ConsoleOnATerminal) {
#if defined(_WIN32)
  GTEST_SKIP() << "pseudo-terminals and the line editor are POSIX; Windows reads plain lines";
#endif
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
  EXPECT_TRUE(Has(host.output(), kLabel + "  \x1b[96;49m" + kPrinted)) << host.output();
  EXPECT_TRUE(type("1+1\r", "2\r\n")) << host.output();
  EXPECT_TRUE(type("=2*3, 'x'\r", "6\tx\r\n")) << host.output();
  EXPECT_TRUE(type("function f()\r", "lua>> ")) << host.output();
  EXPECT_TRUE(type("return 40 + 2 end\rf()\r", "42\r\n")) << host.output();
#ifdef LUAJIT_VERSION
  // The line runs as "return error('bad')": a tail call, after which LuaJIT
  // knows no position.
  EXPECT_TRUE(type("error('bad')\r", "\x1b[91;49mbad\r\n")) << host.output();
#else
  EXPECT_TRUE(type("error('bad')\r", "\x1b[91;49mconsole:1: bad\r\n")) << host.output();
#endif
  EXPECT_TRUE(type(":use npc\r", "npc> ")) << host.output();
  EXPECT_TRUE(type("hp\r", "7\r\n")) << host.output();
  EXPECT_TRUE(type("\x1b[A\r", "7\r\n")) << host.output();  // the up arrow runs hp again
  // Output that comes while a line is typed is written above it.
  EXPECT_TRUE(type("CoSleep(500, 'npc', 'Ping')\rabc", "ping \r\n\x1b[0mnpc> abc"))
      << host.output();
  EXPECT_TRUE(type("\x15:use\r", "lua> ")) << host.output();  // Ctrl-U first
  host.Write("\x04");  // Ctrl-D
  EXPECT_EQ(host.Finish(), 0) << host.output();
  EXPECT_EQ(host.output().substr(host.output().size() - 4), "\x1b[0m");
  EXPECT_TRUE(Has(Read(".tickbase_history"), "\nhp\n"));
}

// A script that never returned used to ignore Ctrl-C, SIGTERM and
// --run-seconds, whether it hung in the entry function or after a wake-up.
TEST_F(HostTest, StuckScriptsStopOnSignalsTimeAndTheWatchdog) {
  Write("entry/main.lua", "function main() print('ready') while true do end end");
  Write("woken/main.lua", "function main() YieldSleep(10) print('ready') while true do end end");
  for (int sig : {SIGINT, SIGTERM}) {
    for (const char* folder : {"entry", "woken"}) {
      Subprocess host({kHost, "--watchdog", "0", (m_dir / folder).string()});
      ASSERT_TRUE(host.ReadUntil("ready")) << host.output();
      host.Signal(sig);
      EXPECT_EQ(host.Finish(), 0) << host.output();
      EXPECT_TRUE(Has(host.output(), "func main interrupted")) << host.output();
    }
  }
  std::string out;
  EXPECT_EQ(Run({"--watchdog", "0", "--run-seconds", "1", (m_dir / "woken").string()}, &out), 0);
  EXPECT_TRUE(Has(out, "interrupted")) << out;
  // The watchdog stops the wake-up; the host goes on until its time is up.
  EXPECT_EQ(Run({"--watchdog", "200", "--run-seconds", "2", (m_dir / "woken").string()}, &out), 0);
  EXPECT_TRUE(Has(out, "func main ran longer than 200 ms")) << out;
  EXPECT_FALSE(Has(out, "interrupted")) << out;
}

TEST_F(HostTest, ASecondSignalEndsTheProcessAtOnce) {
  // A native wait: the interrupt can only act once it returns.
  Write("main.lua", "function main() print('ready') Sleep(600000) end");
  Subprocess host({kHost, m_dir.string()});
  ASSERT_TRUE(host.ReadUntil("ready"));
  host.Signal(SIGTERM);
  host.Signal(SIGINT);
  const int status = host.Finish();  // the signal delivered second ends it
  EXPECT_TRUE(status == Subprocess::SignalStatus(SIGINT) ||
              status == Subprocess::SignalStatus(SIGTERM))
      << status << host.output();
}
