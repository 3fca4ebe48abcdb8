-- NPCs walk their rounds. Every patrol is a coroutine that sleeps between
-- steps with YieldSleep; the timer manager wakes it up.

local npcs = {
  { name = "Guard", route = { "gate", "tower", "wall" }, pace = 1500 },
  { name = "Baker", route = { "oven", "market" }, pace = 2500 },
}

local function patrol(npc)
  local step = 0
  while true do
    step = step + 1
    local place = npc.route[(step - 1) % #npc.route + 1]
    local t = GetGameTime().m_time
    print(string.format("%s walks to the %s (%02d:%02d)", npc.name, place, t.hour, t.min))
    YieldSleep(npc.pace)
  end
end

function StartPatrols()
  for _, npc in ipairs(npcs) do
    coroutine.wrap(patrol)(npc)
  end
end
