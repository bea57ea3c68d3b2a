-- The harbour-master's office. The harbour master has stepped out; Ansel,
-- his clerk, minds the desk, and the logbook lies open on it. Reading it
-- tells the player where he went. The door leads out to the fish quay
-- (scene 01020).
dofile("scenes/logic.lua")
local scene = SceneScript("01010")

local function offerAnswers()
    if not askedTide then PushAnswer("01010_ANS_TIDE", "menus/answers/01010_ANS_TIDE.lua") end
    if not askedLogbook then PushAnswer("01010_ANS_LOGBOOK", "menus/answers/01010_ANS_LOGBOOK.lua") end
    PushAnswer("01010_ANS_FIN", "menus/answers/Cal_FIN.lua")
end

function OnEnter(previous)
    scene.say("enter from " .. tostring(previous))
    if previous == "01020" then
        scene.place("Zone01010", -240, 380, -90)
        PlaySound("sounds/Effects/Door.ogg", 1, 0.8)
    else
        scene.place("Zone01010", -100, 150, 0)
    end
    -- The logbook's own mesh is for reading, not for walking onto; near the
    -- desk, Mira's eyes go to it.
    AddBlockingObject("ClicLogbook")
    AddAnchorZone("Dummy", "DummyDesk01010", 150)
    LoadCharacter("Ansel")
    SetCharacterPosition("Ansel", "Zone01010", 40, 0, 330)
    SetCharacterOrientation("Ansel", -100, 150)
    SetCharacterLookChar("Ansel", "Mira", false)

    -- The game keeps itself at every change of place.
    RequestAutoSave()

    if not metAnsel then
        SetCondition("metAnsel")
        PushTask("help.logbook.title", "help.logbook.desk")
        -- The greeting's first two lines queue; the wait is for its last.
        LaunchDialog("01010_KA_1", 2)
        LaunchDialogAndWaitForEnd("01010_KA_3", 1)
        offerAnswers()
        scene.say("the clerk waits for an answer")
    end
end

function OnAnswered(answer)
    scene.say("answered " .. tostring(answer))
    if answer == "01010_ANS_TIDE" then
        SetCondition("askedTide")
        LaunchDialogAndWaitForEnd("01010_KA_4", 1)
        offerAnswers()
    elseif answer == "01010_ANS_LOGBOOK" then
        SetCondition("askedLogbook")
        LaunchDialogAndWaitForEnd("01010_KA_5", 1)
        -- The clerk hands over the key of the tide-gauge hut.
        TakeObject("BrassKey")
        scene.say("the clerk hands over the key")
        offerAnswers()
    end
end

function OnWarpObjectHit(name)
    scene.say("hit " .. tostring(name))
    scene.errand(function()
        if name == "ClicDoor01010" then
            scene.walkTo(-280, 0, 380)
            scene.say("out to the quay")
            ChangeWarp("01", "01020", false)
        elseif name == "ClicLogbook" then
            scene.walkTo(160, 0, 290)
            if logbookRead then
                scene.say("the logbook again: \"Gone to check the tide gauge.\"")
                return
            end
            SetCondition("logbookRead")
            scene.say("reading the logbook: \"Gone to check the tide gauge. Back at high water.\"")
            TakeObject("Logbook")
            AddDocument("Logbook")
            DeleteTask("help.logbook.title", "help.logbook.desk")
            -- A moment at the desk before the next task shows.
            WaitAndWaitForEnd(1.0)
            PushTask("help.tides.title", "help.tides.board")
            scene.say("next: the tide table on the quay")
        end
    end)
end
