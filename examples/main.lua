-- The example village. tickbase-host starts main() as a coroutine, so it
-- may sleep with YieldSleep between the acts of the demo.

function main()
  print("Welcome to the village. Press Ctrl-C to leave early.")

  -- The day starts at five in the morning; one real second is twenty game
  -- minutes. m_time is the clock's own record, so this sets the clock.
  local clock = GetGameTime()
  clock.m_time.hour = 5
  clock:SetTimeMul(1200)
  RunScript("world", "Setup")

  -- Each NPC patrols in a coroutine of its own inside the npc script.
  RunScript("npc", "StartPatrols")

  -- A deferred call: the bell rings in three seconds, main goes on at once.
  CoSleep(3000, "world", "RingBell")
  log("main: the bell is scheduled")

  YieldSleep(6000)
  OutputHeader("hot reload")
  -- Every script is loaded afresh on its next use; the sleeping patrols keep
  -- their old states until the host shuts down.
  ReloadAll()
  RunScript("world", "Report")

  YieldSleep(6000)
  OutputHeader("the day is over")
  -- print keeps its own colours; SetColor colours what follows it.
  SetColor("green2")
  TraceAllScriptFiles()
  print("md5 of 'village':", MD5("village"))
  Quit()
end

function OutputHeader(text)
  print("==== " .. text .. " ====")
end
