-- The example village. tickbase-host starts main() as a coroutine, so it
-- may sleep with YieldSleep between the acts of the demo. The village goes
-- on after main has returned, until Ctrl-C.

function main()
  print("Welcome to the village. Press Ctrl-C to leave.")

  -- Unless the host was given --start or --time-mul, the day starts at five
  -- in the morning and one real second is twenty game minutes, so night
  -- falls after 36 seconds. m_time is the clock's own record.
  local clock = GetGameTime()
  if not HostArgs.start then clock.m_time.hour = 5 end
  if not HostArgs.time_mul then clock:SetTimeMul(1200) end
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
  OutputHeader("the scripts so far")
  -- print keeps its own colours; SetColor colours what follows it.
  SetColor("green2")
  TraceAllScriptFiles()
  print("md5 of 'village':", MD5("village"))
end

function OutputHeader(text)
  print("==== " .. text .. " ====")
end
