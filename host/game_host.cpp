#include "game_host.h"

#include <chrono>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <unistd.h>

#include "console_input.h"
#include "log_setup.h"
#include "signals.h"
#include "test_watch.h"
#include "tickbase/tickbase.h"

#include <lua.hpp>

namespace fs = std::filesystem;

namespace {

// Set by the script function Quit() and the console command quit.
bool g_quitRequested = false;

// Quit(): the host's own script function; ends the main loop after this tick.
int ScriptQuit(lua_State*) {
  g_quitRequested = true;
  return 0;
}

void BindHost(lua_State* L) {
  BindScriptCommon(L);
  RegisterFunc_Yield(L);
  BindGameTime(L);
  lua_register(L, "Quit", ScriptQuit);
}

bool IsPackage(const std::string& path) {
  return fs::is_regular_file(path);
}

// A test folder whose tests stop calling EndGameTest must not hang a build.
constexpr double kTestLimitSeconds = 600;

// Packages keep their scripts under the script host's default folder, script/.
constexpr const char* kPackageScriptDir = "";

}  // namespace

GameHost::GameHost(HostOptions options) : m_options(std::move(options)) {}

bool GameHost::Configure(std::string* error) {
  std::error_code ec;
  const bool package = IsPackage(m_options.scripts);
  if (!package && !fs::is_directory(m_options.scripts, ec)) {
    *error = "no script folder or package at " + m_options.scripts;
    return false;
  }
  if (package) {
    iZipPackage* zip = Unzip_GetZipManager()->OpenPackage(m_options.scripts.c_str(), 0);
    if (zip == nullptr) {
      *error = "cannot open script package " + m_options.scripts + " (not a readable zip file)";
      return false;
    }
    zip->Close();
  }
  if (!m_options.startTime.empty()) {
    stGameTime start{};
    std::istringstream in(m_options.startTime);
    start.from_stream(in);
    if (!in) {
      *error = "bad --start '" + m_options.startTime + "': expected Y/M/D h:m:s";
      return false;
    }
    cGameTime::Instance().Start(start);
  }
  cGameTime::Instance().SetTimeMul(m_options.timeMul);
  SetScriptWatchdog(m_options.watchdogMs);
  if (!m_options.logDir.empty() && !LogChannelsToFiles(m_options.logDir, error)) return false;

  cScriptManager& scripts = cScriptManager::Instance();
  scripts.BindScript(BindHost);
  scripts.CreateScript(package ? kPackageScriptDir : m_options.scripts.c_str());
  scripts.SetZip(package ? m_options.scripts.c_str() : "");
  return true;
}

bool GameHost::StartWork() {
  cScriptManager& scripts = cScriptManager::Instance();
  if (testing()) {
    const std::string folder = scripts.GetPath() + m_options.testFolder;
    m_testCount = static_cast<int>(platform::FindFiles(folder, ".lua").size());
    m_watchedBuf = std::cout.rdbuf();
    m_watch = std::make_unique<cTestWatch>(m_watchedBuf);
    std::cout.rdbuf(m_watch.get());
    RunScriptTestFolder(m_options.testFolder.c_str());
    return m_testCount > 0;
  }
  int ref = 0;
  if (scripts.NewThread(m_options.entryScript.c_str(), m_options.entryFunc.c_str(), ref, 0) ==
      nullptr) {
    std::cerr << "tickbase-host: entry " << m_options.entryScript << ':' << m_options.entryFunc
              << " did not start\n";
    return false;
  }
  return true;
}

void GameHost::HandleCommand(const std::string& line) {
  if (line.empty()) return;
  if (line == "quit") {
    g_quitRequested = true;
  } else if (line == "reload") {
    ReloadAll();
  } else if (line == "gc") {
    cScriptManager::Instance().TraceGC(std::cout);
  } else if (line == "scripts") {
    cScriptManager::Instance().TraceAllScriptFiles();
    std::cout << std::endl;
  } else {
    cScriptManager::Instance().DoString(line.c_str());
  }
}

bool GameHost::testing() const { return !m_options.testFolder.empty(); }

bool GameHost::TestsDone() const {
  return m_watch && m_watch->ended() >= m_testCount;
}

int GameHost::Run() {
  std::string error;
  if (!Configure(&error)) {
    std::cerr << "tickbase-host: " << error << '\n';
    return 2;
  }
  // Made before any signal can arrive: the crash handler must never be the
  // one to construct it.
  cTimerManager::Instance();
  InstallSignalHandlers();
  // An entry stopped by Ctrl-C is a stop, not a failure.
  int status = StartWork() || StopRequested() ? 0 : 1;

  using Clock = std::chrono::steady_clock;
  const auto started = Clock::now();
  auto last = started;
  Clock::duration carried{};
  const double limitSeconds =
      m_options.runSeconds > 0 ? m_options.runSeconds : (testing() ? kTestLimitSeconds : 0);
  // A script stuck in a loop keeps the loop below from seeing the time.
  if (limitSeconds > 0) StopAfter(limitSeconds);
  ConsoleInput input(m_options.console || isatty(STDIN_FILENO));
  while (status == 0 && !g_quitRequested && !StopRequested() && !TestsDone()) {
    // A script's mistake that throws (a Clear that raised) is reported;
    // the server goes on.
    try {
      for (const std::string& line : input.Wait(static_cast<int>(m_options.tickMs))) {
        HandleCommand(line);
      }
    } catch (...) {
      ReportCurrentException("tickbase-host", "command");
    }
    const auto now = Clock::now();
    carried += now - last;
    last = now;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(carried);
    carried -= ms;
    try {
      cTimerManager::Instance().Run(static_cast<unsigned long>(ms.count()));
    } catch (...) {
      ReportCurrentException("tickbase-host", "timer run");
    }
    cGameTime::Instance().Run(static_cast<unsigned long>(ms.count()));
    if (limitSeconds > 0 && std::chrono::duration<double>(now - started).count() >= limitSeconds) {
      break;
    }
  }
  return Finish(status);
}

int GameHost::Finish(int status) {
  if (testing()) {
    std::cout << std::flush;
    std::cout.rdbuf(m_watchedBuf);
    const cTestWatch& watch = *m_watch;
    const bool passed =
        status == 0 && TestsDone() && watch.failedAsserts() == 0 && watch.errors() == 0;
    std::cerr << "tickbase-host: " << watch.ended() << " of " << m_testCount << " tests ended, "
              << watch.failedAsserts() << " failed asserts, " << watch.errors()
              << " script errors: " << (passed ? "PASSED" : "FAILED") << '\n';
    if (!passed) status = 1;
  }
  cScriptManager::Instance().Destroy();
  FlushLogs();
  std::cout << std::flush;
  // Scripts may have left any colour set; hand the terminal back in the default.
  SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), 7);
  return status;
}
