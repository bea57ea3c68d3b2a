-- The tutorial over the options screen: one card a page, in "background"
-- (its children are the pages, "page1" to "page3"); a click on a page shows
-- the next one, and on the last closes the tutorial.
dofile("menus/mainMenu/style.lua")

local pages = {
    {"tutoWalkTitle", "tutoWalkText", "pictures/cursor.png", "tutoNext"},
    {"tutoLookTitle", "tutoLookText", "menus/inGame/markersOn.png", "tutoNext"},
    {"tutoSatchelTitle", "tutoSatchelText", "menus/inGame/satchel.png", "tutoClose"},
}

local background = {
    name = "background",
    sizeType = Percent, size = {1, 1, 1},
}
for i, page in ipairs(pages) do
    table.insert(background, KaButtonLayout{
        name = "page" .. i,
        sizeType = Percent, size = {0.56, 0.5, 1},
        position = {0.5, 0.5, 0.5},
        Tinted("page" .. i .. "Card", {1, 1, 1}, {0.5, 0.5, 0.5}, Palette.cream),
        Tinted("page" .. i .. "Edge", {1, 0.02, 1}, {0.5, 0.01, 0.5}, Palette.amber),
        KaSpriteLayout{
            name = "page" .. i .. "Icon",
            sizeType = Percent, size = {0.16, 0.28, 1},
            position = {0.14, 0.42, 0.5},
            ratioMode = LetterBox,
            image = page[3],
        },
        KaTextLayout{
            name = "page" .. i .. "Title",
            sizeType = Percent, size = {0.66, 0.12, 1},
            position = {0.6, 0.16, 0.5},
            text = Typo("left", Palette.navy, "CHAUCER.TTF", 34) .. '$(' .. page[1] .. ')',
        },
        KaTextLayout{
            name = "page" .. i .. "Text",
            sizeType = Percent, size = {0.66, 0.5, 1},
            position = {0.6, 0.52, 0.5},
            text = Typo("left", Palette.navy, "ProDisplay.ttf", 20) .. '$(' .. page[2] .. ')',
        },
        KaTextLayout{
            name = "page" .. i .. "Hint",
            sizeType = Percent, size = {0.9, 0.08, 1},
            position = {0.5, 0.9, 0.5},
            text = Typo("right", {39, 85, 97}, "ProDisplay.ttf", 16) .. '$(' .. page[4] .. ') ' .. i .. '/' .. #pages,
        },
    })
end

KaButtonLayout{
    name = "tuto",
    sizeType = Percent, size = {1, 1, 1},
    Tinted("tutoVeil", {1, 1, 1}, {0.5, 0.5, 0.5}, Palette.ink, 170),
    KaLayout(background),
}
