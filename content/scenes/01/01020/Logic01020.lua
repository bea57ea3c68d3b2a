-- The fish quay at dusk, in front of the harbour-master's office. The tide
-- table by the window, in a glass case that the clerk's key opens, says when
-- the water is high and gives the harbour master's number; the door leads
-- back into the office (scene 01010).
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
    -- Once opened, the tide table's case stays open.
    if tideTableRead then ShowObject("TideCaseOpen") end
    -- The game keeps itself at every change of place.
    RequestAutoSave()
    -- The first time out on the quay, a short film of the harbour at dusk;
    -- seen once it has ended, and kept at once.
    if not quayFilmSeen then
        PlayMovieAndWaitForEnd("movies/QuayDusk.ogv", "movies/QuayDusk.ogg")
        SetCondition("quayFilmSeen")
        RequestAutoSave()
        -- The loading menu's second page: out of the office, on the quay.
        Save("1.xml")
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
            -- The key is the one held when the click was made: the walk
            -- there may end after the satchel was opened again.
            local withKey = Selected("BrassKey")
            scene.walkTo(-380, 0, 100)
            if tideTableRead then
                scene.say("the tide table: high water at 21:40")
            elseif not withKey then
                scene.say("the case is locked")
                LaunchDialogAndWaitForEnd("01020_MI_1", 1)
                -- The objectives say what opens it: the clerk's key, asked
                -- for or already in the satchel.
                local hint = askedLogbook and "help.tides.use" or "help.tides.case"
                if caseHint ~= hint then
                    if caseHint then DeleteTask("help.tides.title", caseHint) end
                    caseHint = hint
                    PushTask("help.tides.title", hint)
                end
                scene.say("the case stays shut: " .. hint)
            else
                scene.say("the key opens the case")
                ShowObject("TideCaseOpen")
                LaunchDialogAndWaitForEnd("01020_MI_2", 1)
                -- The clerk's key stays in the case's lock; all that the
                -- open case gives is given in one step, and kept at once.
                RemoveObject("BrassKey")
                TakeObject("TideTable")
                AddDocument("TideTable")
                AddNumber("5550142")
                SetCondition("tideTableRead")
                -- The tide table's picture joins the harbour's bonus gallery.
                UnlockArtwork("ArtworkTideTable")
                DeleteTask("help.tides.title", "help.tides.board")
                if caseHint then DeleteTask("help.tides.title", caseHint) end
                PushTask("help.call.title", "help.call.phone")
                RequestAutoSave()
                -- Its third page: the case open, the number found.
                Save("2.xml")
                scene.say("the tide table: high water at 21:40")
            end
        end
    end)
end

-- A call in progress. Never saved: the call is over, and kept, only once
-- it has been heard to its end; a game left in the middle of it calls again.
local calling = false

function OnCallNumber(number)
    scene.say("calling " .. tostring(number))
    if number ~= "5550142" or calling or calledHarbourMaster then return end
    calling = true
    -- The phone is put away for the call: its lines are read below it.
    SetVisibleCellphone(false)
    -- The call, heard and read: Mira and the harbour master, line by line;
    -- the wait is for the last.
    LaunchDialog("01020_CAL_1", 3)
    LaunchDialogAndWaitForEnd("01020_CAL_4", 1)
    SetCondition("calledHarbourMaster")
    DeleteTask("help.call.title", "help.call.phone")
    scene.say("the harbour master will be back at high water")
    -- The evening's work is done: a last look at the quay, then the credits.
    WaitAndWaitForEnd(1.0)
    scene.say("the end")
    FinishGame()
end
