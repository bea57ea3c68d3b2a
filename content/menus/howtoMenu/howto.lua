-- How to play, three pages turned with the pad's shoulder or arrow buttons.
-- Every page and panel text is a text layout named after its localisation
-- key; the game puts the markup below in front of each.
dofile("Inventory/widgets.lua")

textAttributs = Markup("caption", 24, "left")
panelTypo = Markup("accent", 20)

local function page(index, picture, keys)
    -- The panel and the picture first, the texts in front of them; the
    -- page itself is not tinted, so that its texts keep their colours.
    local layout = {
        name = "howtoPage" .. index,
        sizeType = Percent, size = {0.9, 0.74, 1},
        position = {0.5, 0.46, 0.5},
        visible = index == 0,
        Tinted(nil, {1, 1, 1}, nil, Palette.panel),
        KaSpriteLayout{
            sizeType = Percent, size = {0.36, 0.8, 1},
            position = {0.22, 0.5, 0.5},
            ratioMode = LetterBox,
            image = picture,
        },
    }
    for i, key in ipairs(keys) do
        table.insert(layout, KaTextLayout{
            name = key,
            sizeType = Percent, size = {0.5, 0.3, 1},
            position = {0.7, 0.3 + 0.36 * (i - 1), 0.5},
        })
    end
    return KaSpriteLayout(layout)
end

KaLayout{
    name = "menu",
    sizeType = Percent, size = {1, 1, 1},
    Tinted("veil", {1, 1, 1}, nil, Palette.veil),
    KaLayout{
        name = "background",
        sizeType = Percent, size = {1, 1, 1},
        page(0, "menus/bonusmenu/Pim/HarbourOffice.png", {"howtoWalk", "howtoRun"}),
        page(1, "menus/bonusmenu/Pim/FishQuay.png", {"howtoLook", "howtoTalk"}),
        page(2, "menus/bonusmenu/Pim/TideTable.png", {"howtoBag", "howtoSave"}),
    },
    KaLayout{
        name = "panel",
        sizeType = Percent, size = {1, 0.1, 1},
        position = {0.5, 0.93, 0.5},
        KaTextLayout{ name = "howtoTurn", sizeType = Percent, size = {0.45, 1, 1}, position = {0.28, 0.5, 0.5} },
        KaTextLayout{ name = "howtoBack", sizeType = Percent, size = {0.45, 1, 1}, position = {0.74, 0.5, 0.5} },
    },
}
