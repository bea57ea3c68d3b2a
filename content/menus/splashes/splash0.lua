-- The studio's mark, and its name under it. The whole screen is the button
-- "splash": a click anywhere skips the sequence.
local picture = KaSpriteLayout{
    name = "studioPicture",
    sizeType = Percent, size = {1, 1, 1},
    ratio = 16 / 9, ratioMode = PanScan,
    image = "./studio.png",
}
local caption = KaTextLayout{
    name = "studioCaption",
    sizeType = Percent, size = {0.8, 0.08, 1},
    position = {0.5, 0.82, 0.5},
    text = '<section style="center" /><color r="246" g="236" b="217"/><font file="Common/Fonts/ProDisplay.ttf" size="36" />$(splashStudio)',
}
KaButtonLayout{
    name = "splash",
    sizeType = Percent, size = {1, 1, 1},
    upLayout = picture,
    picture, caption,
}
