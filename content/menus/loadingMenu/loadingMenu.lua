-- The load-game screen: the harbour at night behind a strip of four logbook
-- pages, one per save slot ("0" to "3", each laid in "slot0" to "slot3").
-- A page with a saved game is drawn whole; the page of an empty slot is
-- faded and cannot be chosen. Dragging sideways slides the strip by one page
-- ("slideAnimation" moves "slots" by 0.3) and the caption under it ("text")
-- names the page in front, on a plate shown only under a name. The arrow at the top left goes back to the menu.
dofile("Inventory/widgets.lua")

-- The caption's markup, put before the localised name of the slot.
textAttributs = Markup("caption", 30)

local function page(i)
    -- The page's number hangs on the picture itself, so that it stays on
    -- the page's blank head, between the clasp and the first ruled line,
    -- whatever the window's shape.
    local card = function(picture, color)
        return KaLayout{
            sizeType = Percent, size = {1, 1, 1},
            KaSpriteLayout{
                sizeType = Percent, size = {1, 1, 1},
                ratioMode = LetterBox,
                color = color,
                image = picture,
                KaTextLayout{
                    sizeType = Percent, size = {0.6, 0.12, 1},
                    position = {0.5, 0.2, 0.5},
                    text = Markup("chosen", 28) .. (i + 1),
                },
            },
        }
    end
    return KaButtonLayout{
        name = tostring(i),
        sizeType = Percent, size = {1, 1, 1},
        upLayout = card("menus/loadingMenu/slot.png"),
        rollOverLayout = card("menus/loadingMenu/slot.png", {255, 236, 200, 255}),
        downLayout = card("menus/loadingMenu/slot.png", {242, 181, 68, 255}),
        disabledLayout = card("menus/loadingMenu/slotEmpty.png"),
    }
end

local function slot(i)
    return KaLayout{
        name = "slot" .. i,
        sizeType = Percent, size = {0.22, 0.9, 1},
        position = {0.5 + 0.3 * i, 0.5, 0.5},
    }
end

-- The strip is as wide as the window it slides in, which clips it: the
-- pages leave by its edges, never by the screen's.
local strip = KaClipLayout{
    name = "window",
    sizeType = Percent, size = {0.92, 0.56, 1},
    position = {0.5, 0.47, 0.5},
    KaLayout{
        name = "slots",
        sizeType = Percent, size = {1, 1, 1},
        position = {0.5, 0.5, 0.5},
        slot(0), slot(1), slot(2), slot(3),
    },
}

KaLayoutPositionLinearAnimation{
    name = "slideAnimation",
    duration = 300,
    curve = {0, 0.6, 0.9, 1},
}

-- The buttons live in the strip through their slots; the game places them.
page(0) page(1) page(2) page(3)

KaLayout{
    name = "menu",
    sizeType = Percent, size = {1, 1, 1},
    KaSpriteLayout{
        name = "background",
        sizeType = Percent, size = {1, 1, 1},
        ratio = 16 / 9, ratioMode = PanScan,
        image = "menus/loadingMenu/background.png",
    },
    Tinted("veil", {1, 0.16, 1}, {0.5, 0.08, 0.5}, Palette.bar),
    Tinted("rule", {1, 0.004, 1}, {0.5, 0.16, 0.5}, {242, 181, 68, 200}),
    KaTextLayout{
        name = "title",
        sizeType = Percent, size = {0.6, 0.1, 1},
        position = {0.5, 0.08, 0.5},
        text = Markup("caption", 40) .. "$(loadTitle)",
    },
    PictureButton("quitButton", "menus/loadingMenu/back.png", {0.1, 0.1, 1}, {0.07, 0.08, 0.5}),
    strip,
    Tinted("captionPlate", {0.5, 0.09, 1}, {0.5, 0.86, 0.5}, Palette.panel),
    KaTextLayout{
        name = "text",
        sizeType = Percent, size = {0.48, 0.08, 1},
        position = {0.5, 0.86, 0.5},
    },
    KaTextLayout{
        name = "hint",
        sizeType = Percent, size = {0.8, 0.05, 1},
        position = {0.5, 0.95, 0.5},
        text = Markup("dim", 20) .. "$(loadHint)",
    },
}
