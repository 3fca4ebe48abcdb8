#include "test_watch.h"

#include <spdlog/sinks/base_sink.h>
#include <spdlog/details/null_mutex.h>
#include <spdlog/spdlog.h>

#include <lua.hpp>

namespace test_watch {
namespace {

Tally g_tally;

// lua_report_error writes two messages per error: count the headers only.
class ErrorCounter : public spdlog::sinks::base_sink<spdlog::details::null_mutex> {
 protected:
  void sink_it_(const spdlog::details::log_msg& msg) override {
    static constexpr spdlog::string_view_t kHeader = "script [";
    if (msg.payload.size() >= kHeader.size() &&
        std::equal(kHeader.begin(), kHeader.end(), msg.payload.begin())) {
      ++g_tally.errors;
    }
  }
  void flush_() override {}
};

int AssertFailed(lua_State*) {
  ++g_tally.failedAsserts;
  return 0;
}

int TestEnded(lua_State*) {
  ++g_tally.ended;
  return 0;
}

const char kWrappers[] = R"lua(
local assert_, endGameTest_, failed_, ended_ = Assert, EndGameTest, ...
function Assert(condition, text)
  if condition == false then failed_() end
  return assert_(condition, text)
end
function EndGameTest()
  ended_()
  return endGameTest_()
end
)lua";

}  // namespace

void Start() {
  auto channel = spdlog::get("script.error");
  if (!channel) return;
  channel->sinks().push_back(std::make_shared<ErrorCounter>());
  channel->set_level(spdlog::level::info);
}

void Bind(lua_State* L) {
  if (luaL_loadstring(L, kWrappers) != 0) {
    lua_pop(L, 1);
    return;
  }
  lua_pushcfunction(L, AssertFailed);
  lua_pushcfunction(L, TestEnded);
  if (lua_pcall(L, 2, 0, 0) != 0) lua_pop(L, 1);
}

const Tally& Current() { return g_tally; }

}  // namespace test_watch
