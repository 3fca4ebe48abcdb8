-- Day and night from calendar callbacks.

print("world.lua is loaded into a fresh state")

function Setup()
  local clock = GetGameTime()
  clock:RegistCallback(cGameTime.GameTime_Hour, "world", "OnHour")
  -- An at-time callback is one-shot: registered at the current time, it
  -- runs at the next change of the game minute.
  clock:RegistCallbackAt(clock.m_time, "world", "OnMarketOpens")
end

-- The console background follows the sun: print changes only the
-- foreground, so a background set here stays until the next change.
function OnHour()
  local hour = GetGameTime().m_time.hour
  if hour == 6 then
    SetBkColor("black")
    print("Dawn breaks over the village")
  elseif hour == 8 then
    print("The sun is up: day begins")
  elseif hour == 17 then
    SetBkColor("blue")
    print("The sun sets: night falls")
  else
    print(string.format("The clock strikes %d", hour))
  end
end

function OnMarketOpens()
  print("The market opens")
end

function RingBell()
  print("Ding dong! The bell rings in " .. FileName())
  log("world: the bell rang")
end

function Report()
  print("world.lua answers after the reload")
end
