// Watches a folder test run for the host's summary and exit status: how many
// tests have ended (EndGameTest), asserted false (Assert) or raised errors
// (messages on "script.error"). One watch per process.
#ifndef TICKBASE_HOST_TEST_WATCH_H_
#define TICKBASE_HOST_TEST_WATCH_H_

struct lua_State;

namespace test_watch {

struct Tally {
  int ended = 0;
  int failedAsserts = 0;
  int errors = 0;
};

// Starts counting script errors. Call once, before the tests start.
void Start();

// Wraps the script functions Assert and EndGameTest of L so the watch sees
// them; they keep doing what they did. Call after BindScriptCommon.
void Bind(lua_State* L);

const Tally& Current();

}  // namespace test_watch

#endif  // TICKBASE_HOST_TEST_WATCH_H_
