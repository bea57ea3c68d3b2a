-- Over scene 01010, above the characters: the place's name on a navy tab in
-- the top-left corner (the localised text "place01010").
KaLayout{
    name = "background",
    sizeType = Percent, size = {1, 1, 1},
    KaSpriteLayout{
        name = "placeTab",
        sizeType = Percent, size = {0.34, 0.06, 1},
        position = {0.18, 0.045, 0.5},
        color = {15, 26, 46, 200},
        image = "pictures/white64x64.png",
    },
    KaTextLayout{
        name = "placeName",
        sizeType = Percent, size = {0.32, 0.05, 1},
        position = {0.18, 0.045, 0.5},
        text = '<section style="left" /><color r="246" g="236" b="217"/>'
            .. '<font file="Common/Fonts/ProDisplay.ttf" size="22" />$(place01010)',
    },
}
