-- What the game keeps over every scene: the satchel that opens the
-- belongings (bottom right), the switch that shows or hides the scene's
-- markers (top right, beside the objectives' notepad button), the icon of the object in hand, and the movie layers (the movie
-- itself, a click catcher over it, and the button that skips it).
textAttributs = '<section style="left" /><color r="246" g="236" b="217"/><font file="Common/Fonts/arial.ttf" size="14" />'

local function picture(name, file)
    return KaSpriteLayout{ name = name, sizeType = Percent, size = {1, 1, 1}, image = file }
end

KaLayout{
    name = "inGame",
    sizeType = Percent, size = {1, 1, 1},
    KaButtonLayout{
        name = "inventoryButton",
        sizeType = Percent, size = {0.08, 0.08, 1},
        position = {0.93, 0.89, 0.5},
        upLayout = picture("inventoryButtonUp", "menus/inGame/satchel.png"),
        downLayout = KaSpriteLayout{
            name = "inventoryButtonDown",
            sizeType = Percent, size = {0.92, 0.92, 1},
            image = "menus/inGame/satchel.png",
            color = {242, 220, 180, 255},
        },
    },
    KaCheckboxLayout{
        name = "markersVisibleButton",
        sizeType = Percent, size = {0.05, 0.066, 1},
        -- Left of the objectives' notepad button, level with it.
        position = {0.855, 0.09, 0.5},
        activeLayout = picture("markersHidden", "menus/inGame/markersOff.png"),
        unactiveLayout = picture("markersShown", "menus/inGame/markersOn.png"),
    },
    KaSpriteLayout{
        name = "currentObjectSprite",
        sizeType = Percent, size = {0.06, 0.08, 1},
        position = {0.85, 0.9, 0.5},
    },
}

KaLayout{
    name = "videoLayout",
    sizeType = Percent, size = {1, 1, 1},
    KaButtonLayout{
        name = "videoBackgroundButton",
        sizeType = Percent, size = {1, 1, 1},
        upLayout = KaSpriteLayout{
            name = "videoBackground",
            sizeType = Percent, size = {1, 1, 1},
            image = "pictures/black64x64.png",
        },
    },
    KaSpriteLayout{
        name = "video",
        sizeType = Percent, size = {1, 1, 1},
        ratio = 16 / 9, ratioMode = LetterBox,
    },
}

KaLayout{
    name = "videoButtonLayout",
    sizeType = Percent, size = {1, 1, 1},
    KaButtonLayout{
        name = "skipVideoButton",
        sizeType = Percent, size = {0.1, 0.07, 1},
        position = {0.92, 0.92, 0.5},
        upLayout = picture("skipVideoUp", "menus/inGame/skip.png"),
    },
}
