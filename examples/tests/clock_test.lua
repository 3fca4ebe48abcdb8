-- Game test: the calendar moves and its record is shared.

function main()
  StartGameTest()
  StartTest("clock")
  local clock = GetGameTime()
  Assert(cGameTime.GameTime_Min == 4, "GameTime_Min is 4")
  local t = clock.m_time
  local before = t.min
  clock.m_time.min = (before + 1) % 60
  Assert(t.min == (before + 1) % 60, "m_time is the clock's own record")
  EndTest("clock")
  EndGameTest()
end
