-- The fish quay at dusk, in front of the harbour-master's office. The tide
-- table pinned by the window says when the water is high; the door leads
-- back into the office (scene 01010).
dofile("scenes/logic.lua")
local scene = SceneScript("01020")

function OnEnter(previous)
    scene.say("enter from " .. tostring(previous))
    scene.intent = nil
    -- Out of the office the player stands on the step; otherwise by the water.
    local dummy = previous == "01010" and "DummyDoor01020" or "DummyStart01020"
    if PlaceCharacterOnDummy then PlaceCharacterOnDummy("Mira", dummy, 0, 0, 0) end
end

function OnWarpObjectHit(name)
    scene.say("hit " .. tostring(name))
    if name == "ClicDoor01020" then
        scene.walkTo(-320, 0, 380, "enter")
    elseif name == "ClicTideTable" then
        scene.walkTo(-380, 0, 100, "read")
    end
end

function OnDisplacementFinished()
    local what = scene.arrived()
    if what == "enter" then
        if ChangeWarp then ChangeWarp("01", "01010", false) end
        scene.say("into the office")
    elseif what == "read" then
        scene.say("the tide table: high water at 21:40")
        if SetCondition then SetCondition("tideTableRead") end
        if logbookRead and DeleteTask then DeleteTask("findHarbourMaster", "checkTideGauge") end
        scene.wait(1.0)
    end
end

function OnWaitFinished()
    scene.say("the harbour master will be back at high water")
end
