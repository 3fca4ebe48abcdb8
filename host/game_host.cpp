#include "game_host.h"

#include <filesystem>
#include <iostream>

#include "host_console.h"
#include "junit.h"
#include "log_setup.h"
#include "signals.h"
#include "status.h"
#include "system.h"
#include "tickbase/tickbase.h"

#include <lua.hpp>

namespace fs = std::filesystem;

namespace {

// Set by the script function Quit().
bool g_quitRequested = false;

// What BindHost gives every state: the options, and in folder mode the
// folder that require searches first.
const HostOptions* g_options = nullptr;
std::string g_requireDir;

// Quit(): the host's own script function; ends the main loop after this tick.
int ScriptQuit(lua_State*) {
  g_quitRequested = true;
  return 0;
}

// require looks in the script folder first, whatever the current directory.
void SetRequirePath(lua_State* L, const std::string& dir) {
  lua_getglobal(L, "package");
  if (!lua_istable(L, -1)) {
    lua_pop(L, 1);
    return;
  }
  lua_getfield(L, -1, "path");
  const std::string path = dir + "?.lua;" + dir + "?/init.lua;" + (lua_tostring(L, -1) ? lua_tostring(L, -1) : "");
  lua_pop(L, 1);
  lua_pushlstring(L, path.data(), path.size());
  lua_setfield(L, -2, "path");
  lua_pop(L, 1);
}

// HostArgs: which calendar options were given, so scripts keep their own
// defaults only for the rest. start = true; time_mul = the multiplier.
void SetHostArgs(lua_State* L) {
  lua_newtable(L);
  if (g_options->start) {
    lua_pushboolean(L, 1);
    lua_setfield(L, -2, "start");
  }
  if (g_options->timeMul) {
    lua_pushnumber(L, *g_options->timeMul);
    lua_setfield(L, -2, "time_mul");
  }
  lua_setglobal(L, "HostArgs");
}

void BindHost(lua_State* L) {
  BindScriptCommon(L);
  RegisterFunc_Yield(L);
  BindGameTime(L);
  lua_register(L, "Quit", ScriptQuit);
  SetHostArgs(L);
  if (!g_requireDir.empty()) SetRequirePath(L, g_requireDir);
  cTestRunner::Bind(L);
}

bool IsPackage(const std::string& path) {
  return fs::is_regular_file(path);
}

// Packages keep their scripts under the script host's default folder, script/.
constexpr const char* kPackageScriptDir = "";

}  // namespace

GameHost::GameHost(HostOptions options)
    : m_options(std::move(options)), m_started(Clock::now()), m_tick(m_options.tickMs, 0) {
  g_options = &m_options;
}

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
  } else {
    g_requireDir = fs::absolute(m_options.scripts, ec).lexically_normal().string();
    if (g_requireDir.empty() || g_requireDir.back() != '/') g_requireDir += '/';
  }
  if (m_options.watch) {
    if (package) {
      *error = "--watch needs a script folder, not a package";
      return false;
    }
    m_watch = std::make_unique<cScriptWatch>();
    if (!m_watch->Open(m_options.scripts, error)) return false;
  }
  if (m_options.start) cGameTime::Instance().Start(*m_options.start);
  if (m_options.timeMul) cGameTime::Instance().SetTimeMul(*m_options.timeMul);
  SetScriptWatchdog(m_options.watchdogMs);
  if (!m_options.logDir.empty() && !LogChannelsToFiles(m_options.logDir, error)) return false;
  if (!m_options.testFolder.empty()) {
    m_tests = std::make_unique<cTestRunner>(m_options.testFolder, m_options.testSeconds);
  }

  cScriptManager& scripts = cScriptManager::Instance();
  scripts.BindScript(BindHost);
  scripts.CreateScript(package ? kPackageScriptDir : m_options.scripts.c_str());
  scripts.SetZip(package ? m_options.scripts.c_str() : "");
  return true;
}

