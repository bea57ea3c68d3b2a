-- The fish quay at dusk, in front of the harbour-master's office. The tide
-- table pinned by the window says when the water is high; the door leads
-- back into the office (scene 01010).
--
-- Script functions come with the script bindings: every call is guarded
-- until then (see Logic01010.lua).

local function say(text)
    print("[Logic01020] " .. text)
end

local intent = nil

local function walkTo(x, y, z, what)
    intent = what
    if MoveCharacterPlayerTo then
        MoveCharacterPlayerTo(x, y, z)
    elseif OnDisplacementFinished then
        OnDisplacementFinished()
    end
end

function OnEnter(previous)
    say("enter from " .. tostring(previous))
    intent = nil
    -- Out of the office the player stands on the step; otherwise by the water.
    local dummy = previous == "01010" and "DummyDoor01020" or "DummyStart01020"
    if PlaceCharacterOnDummy then PlaceCharacterOnDummy("Mira", dummy, 0, 0, 0) end
end

function OnLeave()
    say("leave")
    intent = nil
end

function On()
    say("click")
end

function OnWarpObjectHit(name)
    say("hit " .. tostring(name))
    if name == "ClicDoor01020" then
        walkTo(-320, 0, 380, "enter")
    elseif name == "ClicTideTable" then
        walkTo(-380, 0, 100, "read")
    end
end

function OnDisplacementFinished()
    local what = intent
    intent = nil
    if what == "enter" then
        if ChangeWarp then ChangeWarp("01", "01010", false) end
        say("into the office")
    elseif what == "read" then
        say("the tide table: high water at 21:40")
        if SetCondition then SetCondition("tideTableRead") end
        if logbookRead and DeleteTask then DeleteTask("findHarbourMaster", "checkTideGauge") end
        if Wait then Wait(1.0) elseif OnWaitFinished then OnWaitFinished() end
    end
end

function OnWaitFinished()
    say("the harbour master will be back at high water")
end

function OnFinishedAnim(sprite)
    say("animation finished: " .. tostring(sprite))
end

function OnSelectedObject(object)
    if object ~= nil and object ~= "" then say("holding " .. object) end
end
