-- The subtitle panel of the voiced dialog lines. "dialog" covers the whole
-- screen and shows its navy strip along the bottom edge; it slides in from
-- below (its anchor from y = 0, just under the screen, to y = 1) and back
-- out. A click anywhere on it skips the line. "dialogLockButton", under it,
-- keeps the scene from being clicked while a line is shown.

-- The subtitle's look: the line's text replaces the "%s".
textFormat = '<section style="center" /><color r="246" g="236" b="217"/>'
    .. '<font file="Common/Fonts/ComicRelief.ttf" size="24" />%s'

KaButtonLayout{
    name = "dialogLockButton",
    sizeType = Percent, size = {1, 1, 1},
}

KaButtonLayout{
    name = "dialog",
    sizeType = Percent, size = {1, 1, 1},
    position = {0.5, 1, 0.5},
    anchor = {0.5, 0, 0.5},
    KaSpriteLayout{
        name = "dialogStrip",
        sizeType = Percent, size = {0.86, 0.2, 1},
        position = {0.5, 0.875, 0.5},
        color = {22, 34, 56, 225},
        image = "pictures/white64x64.png",
    },
    KaSpriteLayout{
        name = "dialogStripEdge",
        sizeType = Percent, size = {0.86, 0.006, 1},
        position = {0.5, 0.775, 0.5},
        color = {242, 181, 68, 255},
        image = "pictures/white64x64.png",
    },
    KaTextLayout{
        name = "text",
        sizeType = Percent, size = {0.8, 0.16, 1},
        position = {0.5, 0.875, 0.5},
    },
}

KaLayoutAnchorLinearAnimation{
    name = "dialogAnimationUp",
    duration = 300,
    startValue = {0.5, 0, 0.5},
    endValue = {0.5, 1, 0.5},
    curve = {0, 0.55, 0.85, 0.97, 1},
}

KaLayoutAnchorLinearAnimation{
    name = "dialogAnimationDown",
    duration = 250,
    startValue = {0.5, 1, 0.5},
    endValue = {0.5, 0, 0.5},
    curve = {0, 0.03, 0.15, 0.45, 1},
}
