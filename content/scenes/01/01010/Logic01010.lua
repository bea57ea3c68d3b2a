-- The harbour-master's office. The harbour master has stepped out and left
-- his logbook open on the desk; reading it tells the player where he went.
-- The door leads out to the fish quay (scene 01020).
--
-- The game raises the events below. The script functions they call come
-- with the script bindings: until those exist every call is guarded, and
-- the scene says on the console what it would have done.

local function say(text)
    print("[Logic01010] " .. text)
end

-- What the player set out to do with the last click on something: the
-- walk's end ("OnDisplacementFinished") carries it out.
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
    -- Back from the quay the player stands just inside the door.
    local dummy = previous == "01020" and "DummyDoor01010" or "DummyStart01010"
    if PlaceCharacterOnDummy then PlaceCharacterOnDummy("Mira", dummy, 0, 0, 0) end
    if not logbookRead and PushTask then PushTask("findHarbourMaster", "readLogbook") end
end

function OnLeave()
    say("leave")
    intent = nil
end

-- A click the game accepted while the player stands or walks.
function On()
    say("click")
end

function OnWarpObjectHit(name)
    say("hit " .. tostring(name))
    if name == "ClicDoor01010" then
        walkTo(-280, 0, 380, "leave")
    elseif name == "ClicLogbook" then
        walkTo(160, 0, 290, "read")
    end
end

function OnDisplacementFinished()
    local what = intent
    intent = nil
    if what == "leave" then
        if ChangeWarp then ChangeWarp("01", "01020", false) end
        say("out to the quay")
    elseif what == "read" then
        say("reading the logbook: \"Gone to check the tide gauge. Back at high water.\"")
        if SetCondition then SetCondition("logbookRead") end
        if DeleteTask then DeleteTask("findHarbourMaster", "readLogbook") end
        -- A moment at the desk before the next task shows.
        if Wait then Wait(1.5) elseif OnWaitFinished then OnWaitFinished() end
    end
end

function OnWaitFinished()
    if PushTask then PushTask("findHarbourMaster", "checkTideGauge") end
    say("next: the tide gauge on the quay")
end

function OnFinishedAnim(sprite)
    say("animation finished: " .. tostring(sprite))
end

function OnSelectedObject(object)
    if object ~= nil and object ~= "" then say("holding " .. object) end
end
