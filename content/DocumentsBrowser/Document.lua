-- One document in a slot of the documents browser: its icon, which the
-- game loads into "upLayout", over its name, which the game writes into
-- "text". The whole slot is the button.
KaButtonLayout{
    name = "object",
    sizeType = Percent, size = {1, 1, 1},
    upLayout = KaSpriteLayout{
        name = "upLayout",
        sizeType = Percent, size = {0.8, 0.72, 1},
        position = {0.5, 0.4, 0.5},
        ratioMode = LetterBox,
    },
    KaTextLayout{
        name = "text",
        sizeType = Percent, size = {1, 0.2, 1},
        position = {0.5, 0.9, 0.5},
    },
}
