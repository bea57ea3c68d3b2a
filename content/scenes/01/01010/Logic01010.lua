-- The harbour-master's office. The harbour master has stepped out; Ansel,
-- his clerk, minds the desk, and the logbook lies open on it. Reading it
-- tells the player where he went. The door leads out to the fish quay
-- (scene 01020).
--
-- A save is taken at any moment a script asks for one, in the middle of a
-- line or a walk: every condition is therefore set in the same step as
-- what it stands for (the key and "askedLogbook", the logbook and
-- "logbookRead"), never before a wait, so that a save holds both or neither.
dofile("scenes/logic.lua")
local scene = SceneScript("01010")

-- What is going on with the clerk right now. Never saved: a continued game
-- starts with neither.
local greeting = false
local answersShown = false

-- The questions Mira can still ask. The logbook's question comes back as
-- long as the clerk's key is not in her satchel.
local function offerAnswers()
    if answersShown then return end
    answersShown = true
    if not askedTide then PushAnswer("01010_ANS_TIDE", "menus/answers/01010_ANS_TIDE.lua") end
    if not askedLogbook then PushAnswer("01010_ANS_LOGBOOK", "menus/answers/01010_ANS_LOGBOOK.lua") end
    PushAnswer("01010_ANS_FIN", "menus/answers/Cal_FIN.lua")
    scene.say("the clerk waits for an answer")
end

-- The greeting. "metAnsel" is set once it has been heard: a game left in the
-- middle of it greets Mira again.
local function greet()
    if greeting then return end
    greeting = true
    scene.say("the clerk greets Mira")
    PushTask("help.logbook.title", "help.logbook.desk")
    -- The greeting's first two lines queue; the wait is for its last.
    LaunchDialog("01010_KA_1", 2)
    LaunchDialogAndWaitForEnd("01010_KA_3", 1)
    SetCondition("metAnsel")
    greeting = false
    offerAnswers()
end

function OnEnter(previous)
    scene.say("enter from " .. tostring(previous))
    if previous == "01020" then
        scene.place("Zone01010", -240, 380, -90)
        PlaySound("sounds/Effects/Door.ogg", 1, 0.8)
    else
        scene.place("Zone01010", -100, 150, 0)
    end
    -- The logbook's and the clerk's meshes are for reading and talking, not
    -- for walking onto; near the desk, Mira's eyes go to the logbook.
    AddBlockingObject("ClicLogbook")
    AddBlockingObject("ClicAnsel01010")
    AddAnchorZone("Dummy", "DummyDesk01010", 150)
    LoadCharacter("Ansel")
    SetCharacterPosition("Ansel", "Zone01010", 40, 0, 330)
    SetCharacterOrientation("Ansel", -100, 150)
    SetCharacterLookChar("Ansel", "Mira", false)

    -- The game keeps itself at every change of place.
    RequestAutoSave()

    if not metAnsel then
        greet()
    end
end

function OnAnswered(answer)
    scene.say("answered " .. tostring(answer))
    answersShown = false
    if answer == "01010_ANS_TIDE" then
        LaunchDialogAndWaitForEnd("01010_KA_4", 1)
        SetCondition("askedTide")
        offerAnswers()
    elseif answer == "01010_ANS_LOGBOOK" then
        -- His leave to read, then the key of the tide table's case, each
        -- in a line of its own; the wait is for the second (a wait names
        -- the line it waits for).
        LaunchDialog("01010_KA_5", 1)
        LaunchDialogAndWaitForEnd("01010_KA_6", 1)
        TakeObject("BrassKey")
        SetCondition("askedLogbook")
        scene.say("the clerk hands over the key")
        RequestAutoSave()
        offerAnswers()
    end
end

function OnWarpObjectHit(name)
    scene.say("hit " .. tostring(name))
    scene.errand(function()
        if name == "ClicAnsel01010" then
            -- The clerk can be asked again, e.g. in a game left before his
            -- key was in the satchel.
            if greeting or answersShown then return end
            scene.walkTo(-20, 0, 250)
            if metAnsel then
                scene.say("Mira turns to the clerk")
                offerAnswers()
            else
                greet()
            end
        elseif name == "ClicDoor01010" then
            scene.walkTo(-280, 0, 380)
            scene.say("out to the quay")
            ChangeWarp("01", "01020", false)
        elseif name == "ClicLogbook" then
            scene.walkTo(160, 0, 290)
            if logbookRead then
                scene.say("the logbook again: \"Gone to check the tide gauge.\"")
                return
            end
            scene.say("reading the logbook: \"Gone to check the tide gauge. Back at high water.\"")
            TakeObject("Logbook")
            AddDocument("Logbook")
            SetCondition("logbookRead")
            DeleteTask("help.logbook.title", "help.logbook.desk")
            PushTask("help.tides.title", "help.tides.board")
            RequestAutoSave()
            -- The first page of the loading menu: the office's story read.
            Save("0.xml")
            scene.say("next: the tide table on the quay")
        end
    end)
end
