-- The look the menu screens share (main menu, options, credits): the
-- palette of the game's pictures, the captions' markup and the widgets
-- built from them.
Palette = {
    ink = {8, 13, 23},
    navy = {15, 26, 46},
    teal = {46, 163, 168},
    amber = {242, 181, 68},
    cream = {246, 236, 217},
}

-- The markup prefix of a caption: alignment, colour (with an optional
-- alpha), font file (below "Common/Fonts/") and pixel size.
function Typo(style, color, font, size, alpha)
    local a = alpha and (' a="' .. alpha .. '"') or ''
    return '<section style="' .. style .. '" /><color r="' .. color[1] .. '" g="' .. color[2] .. '" b="' .. color[3]
        .. '"' .. a .. '/><font file="Common/Fonts/' .. font .. '" size="' .. size .. '" />'
end

-- A flat panel: the white picture tinted by its colour.
function Tinted(name, size, position, color, alpha)
    return KaSpriteLayout{
        name = name,
        sizeType = Percent, size = size,
        position = position,
        color = {color[1], color[2], color[3], alpha or 255},
        image = "pictures/white64x64.png",
    }
end

-- A text button: cream, amber under the pointer and while pressed, faded
-- when disabled; a thin teal rule under it.
function TextButton(name, key, size, position, fontSize, style)
    style = style or "left"
    local function caption(state, color, alpha)
        return KaTextLayout{
            name = name .. state,
            sizeType = Percent, size = {1, 1, 1},
            text = Typo(style, color, "ProDisplay.ttf", fontSize, alpha) .. '$(' .. key .. ')',
        }
    end
    return KaButtonLayout{
        name = name,
        sizeType = Percent, size = size,
        position = position,
        upLayout = caption("Up", Palette.cream),
        rollOverLayout = caption("RollOver", Palette.amber),
        downLayout = caption("Down", Palette.amber),
        disabledLayout = caption("Disabled", Palette.cream, 90),
        Tinted(name .. "Rule", {1, 0.04, 1}, {0.5, 0.98, 0.5}, Palette.teal, 160),
    }
end