bool GameHost::StartWork() {
  if (testing()) return m_tests->Start(0);
  int ref = 0;
  m_entryThread = cScriptManager::Instance().NewThread(m_options.entryScript.c_str(),
                                                       m_options.entryFunc.c_str(), ref, 0);
  if (m_entryThread == nullptr) {
    std::cerr << "tickbase-host: entry " << m_options.entryScript << ':' << m_options.entryFunc
              << " did not start\n";
    return false;
  }
  return true;
}

std::int64_t GameHost::NowMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - m_started).count();
}

void GameHost::WriteStatusNow() {
  WriteStatus(std::cout, m_tick, static_cast<double>(NowMs()) / 1000);
  std::cout << std::flush;
}

void GameHost::AfterTick() {
  const double seconds = static_cast<double>(NowMs()) / 1000;
  if (m_watch) m_watch->Poll();
  if (m_tests) m_tests->Check(seconds);
  // A thread that raised keeps its error status; the error itself was
  // reported when the wake-up resumed it.
  if (m_entryThread && lua_status(m_entryThread) > LUA_YIELD) {
    std::cout << "tickbase-host: entry " << m_options.entryScript << ':' << m_options.entryFunc
              << " raised an error after it yielded (reported above)" << std::endl;
    m_entryThread = nullptr;
  }
  if (m_options.statusSeconds > 0 && seconds >= m_lastStatus + m_options.statusSeconds) {
    m_lastStatus = seconds;
    WriteStatusNow();
  }
}

int GameHost::Run() {
  std::string error;
  if (!Configure(&error)) {
    std::cerr << "tickbase-host: " << error << '\n';
    return 2;
  }
  // Made before any signal can arrive: the crash handler must never be the
  // one to construct them.
  cTimerManager::Instance();
  cGameTime::Instance();
  const platform::cTimerPeriod finePeriod;  // ticks of the steady length asked for
  InstallSignalHandlers();
  m_started = Clock::now();
  m_tick = cSteadyTick(m_options.tickMs, 0);
  // An entry stopped by Ctrl-C is a stop, not a failure.
  int status = StartWork() || StopRequested() ? 0 : 1;

  // A script stuck in a loop keeps the loop below from seeing the time.
  if (m_options.runSeconds > 0) StopAfter(m_options.runSeconds);
  std::int64_t last = 0;
  HostConsole console(m_options.console || InputIsTerminal(), m_options.logDir);
  console.AddCommand("status", "uptime, ticks, timers, coroutines and scripts",
                     [this] { WriteStatusNow(); });
  while (status == 0 && !g_quitRequested && !console.quitRequested() && !StopRequested() &&
         !(m_tests && m_tests->Done())) {
    // A script's mistake that throws (a Clear that raised) is reported;
    // the server goes on.
    try {
      console.Wait(static_cast<int>(m_tick.WaitMs(NowMs())));
    } catch (...) {
      ReportCurrentException("tickbase-host", "command");
    }
    const std::int64_t begin = NowMs();
    if (m_tick.WaitMs(begin) > 0) continue;  // a command came before the tick was due
    const auto ms = static_cast<unsigned long>(begin - last);
    last = begin;
    try {
      cTimerManager::Instance().Run(ms);
    } catch (...) {
      ReportCurrentException("tickbase-host", "timer run");
    }
    cGameTime::Instance().Run(ms);
    AfterTick();
    m_tick.Done(begin, NowMs());
    if (m_options.runSeconds > 0 && begin >= m_options.runSeconds * 1000) break;
  }
  console.Close();
  return Finish(status);
}

int GameHost::Finish(int status) {
  if (testing()) {
    std::cout << std::flush;
    if (!m_tests->WriteSummary(std::cout)) status = 1;
    std::string error;
    if (!m_options.junitFile.empty() && !WriteJUnit(m_options.junitFile, *m_tests, &error)) {
      std::cerr << "tickbase-host: " << error << '\n';
      status = 1;
    }
  }
  m_entryThread = nullptr;
  cScriptManager::Instance().Destroy();
  m_tests.reset();
  FlushLogs();
  std::cout << std::flush;
  // Scripts may have left any colour set; hand the terminal back in the default.
  SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), 7);
  return status;
}
