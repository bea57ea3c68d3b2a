-- The options screen over the menu video: the four volumes, each a row of
-- ten gauge marks between a minus and a plus button (the lit mark shows
-- the volume; none is lit at full volume), then the tutorial, the credits
-- and the way back.
dofile("menus/mainMenu/style.lua")

musicPath = "menus/music/menu.ogg"
dialogTestPath = "menus/options/dialogTest.ogg"
videoTestPath = "menus/options/videoTest.ogg"

local marks = 10

local function roundButton(name, picture, x, y)
    return KaButtonLayout{
        name = name,
        sizeType = Percent, size = {0.05, 0.0667, 1},
        position = {x, y, 0.5},
        upLayout = KaSpriteLayout{ name = name .. "Up", sizeType = Percent, size = {1, 1, 1},
            image = "menus/options/" .. picture .. ".png" },
        rollOverLayout = KaSpriteLayout{ name = name .. "RollOver", sizeType = Percent, size = {1, 1, 1},
            image = "menus/options/" .. picture .. "Over.png" },
        downLayout = KaSpriteLayout{ name = name .. "Down", sizeType = Percent, size = {1, 1, 1},
            image = "menus/options/" .. picture .. "Over.png" },
    }
end

local function mark(name, picture, x, y)
    return KaSpriteLayout{
        name = name,
        sizeType = Percent, size = {0.022, 0.075, 1},
        position = {x, y, 0.5},
        image = "menus/options/" .. picture .. ".png",
    }
end

local function volumeRow(channel, key, y)
    local row = {
        name = channel .. "Row",
        sizeType = Percent, size = {1, 1, 1},
        KaTextLayout{
            name = channel .. "Label",
            sizeType = Percent, size = {0.22, 0.06, 1},
            position = {0.22, y, 0.5},
            text = Typo("left", Palette.cream, "ProDisplay.ttf", 26) .. '$(' .. key .. ')',
        },
        roundButton(channel .. "VolumeMinusButton", "minus", 0.39, y),
        roundButton(channel .. "VolumePlusButton", "plus", 0.79, y),
    }
    for i = 0, marks - 1 do
        local x = 0.45 + i * 0.0311
        table.insert(row, mark(channel .. "VolumeSprite" .. i .. "Off", "gaugeOff", x, y))
        table.insert(row, mark(channel .. "VolumeSprite" .. i, "gaugeOn", x, y))
    end
    return KaLayout(row)
end

KaLayout{
    name = "menu2",
    sizeType = Percent, size = {1, 1, 1},
    Tinted("veil", {1, 1, 1}, {0.5, 0.5, 0.5}, Palette.navy, 235),
    Tinted("header", {1, 0.006, 1}, {0.5, 0.17, 0.5}, Palette.amber),
    KaTextLayout{
        name = "title",
        sizeType = Percent, size = {0.6, 0.1, 1},
        position = {0.5, 0.1, 0.5},
        text = Typo("center", Palette.cream, "CHAUCER.TTF", 48) .. '$(optionsTitle)',
    },
    volumeRow("sfx", "optionsSfx", 0.28),
    volumeRow("music", "optionsMusic", 0.40),
    volumeRow("dialog", "optionsDialog", 0.52),
    volumeRow("video", "optionsVideo", 0.64),
    TextButton("tutoButton", "optionsTutorial", {0.22, 0.07, 1}, {0.25, 0.82, 0.5}, 28, "center"),
    TextButton("creditsButton", "optionsCredits", {0.22, 0.07, 1}, {0.5, 0.82, 0.5}, 28, "center"),
    TextButton("quitButton", "optionsBack", {0.22, 0.07, 1}, {0.75, 0.82, 0.5}, 28, "center"),
}
