-- A notice at the top of the screen, above the scene and never scaled with
-- it: a navy card with the message and, on its left, a badge that the game
-- replaces with the picture of what the player just got. The game fills
-- "text" with textFormat, "%s" standing for the message, and runs the three
-- phases one after the other on "sprite" (the card with its text) and the
-- three "...Image" phases beside them on "image".
textFormat = '<section style="left" /><color r="246" g="236" b="217"/>'
    .. '<font file="Common/Fonts/ComicRelief.ttf" size="20" />%s'

local hidden = {255, 255, 255, 0}
local shown = {255, 255, 255, 255}

local function phase(name, duration, from, to)
    return KaColorLinearAnimation{
        name = name,
        duration = duration,
        startValue = from,
        endValue = to,
        curve = {0, 1},
    }
end

phase("fadeIn", 350, hidden, shown)
phase("visible", 2600, shown, shown)
phase("fadeOut", 600, shown, hidden)
phase("fadeInImage", 350, hidden, shown)
phase("visibleImage", 2600, shown, shown)
phase("fadeOutImage", 600, shown, hidden)

KaLayout{
    name = "notifier",
    sizeType = Percent, size = {1, 1, 1},
    KaSpriteLayout{
        name = "sprite",
        -- Tall enough for three lines: a notice that says what was
        -- unlocked and where runs to three in French.
        sizeType = Percent, size = {0.36, 0.14, 1},
        -- Under the objectives' and the markers' buttons, right of the
        -- answers' notepad: a choice the player must make stays clear.
        position = {0.77, 0.22, 0.5},
        color = hidden,
        image = "menus/notifier/card.png",
        KaTextLayout{
            name = "text",
            sizeType = Percent, size = {0.7, 0.8, 1},
            position = {0.6, 0.5, 0.5},
        },
    },
    KaSpriteLayout{
        name = "image",
        sizeType = Percent, size = {0.09, 0.12, 1},
        ratio = 1, ratioMode = LetterBox,
        position = {0.64, 0.22, 0.5},
        color = hidden,
        image = "menus/notifier/badge.png",
    },
}
