-- Game test: a coroutine sleeps and wakes up later.

local woke = false

local function sleeper()
  YieldSleep(50)
  woke = true
  Assert(FileName() == "tests/npc_test", "a woken coroutine knows its script")
  EndTest("sleep")
  EndGameTest()
end

function main()
  StartGameTest()
  StartTest("sleep")
  coroutine.wrap(sleeper)()
  Assert(not woke, "the coroutine is still asleep")
end
