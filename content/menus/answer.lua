-- The answer choices: a veil over the scene and the player's notepad, on
-- which the game stacks the answers (each its own file under
-- "menus/answers/") in "Calepin", from y = 0.14 down, 0.08 apart. Ordinary
-- answers are centred at x = 0.3 and 0.45 wide; the one that ends the
-- conversation ("Cal_FIN.lua") is small, at x = 0.15.
KaButtonLayout{
    name = "background",
    sizeType = Percent, size = {1, 1, 1},
    KaSpriteLayout{
        name = "answerVeil",
        sizeType = Percent, size = {1, 1, 1},
        color = {8, 13, 23, 120},
        image = "pictures/white64x64.png",
    },
    -- The notepad's page, behind the answers it holds.
    KaSpriteLayout{
        name = "answerPage",
        sizeType = Percent, size = {0.56, 0.62, 1},
        position = {0.3, 0.37, 0.5},
        color = {246, 236, 217, 245},
        image = "pictures/white64x64.png",
    },
    KaSpriteLayout{
        name = "answerPageBinding",
        sizeType = Percent, size = {0.56, 0.025, 1},
        position = {0.3, 0.07, 0.5},
        color = {22, 34, 56, 255},
        image = "pictures/white64x64.png",
    },
    KaSpriteLayout{
        name = "Calepin",
        sizeType = Percent, size = {1, 1, 1},
    },
}
