-- The documents browser: the papers the player has collected, six to a
-- page on two pages, each page marked by a diode under the panel; and, as a
-- root of its own that the game lays above everything else, "zoomed": one
-- document shown across the screen, scrolling when it is taller than the
-- screen. A click on it turns the page, a double click puts it away.
--
-- The slots must stay empty: the game puts each document into the first
-- slot without a child, so the slot frames are drawn beside them.

local navy = {15, 26, 46, 235}
local frameColor = {246, 236, 217, 40}
local titleText = '<section style="center" /><color r="246" g="236" b="217"/>'
    .. '<font file="Common/Fonts/ProDisplay.ttf" size="30" />'
local hintText = '<section style="center" /><color r="246" g="236" b="217"/>'
    .. '<font file="Common/Fonts/ComicRelief.ttf" size="18" />'

local function tinted(name, size, position, color)
    return KaSpriteLayout{
        name = name,
        sizeType = Percent, size = size,
        position = position,
        color = color,
        image = "pictures/white64x64.png",
    }
end

-- Three columns, two rows, inside the panel.
local function slotPosition(slot)
    local column = slot % 3
    local row = math.floor(slot / 3)
    return {0.23 + column * 0.27, 0.32 + row * 0.4, 0.5}
end

local function page(number)
    local children = {
        name = "page" .. number,
        sizeType = Percent, size = {1, 1, 1},
        visible = number == 0,
    }
    for slot = 0, 5 do
        table.insert(children, KaSpriteLayout{
            name = "page" .. number .. "Frame" .. slot,
            sizeType = Percent, size = {0.22, 0.34, 1},
            position = slotPosition(slot),
            color = frameColor,
            image = "DocumentsBrowser/slot.png",
        })
        table.insert(children, KaLayout{
            name = "page" .. number .. "Slot" .. slot,
            sizeType = Percent, size = {0.2, 0.32, 1},
            position = slotPosition(slot),
        })
    end
    return KaLayout(children)
end

-- A page indicator: lit while its page is away, dimmed (disabled) while
-- its page is the one shown.
local function diode(number)
    return KaButtonLayout{
        name = "diode" .. number,
        sizeType = Percent, size = {0.025, 0.04, 1},
        position = {0.485 + number * 0.03, 0.86, 0.5},
        ratioMode = LetterBox,
        upLayout = KaSpriteLayout{
            name = "diode" .. number .. "Up",
            sizeType = Percent, size = {1, 1, 1},
            image = "DocumentsBrowser/diode.png",
            color = {246, 236, 217, 140},
        },
        disabledLayout = KaSpriteLayout{
            name = "diode" .. number .. "Disabled",
            sizeType = Percent, size = {1, 1, 1},
            image = "DocumentsBrowser/diode.png",
            color = {242, 181, 68, 255},
        },
    }
end

local function arrow(name, image, x)
    return KaButtonLayout{
        name = name,
        sizeType = Percent, size = {0.06, 0.1, 1},
        position = {x, 0.5, 0.5},
        ratioMode = LetterBox,
        upLayout = KaSpriteLayout{
            name = name .. "Up",
            sizeType = Percent, size = {1, 1, 1},
            image = image,
            color = {246, 236, 217, 255},
        },
        downLayout = KaSpriteLayout{
            name = name .. "Down",
            sizeType = Percent, size = {1, 1, 1},
            image = image,
            color = {242, 181, 68, 255},
        },
        rollOverLayout = KaSpriteLayout{
            name = name .. "RollOver",
            sizeType = Percent, size = {1, 1, 1},
            image = image,
            color = {46, 163, 168, 255},
        },
    }
end

KaLayout{
    name = "documentBrowser",
    sizeType = Percent, size = {1, 1, 1},
    tinted("panel", {0.84, 0.8, 1}, {0.5, 0.52, 0.5}, navy),
    tinted("titleBand", {0.84, 0.08, 1}, {0.5, 0.16, 0.5}, {242, 181, 68, 255}),
    KaTextLayout{
        name = "title",
        sizeType = Percent, size = {0.8, 0.07, 1},
        position = {0.5, 0.16, 0.5},
        text = titleText .. "$(menuDocuments)",
    },
    KaLayout{
        name = "pages",
        sizeType = Percent, size = {0.7, 0.62, 1},
        position = {0.5, 0.52, 0.5},
        page(0),
        page(1),
    },
    arrow("previousPage", "DocumentsBrowser/arrowLeft.png", 0.12),
    arrow("nextPage", "DocumentsBrowser/arrowRight.png", 0.88),
    diode(0),
    diode(1),
}

KaButtonLayout{
    name = "zoomed",
    sizeType = Percent, size = {1, 1, 1},
    tinted("zoomedVeil", {1, 1, 1}, {0.5, 0.5, 0.5}, {8, 13, 23, 230}),
    KaScrollingLayout{
        name = "scroll",
        sizeType = Percent, size = {1, 1, 1},
        direction = {0, 1, 0},
        autoScrollDelay = 2500,
        contentLayout = KaSpriteLayout{
            name = "zoomedSprite",
            sizeType = Percent, size = {1, 1, 1},
            positionType = Percent, position = {0.5, 0.5, 0.5},
        },
    },
    tinted("hintBand", {1, 0.05, 1}, {0.5, 0.975, 0.5}, {15, 26, 46, 200}),
    -- Two instructions, each in its own half of the band, a dot between.
    KaTextLayout{
        name = "hint",
        sizeType = Percent, size = {0.46, 0.04, 1},
        position = {0.26, 0.975, 0.5},
        text = hintText .. "$(docHintNext)",
    },
    tinted("hintSeparator", {0.006, 0.008, 1}, {0.5, 0.975, 0.5}, {242, 181, 68, 255}),
    KaTextLayout{
        name = "hintClose",
        sizeType = Percent, size = {0.46, 0.04, 1},
        position = {0.74, 0.975, 0.5},
        text = hintText .. "$(docHintClose)",
    },
}
