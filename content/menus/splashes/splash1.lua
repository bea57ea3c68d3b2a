-- The engine's notice.
local picture = KaSpriteLayout{
    name = "enginePicture",
    sizeType = Percent, size = {1, 1, 1},
    ratio = 16 / 9, ratioMode = PanScan,
    image = "./engine.png",
}
local caption = KaTextLayout{
    name = "engineCaption",
    sizeType = Percent, size = {0.8, 0.08, 1},
    position = {0.5, 0.82, 0.5},
    text = '<section style="center" /><color r="246" g="236" b="217"/><font file="Common/Fonts/ProDisplay.ttf" size="28" />$(splashEngine)',
}
KaButtonLayout{
    name = "splash",
    sizeType = Percent, size = {1, 1, 1},
    upLayout = picture,
    picture, caption,
}
