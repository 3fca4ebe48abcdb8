-- The example village. tickbase-host starts main() as a coroutine, so it
-- may sleep with YieldSleep between the acts of the demo.

function main()
  SetColor("green2")
  print("Welcome to the village. Press Ctrl-C to leave early.")
  SetColor("cyan2")

  -- One real second is ten game minutes.
  local clock = GetGameTime()
  clock:SetTimeMul(600)
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
  TraceAllScriptFiles()
  print("")
  print("md5 of 'village':", MD5("village"))
  Quit()
end

function OutputHeader(text)
  SetColor("yellow2")
  print("==== " .. text .. " ====")
  SetColor("cyan2")
end
