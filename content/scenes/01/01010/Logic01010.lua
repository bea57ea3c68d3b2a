-- The harbour-master's office. The harbour master has stepped out and left
-- his logbook open on the desk; reading it tells the player where he went.
-- The door leads out to the fish quay (scene 01020).
dofile("scenes/logic.lua")
local scene = SceneScript("01010")

function OnEnter(previous)
    scene.say("enter from " .. tostring(previous))
    scene.intent = nil
    -- Back from the quay the player stands just inside the door.
    local dummy = previous == "01020" and "DummyDoor01010" or "DummyStart01010"
    if PlaceCharacterOnDummy then PlaceCharacterOnDummy("Mira", dummy, 0, 0, 0) end
    if not logbookRead and PushTask then PushTask("findHarbourMaster", "readLogbook") end
end

function OnWarpObjectHit(name)
    scene.say("hit " .. tostring(name))
    if name == "ClicDoor01010" then
        scene.walkTo(-280, 0, 380, "leave")
    elseif name == "ClicLogbook" then
        scene.walkTo(160, 0, 290, "read")
    end
end

function OnDisplacementFinished()
    local what = scene.arrived()
    if what == "leave" then
        if ChangeWarp then ChangeWarp("01", "01020", false) end
        scene.say("out to the quay")
    elseif what == "read" then
        scene.say("reading the logbook: \"Gone to check the tide gauge. Back at high water.\"")
        if SetCondition then SetCondition("logbookRead") end
        if DeleteTask then DeleteTask("findHarbourMaster", "readLogbook") end
        -- A moment at the desk before the next task shows.
        scene.wait(1.5)
    end
end

function OnWaitFinished()
    if PushTask then PushTask("findHarbourMaster", "checkTideGauge") end
    scene.say("next: the tide gauge on the quay")
end
