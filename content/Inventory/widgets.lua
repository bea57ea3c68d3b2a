-- What the inventory, its menu bar and the phone share: one palette (night
-- navy panels, cream text, amber for what is chosen), two faces (ProDisplay
-- for captions, Colaborate for reading) and the shapes built from them.
Palette = {
    veil = {8, 13, 23, 170},
    bar = {15, 26, 46, 235},
    panel = {22, 34, 56, 240},
    button = {34, 52, 84, 255},
    buttonDown = {242, 181, 68, 255},
    disabled = {34, 52, 84, 110},
}

-- Text markup: caption (cream), chosen (navy on amber), dim (greyed).
function Markup(style, size, align)
    local colors = {
        caption = 'r="246" g="236" b="217"',
        chosen = 'r="15" g="26" b="46"',
        dim = 'r="130" g="140" b="158"',
        accent = 'r="242" g="181" b="68"',
    }
    return '<section style="' .. (align or "center") .. '" /><color ' .. colors[style] .. '/>'
        .. '<font file="Common/Fonts/ProDisplay.ttf" size="' .. size .. '" />'
end

-- A flat rectangle of one colour (the white picture tinted).
function Tinted(name, size, position, color)
    return KaSpriteLayout{
        name = name,
        sizeType = Percent, size = size,
        position = position or {0.5, 0.5, 0.5},
        color = color,
        image = "pictures/white64x64.png",
    }
end

-- One state of a text button: its plate and its caption.
local function face(color, style, caption, size)
    return KaLayout{
        sizeType = Percent, size = {1, 1, 1},
        Tinted(nil, {1, 1, 1}, nil, color),
        KaTextLayout{
            sizeType = Percent, size = {0.94, 0.7, 1},
            text = Markup(style, size) .. caption,
        },
    }
end

-- A text button; caption is markup text (a "$(key)" is localised). The
-- disabled face is the "chosen" look when marksChoice is set (the tab that
-- is open), else a greyed one.
function TextButton(name, caption, size, position, fontSize, marksChoice)
    local disabled
    if marksChoice then
        disabled = face(Palette.buttonDown, "chosen", caption, fontSize)
    else
        disabled = face(Palette.disabled, "dim", caption, fontSize)
    end
    return KaButtonLayout{
        name = name,
        sizeType = Percent, size = size,
        position = position,
        upLayout = face(Palette.button, "caption", caption, fontSize),
        downLayout = face(Palette.buttonDown, "chosen", caption, fontSize),
        rollOverLayout = face({52, 78, 122, 255}, "caption", caption, fontSize),
        disabledLayout = disabled,
    }
end

-- A button showing a painted picture, kept square.
function PictureButton(name, picture, size, position)
    return KaButtonLayout{
        name = name,
        sizeType = Percent, size = size,
        position = position,
        upLayout = KaSpriteLayout{
            sizeType = Percent, size = {1, 1, 1},
            ratioMode = LetterBox,
            image = picture,
        },
        downLayout = KaSpriteLayout{
            sizeType = Percent, size = {1, 1, 1},
            ratioMode = LetterBox,
            color = {242, 181, 68, 255},
            image = picture,
        },
    }
end
