#include "test_runner.h"

#include <spdlog/details/null_mutex.h>
#include <spdlog/sinks/base_sink.h>

#include <algorithm>
#include <cstring>
#include <iostream>
#include <sstream>

#include "tickbase/tickbase.h"

#include <lua.hpp>

namespace {

cTestRunner* g_runner = nullptr;

// Hears every message of "script.error" while a runner exists.
class cErrorSink final : public spdlog::sinks::base_sink<spdlog::details::null_mutex> {
 protected:
  void sink_it_(const spdlog::details::log_msg& msg) override {
    if (g_runner) g_runner->OnError(std::string(msg.payload.data(), msg.payload.size()));
  }
  void flush_() override {}
};

// The text on one line: line ends become blanks, the ends are trimmed.
std::string OneLine(const std::string& text) {
  std::string line = text;
  std::replace(line.begin(), line.end(), '\n', ' ');
  std::replace(line.begin(), line.end(), '\r', ' ');
  const auto first = line.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return line.substr(first, line.find_last_not_of(' ') - first + 1);
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Calls the wrapped library function (upvalue 1) with the arguments as given.
int CallWrapped(lua_State* L) {
  lua_pushvalue(L, lua_upvalueindex(1));
  lua_insert(L, 1);
  lua_call(L, lua_gettop(L) - 1, 0);
  return 0;
}

// The C++ parts run in their own scope, so nothing with a destructor is
// alive when a Lua error unwinds through CallWrapped.
int HostAssert(lua_State* L) {
  if (g_runner && lua_type(L, 1) == LUA_TBOOLEAN && !lua_toboolean(L, 1)) {
    try {
      std::string text = lua_type(L, 2) == LUA_TSTRING ? lua_tostring(L, 2) : "";
      lua_Debug ar;
      if (lua_getstack(L, 1, &ar) && lua_getinfo(L, "Sl", &ar) && ar.currentline > 0) {
        text += std::string(" (") + ar.short_src + ":" + std::to_string(ar.currentline) + ")";
      }
      g_runner->OnAssertFailed(text);
    } catch (...) {
      // Only allocation fails here; the library's own report still follows.
    }
  }
  return CallWrapped(L);
}

int HostEndGameTest(lua_State* L) {
  bool current = true;
  try {
    current = !g_runner || g_runner->OnEndGameTest();
  } catch (...) {
  }
  return current ? CallWrapped(L) : 0;
}

// A test's main runs through the library's call by name, whose errors reach
// only the console; so main is called here under lua_pcall, its error
// handed to the runner and raised on unchanged.
int GuardedMain(lua_State* L) {
  lua_pushvalue(L, lua_upvalueindex(1));
  lua_insert(L, 1);
  if (lua_pcall(L, lua_gettop(L) - 1, LUA_MULTRET, 0) == 0) return lua_gettop(L);
  if (g_runner) {
    try {
      g_runner->OnError(std::string("main raised: ") + (lua_isstring(L, -1) ? lua_tostring(L, -1) : "?"));
    } catch (...) {
    }
  }
  return lua_error(L);
}

// __newindex of the globals: a function stored as main is guarded.
int OnNewGlobal(lua_State* L) {
  if (lua_type(L, 2) == LUA_TSTRING && std::strcmp(lua_tostring(L, 2), "main") == 0 &&
      lua_isfunction(L, 3)) {
    lua_pushcclosure(L, GuardedMain, 1);
  }
  lua_rawset(L, 1);
  return 0;
}

void Wrap(lua_State* L, const char* name, lua_CFunction hook) {
  lua_getglobal(L, name);
  if (lua_isnil(L, -1)) {
    lua_pop(L, 1);
    return;
  }
  lua_pushcclosure(L, hook, 1);
  lua_setglobal(L, name);
}

}  // namespace

cTestRunner::cTestRunner(std::string folder, double limitSeconds)
    : m_folder(std::move(folder)),
      m_limit(limitSeconds),
      m_errorSink(std::make_shared<cErrorSink>()) {
  g_runner = this;
  spdlog::logger& errors = script_error();
  errors.sinks().push_back(m_errorSink);
  if (!errors.should_log(spdlog::level::info)) errors.set_level(spdlog::level::info);
}

cTestRunner::~cTestRunner() {
  g_runner = nullptr;
  auto& sinks = script_error().sinks();
  sinks.erase(std::remove(sinks.begin(), sinks.end(), m_errorSink), sinks.end());
}

void cTestRunner::Bind(lua_State* L) {
  if (!g_runner) return;
  Wrap(L, "Assert", HostAssert);
  Wrap(L, "EndGameTest", HostEndGameTest);
  lua_newtable(L);
  lua_pushcfunction(L, OnNewGlobal);
  lua_setfield(L, -2, "__newindex");
  lua_setmetatable(L, LUA_GLOBALSINDEX);
}

bool cTestRunner::Start(double now) {
  for (const std::string& name : FindTestScripts(m_folder.c_str())) {
    m_results.emplace_back();
    m_results.back().name = NormalizeScriptName(name.c_str());
  }
  m_startedAt = m_now = now;
  RunScriptTestFolder(m_folder.c_str());
  return !m_results.empty();
}

void cTestRunner::Check(double now) {
  m_now = now;
  if (m_startPending) {
    m_startedAt = now;
    m_startPending = false;
  }
  if (Done()) return;
  stTestResult& test = m_results[m_current];
  if (!test.raised && now - m_startedAt <= m_limit) return;
  std::ostringstream limit;
  limit << "did not call EndGameTest within " << m_limit << " s";
  if (!test.raised) Fail(test, limit.str());
  std::cout << "tickbase-host: test " << test.name << " failed: " << test.failure
            << "; going on with the next test" << std::endl;
  test.seconds = now - m_startedAt;
  ++m_current;
  m_startedAt = now;
  if (!Done()) RunNextTest();
}

stTestResult* cTestRunner::Owner() {
  const std::string file = NormalizeScriptName(GetCurScriptFile().c_str());
  for (stTestResult& test : m_results) {
    if (test.name == file) return &test;
  }
  return Done() ? nullptr : &m_results[m_current];
}

void cTestRunner::Fail(stTestResult& test, const std::string& why) {
  if (test.failure.empty()) test.failure = why;
}

void cTestRunner::OnAssertFailed(const std::string& text) {
  if (stTestResult* test = Owner()) Fail(*test, "ASSERT false for " + text);
}

void cTestRunner::OnError(const std::string& message) {
  stTestResult* test = Owner();
  if (!test) return;
  test->raised = true;
  const std::string line = OneLine(message);
  // A script error comes as a header line and then its value.
  if (EndsWith(test->failure, "error :")) {
    test->failure += " " + line;
  } else {
    Fail(*test, line);
  }
}

bool cTestRunner::OnEndGameTest() {
  stTestResult* test = Owner();
  if (Done() || test != &m_results[m_current]) {
    std::cout << "tickbase-host: EndGameTest of " << (test ? test->name : GetCurScriptFile())
              << " ignored: that test has already ended" << std::endl;
    return false;
  }
  test->ended = true;
  test->seconds = m_now - m_startedAt;
  ++m_current;
  m_startPending = true;
  return true;
}

cTestRunner::Outcome cTestRunner::OutcomeOf(std::size_t i) const {
  if (m_results[i].passed()) return Outcome::kPassed;
  return i <= m_current ? Outcome::kFailed : Outcome::kNotRun;
}

std::string cTestRunner::FailureOf(std::size_t i) const {
  return m_results[i].failure.empty() ? "interrupted before EndGameTest" : m_results[i].failure;
}

bool cTestRunner::WriteSummary(std::ostream& os) const {
  std::size_t counts[3] = {0, 0, 0};
  os << "tickbase-host: tests in " << m_folder << '\n';
  for (std::size_t i = 0; i < m_results.size(); ++i) {
    const Outcome outcome = OutcomeOf(i);
    ++counts[static_cast<int>(outcome)];
    if (outcome == Outcome::kPassed) {
      os << "  passed  " << m_results[i].name << '\n';
    } else if (outcome == Outcome::kFailed) {
      os << "  FAILED  " << m_results[i].name << ": " << FailureOf(i) << '\n';
    } else {
      os << "  not run " << m_results[i].name << '\n';
    }
  }
  const bool all = counts[0] == m_results.size() && !m_results.empty();
  os << "tickbase-host: " << m_results.size() << " tests, " << counts[0] << " passed, " << counts[1]
     << " failed, " << counts[2] << " not run: " << (all ? "PASSED" : "FAILED") << std::endl;
  return all;
}
