-- What every confirmation dialog shares: a veil over the screen, a panel
-- holding the message (a text layout named after its localisation key,
-- which the game fills and wraps to the panel's width) and, at the panel's
-- foot, a "yes" button and, unless the dialog is a notice, a "no" button,
-- each with its three captions. The dialog files call
-- ConfirmDialog(key, withNo); a notice's single button reads as an
-- acknowledgement ("noticeButton") rather than as an answer.
textAttributs = '<section style="center" /><color r="246" g="236" b="217"/><font file="Common/Fonts/ComicRelief.ttf" size="24" />'
textAttributsDown = '<section style="center" /><color r="242" g="181" b="68"/><font file="Common/Fonts/ComicRelief.ttf" size="24" />'
textAttributsRollOver = textAttributsDown

local function tinted(name, size, color, position)
    return KaSpriteLayout{
        name = name,
        sizeType = Percent, size = size,
        position = position,
        color = color,
        image = "pictures/white64x64.png",
    }
end

-- A button and the plate under it (a sibling drawn first: inside the
-- button it would be drawn over the captions).
local function button(dialog, name, x)
    local size, position = {0.18, 0.075, 1}, {x, 0.6, 0.5}
    table.insert(dialog, tinted(name .. "Plate", size, {46, 66, 100, 255}, position))
    table.insert(dialog, KaButtonLayout{
        name = name,
        sizeType = Percent, size = size,
        position = position,
        upLayout = KaTextLayout{ name = name .. "UpLayout", sizeType = Percent, size = {1, 1, 1}, wrapMode = SingleLine },
        downLayout = KaTextLayout{ name = name .. "DownLayout", sizeType = Percent, size = {1, 1, 1}, wrapMode = SingleLine },
        rollOverLayout = KaTextLayout{ name = name .. "RollOverLayout", sizeType = Percent, size = {1, 1, 1}, wrapMode = SingleLine },
    })
end

function ConfirmDialog(key, withNo)
    local message = KaTextLayout{ name = key, sizeType = Percent, size = {1, 1, 1} }
    local dialog = {
        name = "confirm",
        sizeType = Percent, size = {1, 1, 1},
        tinted("background", {1, 1, 1}, {8, 13, 23, 190}),
        tinted("panel", {0.5, 0.36, 1}, {22, 34, 56, 255}, {0.5, 0.5, 0.5}),
        KaLayout{
            name = "text",
            sizeType = Percent, size = {0.44, 0.2, 1},
            position = {0.5, 0.43, 0.5},
            message,
        },
    }
    yesCaption = withNo and "okButton" or "noticeButton"
    if withNo then
        button(dialog, "yes", 0.385)
        button(dialog, "no", 0.615)
    else
        button(dialog, "yes", 0.5)
    end
    return KaButtonLayout(dialog)
end
