-- The inventory: a navy panel under the menu bar with eight slots (one
-- page of four by two), the selected object's name and description on the
-- right, and the buttons to read it, to open the phone, to close the panel
-- and to go back to the main menu. The veil around the panel closes it.
dofile("Inventory/widgets.lua")

-- Put in front of every object's label.
textAttributs = Markup("accent", 22)

local columns, rows = 4, 2

local function slots()
    local page = {
        name = "page0",
        sizeType = Percent, size = {0.6, 0.64, 1},
        position = {0.33, 0.48, 0.5},
    }
    for row = 0, rows - 1 do
        for column = 0, columns - 1 do
            local index = row * columns + column
            local x = (column + 0.5) / columns
            local y = (row + 0.5) / rows
            table.insert(page, KaLayout{
                name = "page0Slot" .. index,
                sizeType = Percent, size = {0.23, 0.46, 1},
                position = {x, y, 0.5},
                KaSpriteLayout{
                    name = "page0Slot" .. index .. "Frame",
                    sizeType = Percent, size = {1, 1, 1},
                    ratioMode = LetterBox,
                    image = "Inventory/slot.png",
                },
            })
        end
    end
    -- Above the slots: the frame the game moves onto the chosen one.
    table.insert(page, KaSpriteLayout{
        name = "selectionSprite",
        sizeType = Percent, size = {0.23, 0.46, 1},
        position = {0.125, 0.25, 0.5},
        ratioMode = LetterBox,
        visible = false,
        image = "Inventory/selection.png",
    })
    return KaLayout(page)
end

KaLayout{
    name = "inventory",
    sizeType = Percent, size = {1, 1, 1},
    -- Everything under the menu bar, around the panel.
    KaButtonLayout{
        name = "quitBackground",
        sizeType = Percent, size = {1, 0.91, 1},
        position = {0.5, 0.545, 0.5},
        upLayout = Tinted("veil", {1, 1, 1}, nil, Palette.veil),
    },
    -- A button with no action, so that clicks on the panel stay on it.
    KaButtonLayout{
        name = "panel",
        sizeType = Percent, size = {0.74, 0.68, 1},
        position = {0.5, 0.52, 0.5},
        upLayout = Tinted("panelPlate", {1, 1, 1}, nil, Palette.panel),
        Tinted("panelRule", {0.94, 0.004, 1}, {0.5, 0.12, 0.5}, {242, 181, 68, 200}),
        KaTextLayout{
            name = "title",
            sizeType = Percent, size = {0.5, 0.08, 1},
            position = {0.28, 0.065, 0.5},
            text = Markup("caption", 30, "left") .. "$(inventoryTitle)",
        },
        PictureButton("mainMenuButton", "Inventory/home.png", {0.05, 0.09, 1}, {0.9, 0.065, 0.5}),
        PictureButton("quitButton", "Inventory/close.png", {0.05, 0.09, 1}, {0.96, 0.065, 0.5}),
        slots(),
        -- The chosen object's label, under the slots (the labels sit on
        -- this layout's bottom-right corner).
        KaLayout{
            name = "textObject",
            sizeType = Percent, size = {0.3, 0.07, 1},
            position = {0.18, 0.835, 0.5},
        },
        KaTextLayout{
            name = "text",
            sizeType = Percent, size = {0.3, 0.5, 1},
            position = {0.81, 0.42, 0.5},
        },
        TextButton("lire", "$(inventoryRead)", {0.14, 0.09, 1}, {0.73, 0.89, 0.5}, 22),
        TextButton("cellphone", "$(inventoryPhone)", {0.14, 0.09, 1}, {0.89, 0.89, 0.5}, 22),
        TextButton("prendre", "$(inventoryTake)", {0.14, 0.09, 1}, {0.57, 0.89, 0.5}, 22),
        -- Shown at the first opening of a new game only.
        KaButtonLayout{
            name = "Aide",
            sizeType = Percent, size = {0.44, 0.08, 1},
            position = {0.3, 0.94, 0.5},
            upLayout = KaTextLayout{
                name = "aideText",
                sizeType = Percent, size = {1, 1, 1},
                text = Markup("dim", 18, "left") .. "$(inventoryHelp)",
            },
        },
    },
}
