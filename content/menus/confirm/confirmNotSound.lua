-- A notice with one button: no sound device.
textAttributs = '<section style="center" /><color r="246" g="236" b="217"/><font file="Common/Fonts/ComicRelief.ttf" size="24" />'
textAttributsDown = '<section style="center" /><color r="242" g="181" b="68"/><font file="Common/Fonts/ComicRelief.ttf" size="24" />'

local background = KaSpriteLayout{
    name = "background",
    sizeType = Percent, size = {1, 1, 1},
    color = {8, 13, 23, 190},
    image = "pictures/white64x64.png",
}
local panel = KaSpriteLayout{
    name = "panel",
    sizeType = Percent, size = {0.5, 0.34, 1},
    color = {22, 34, 56, 255},
    image = "pictures/white64x64.png",
}
local message = KaTextLayout{
    name = "confirmNotSound",
    sizeType = Percent, size = {1, 1, 1},
}
local text = KaLayout{
    name = "text",
    sizeType = Percent, size = {0.9, 0.55, 1},
    position = {0.5, 0.3, 0.5},
    message,
}

local yesUp = KaTextLayout{ name = "yesUpLayout", sizeType = Percent, size = {1, 1, 1} }
local yesDown = KaTextLayout{ name = "yesDownLayout", sizeType = Percent, size = {1, 1, 1} }
local yesRollOver = KaTextLayout{ name = "yesRollOverLayout", sizeType = Percent, size = {1, 1, 1} }
local yes = KaButtonLayout{
    name = "yes",
    sizeType = Percent, size = {0.2, 0.08, 1},
    position = {0.5, 0.62, 0.5},
    upLayout = yesUp, downLayout = yesDown, rollOverLayout = yesRollOver,
}

KaButtonLayout{
    name = "confirm",
    sizeType = Percent, size = {1, 1, 1},
    background, panel, text, yes,
}
