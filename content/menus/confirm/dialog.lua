-- What every confirmation dialog shares: a veil over the screen, a panel,
-- the message (a text layout named after its localisation key, which the
-- game fills), a "yes" button and, unless the dialog is a notice, a "no"
-- button, each with its three captions. The dialog files call
-- ConfirmDialog(key, withNo).
textAttributs = '<section style="center" /><color r="246" g="236" b="217"/><font file="Common/Fonts/ComicRelief.ttf" size="24" />'
textAttributsDown = '<section style="center" /><color r="242" g="181" b="68"/><font file="Common/Fonts/ComicRelief.ttf" size="24" />'

local function tinted(name, size, color)
    return KaSpriteLayout{
        name = name,
        sizeType = Percent, size = size,
        color = color,
        image = "pictures/white64x64.png",
    }
end

local function button(name, x)
    return KaButtonLayout{
        name = name,
        sizeType = Percent, size = {0.2, 0.08, 1},
        position = {x, 0.62, 0.5},
        upLayout = KaTextLayout{ name = name .. "UpLayout", sizeType = Percent, size = {1, 1, 1} },
        downLayout = KaTextLayout{ name = name .. "DownLayout", sizeType = Percent, size = {1, 1, 1} },
        rollOverLayout = KaTextLayout{ name = name .. "RollOverLayout", sizeType = Percent, size = {1, 1, 1} },
    }
end

function ConfirmDialog(key, withNo)
    local message = KaTextLayout{ name = key, sizeType = Percent, size = {1, 1, 1} }
    local dialog = {
        name = "confirm",
        sizeType = Percent, size = {1, 1, 1},
        tinted("background", {1, 1, 1}, {8, 13, 23, 190}),
        tinted("panel", {0.5, 0.34, 1}, {22, 34, 56, 255}),
        KaLayout{
            name = "text",
            sizeType = Percent, size = {0.9, 0.55, 1},
            position = {0.5, 0.3, 0.5},
            message,
        },
    }
    if withNo then
        table.insert(dialog, button("yes", 0.38))
        table.insert(dialog, button("no", 0.62))
    else
        table.insert(dialog, button("yes", 0.5))
    end
    return KaButtonLayout(dialog)
end
