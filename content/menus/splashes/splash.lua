-- What every splash shares: a full-screen picture and a caption under it
-- (a localisation key), the whole screen being the button "splash" that a
-- click skips the sequence with. The numbered files call Splash().
function Splash(picture, key, fontSize)
    local image = KaSpriteLayout{
        name = "picture",
        sizeType = Percent, size = {1, 1, 1},
        ratio = 16 / 9, ratioMode = PanScan,
        image = picture,
    }
    local caption = KaTextLayout{
        name = "caption",
        sizeType = Percent, size = {0.8, 0.08, 1},
        position = {0.5, 0.82, 0.5},
        text = '<section style="center" /><color r="246" g="236" b="217"/>'
            .. '<font file="Common/Fonts/ProDisplay.ttf" size="' .. fontSize .. '" />$(' .. key .. ')',
    }
    return KaButtonLayout{
        name = "splash",
        sizeType = Percent, size = {1, 1, 1},
        upLayout = image,
        caption,
    }
end
