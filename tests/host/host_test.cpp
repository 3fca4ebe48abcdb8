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

  int Run(std::vector<std::string> args, std::string* output) {
    args.insert(args.begin(), kHost);
    Subprocess host(args);
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
  Write("main.lua", "function main() YieldSleep(10) print('ready') while true do YieldSleep(10) end end");
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
      EXPECT_NE(host.output().find("func main interrupted"), std::string::npos) << host.output();
    }
  }
  std::string out;
  EXPECT_EQ(Run({"--watchdog", "0", "--run-seconds", "1", (m_dir / "woken").string()}, &out), 0);
  EXPECT_NE(out.find("interrupted"), std::string::npos) << out;
  // The watchdog stops the wake-up; the host goes on until its time is up.
  EXPECT_EQ(Run({"--watchdog", "200", "--run-seconds", "2", (m_dir / "woken").string()}, &out), 0);
  EXPECT_NE(out.find("func main ran longer than 200 ms"), std::string::npos) << out;
  EXPECT_EQ(out.find("interrupted"), std::string::npos) << out;
}

TEST_F(HostTest, ASecondSignalEndsTheProcessAtOnce) {
  // A native wait: the interrupt can only act once it returns.
  Write("main.lua", "function main() print('ready') Sleep(600000) end");
  Subprocess host({kHost, m_dir.string()});
  ASSERT_TRUE(host.ReadUntil("ready"));
  host.Signal(SIGTERM);
  host.Signal(SIGINT);
  EXPECT_GT(host.Finish(), 128) << host.output();
}
