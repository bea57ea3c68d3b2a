-- One carried object: its icon ("upLayout", filled by the game) on a button
-- that fills most of its slot.
dofile("Inventory/widgets.lua")

KaButtonLayout{
    name = "object",
    sizeType = Percent, size = {0.82, 0.82, 1},
    upLayout = KaSpriteLayout{
        name = "upLayout",
        sizeType = Percent, size = {1, 1, 1},
        ratioMode = LetterBox,
    },
}
