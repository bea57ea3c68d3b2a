-- The main menu, drawn over the menu video: the game's name and the six
-- buttons on a navy column at the left, a note at the bottom right (the
-- "panel", whose text layouts are named after their localisation keys) and
-- the version number in the bottom-left corner.
dofile("menus/mainMenu/style.lua")

musicPath = "menus/music/menu.ogg"
panelTypo = Typo("left", Palette.cream, "ProDisplay.ttf", 17)

local buttons = {
    {"newGameButton", "menuNewGame"},
    {"continueGameButton", "menuContinue"},
    {"loadGameButton", "menuLoad"},
    {"optionsButton", "menuOptions"},
    {"galleryButton", "menuGallery"},
    {"quitButton", "menuQuit"},
}

local menu = {
    name = "menu",
    sizeType = Percent, size = {1, 1, 1},
    Tinted("column", {0.36, 1, 1}, {0.18, 0.5, 0.5}, Palette.navy, 240),
    Tinted("columnEdge", {0.005, 1, 1}, {0.3625, 0.5, 0.5}, Palette.amber),
    KaTextLayout{
        name = "title",
        sizeType = Percent, size = {0.3, 0.1, 1},
        position = {0.18, 0.12, 0.5},
        text = Typo("left", Palette.cream, "CHAUCER.TTF", 52) .. '$(menuTitle)',
    },
    KaTextLayout{
        name = "subtitle",
        sizeType = Percent, size = {0.32, 0.05, 1},
        position = {0.19, 0.2, 0.5},
        text = Typo("left", Palette.amber, "ProDisplay.ttf", 15) .. '$(menuSubtitle)',
    },
    Tinted("panelCard", {0.5, 0.22, 1}, {0.7, 0.84, 0.5}, Palette.ink, 200),
    Tinted("panelEdge", {0.004, 0.22, 1}, {0.4505, 0.84, 0.5}, Palette.teal),
    KaLayout{
        name = "panel",
        sizeType = Percent, size = {0.46, 0.19, 1},
        position = {0.7, 0.84, 0.5},
        KaTextLayout{ name = "menuPanelTitle", sizeType = Percent, size = {1, 0.3, 1}, position = {0.5, 0.12, 0.5} },
        KaTextLayout{ name = "menuPanelText", sizeType = Percent, size = {1, 0.6, 1}, position = {0.5, 0.62, 0.5} },
    },
    KaTextLayout{
        name = "versionNumber",
        sizeType = Percent, size = {0.3, 0.03, 1},
        position = {0.18, 0.965, 0.5},
    },
}
for i, button in ipairs(buttons) do
    table.insert(menu, TextButton(button[1], button[2], {0.28, 0.07, 1}, {0.18, 0.32 + (i - 1) * 0.09, 0.5}, 28))
end
KaLayout(menu)
