-- The help options screen, over the menu video: the ways to learn the game.
-- Its buttons are not wired to anything yet.
dofile("Inventory/widgets.lua")

KaLayout{
    name = "menu",
    sizeType = Percent, size = {1, 1, 1},
    Tinted("veil", {1, 1, 1}, nil, Palette.veil),
    KaTextLayout{
        sizeType = Percent, size = {0.8, 0.1, 1},
        position = {0.5, 0.18, 0.5},
        text = Markup("accent", 40) .. "$(helpOptionsTitle)",
    },
    TextButton("howtoButton", "$(helpOptionsHowTo)", {0.3, 0.08, 1}, {0.5, 0.42, 0.5}, 24),
    TextButton("tutorialButton", "$(helpOptionsTutorial)", {0.3, 0.08, 1}, {0.5, 0.54, 0.5}, 24),
    TextButton("backButton", "$(bonusBack)", {0.16, 0.07, 1}, {0.88, 0.93, 0.5}, 22),
}
