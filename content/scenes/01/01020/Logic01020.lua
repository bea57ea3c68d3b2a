-- The fish quay at dusk, in front of the harbour-master's office. The tide
-- table pinned by the window says when the water is high and gives the
-- harbour master's number; the door leads back into the office (scene
-- 01010).
dofile("scenes/logic.lua")
local scene = SceneScript("01020")

-- The quay's ambience: water lapping most of the time, now and then a gull.
local function ambience()
    AddRandomSound("quay", "sounds/Ambiances/Water.ogg", 3, 0.6)
    AddRandomSound("quay", "sounds/Ambiances/Gull.ogg", 1, 0.45)
    PlayRandomSound("quay")
end

function OnEnter(previous)
    scene.say("enter from " .. tostring(previous))
    if previous == "01010" then
        scene.place("Zone01020", -380, 380, 90)
        PlaySound("sounds/Effects/Door.ogg", 1, 0.8)
    else
        scene.place("Zone01020", -560, 100, 90)
    end
    ambience()
    -- The game keeps itself at every change of place.
    RequestAutoSave()
    -- The first time out on the quay, a short film of the harbour at dusk.
    if not quayFilmSeen then
        SetCondition("quayFilmSeen")
        PlayMovieAndWaitForEnd("movies/QuayDusk.ogv", "movies/QuayDusk.ogg")
        scene.say("the film of the quay is over")
    end
end

function OnWarpObjectHit(name)
    scene.say("hit " .. tostring(name))
    scene.errand(function()
        if name == "ClicDoor01020" then
            scene.walkTo(-320, 0, 380)
            scene.say("into the office")
            ChangeWarp("01", "01010", false)
        elseif name == "ClicTideTable" then
            scene.walkTo(-380, 0, 100)
            scene.say("the tide table: high water at 21:40")
            if not tideTableRead then
                SetCondition("tideTableRead")
                TakeObject("TideTable")
                AddDocument("TideTable")
                AddNumber("5550142")
                -- The tide table's picture joins the harbour's bonus gallery.
                UnlockArtwork("ArtworkTideTable")
                DeleteTask("help.tides.title", "help.tides.board")
                PushTask("help.call.title", "help.call.phone")
            end
        end
    end)
end

function OnCallNumber(number)
    scene.say("calling " .. tostring(number))
    if number == "5550142" and not calledHarbourMaster then
        SetCondition("calledHarbourMaster")
        DeleteTask("help.call.title", "help.call.phone")
        scene.say("the harbour master will be back at high water")
        -- The evening's work is done: a moment on the quay, then the credits.
        WaitAndWaitForEnd(3.0)
        scene.say("the end")
        FinishGame()
    end
end
