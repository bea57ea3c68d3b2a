-- The menu bar over the inventory and the documents: the two tabs on the
-- left (the open one amber), the way back to the main menu and the way back
-- to the scene on the right. The bar's empty part also closes the menu.
dofile("Inventory/widgets.lua")

KaLayout{
    name = "inventoryMenu",
    sizeType = Percent, size = {1, 1, 1},
    KaButtonLayout{
        name = "quitBackground",
        sizeType = Percent, size = {1, 0.09, 1},
        position = {0.5, 0.045, 0.5},
        upLayout = Tinted("bar", {1, 1, 1}, nil, Palette.bar),
    },
    Tinted("barRule", {1, 0.004, 1}, {0.5, 0.09, 0.5}, {242, 181, 68, 200}),
    TextButton("inventoryButton", "$(menuInventory)", {0.15, 0.062, 1}, {0.1, 0.045, 0.5}, 22, true),
    TextButton("documentsButton", "$(menuDocuments)", {0.15, 0.062, 1}, {0.26, 0.045, 0.5}, 22, true),
    -- Wide enough for "Menu principal" on one line.
    TextButton("mainMenuButton", "$(menuMainMenu)", {0.19, 0.062, 1}, {0.72, 0.045, 0.5}, 22),
    TextButton("quitButton", "$(menuBackToGame)", {0.15, 0.062, 1}, {0.9, 0.045, 0.5}, 22),
}
