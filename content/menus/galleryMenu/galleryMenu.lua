-- The movie gallery: one entry per movie, its button named after the movie
-- file; an entry opens once the saved game records the movie as played.
-- While a movie plays, a full-screen button takes every click to end it.
dofile("Inventory/widgets.lua")

local function entry(movie, caption, y)
    return KaLayout{
        sizeType = Percent, size = {0.4, 0.09, 1},
        position = {0.5, y, 0.5},
        TextButton(movie, caption, {1, 1, 1}, {0.5, 0.5, 0.5}, 24),
    }
end

KaLayout{
    name = "galleryMenu",
    sizeType = Percent, size = {1, 1, 1},
    Tinted("veil", {1, 1, 1}, nil, Palette.veil),
    KaTextLayout{
        sizeType = Percent, size = {0.8, 0.1, 1},
        position = {0.5, 0.12, 0.5},
        text = Markup("accent", 40) .. "$(galleryTitle)",
    },
    KaLayout{
        name = "galleryList",
        sizeType = Percent, size = {1, 1, 1},
        entry("movies/QuayDusk.ogv", "$(galleryHarbourMovie)", 0.38),
    },
    TextButton("quitButton", "$(bonusBack)", {0.16, 0.07, 1}, {0.88, 0.93, 0.5}, 22),
    KaButtonLayout{
        name = "videoBackgroundButton",
        sizeType = Percent, size = {1, 1, 1},
        upLayout = Tinted(nil, {1, 1, 1}, nil, {0, 0, 0, 255}),
    },
    KaSpriteLayout{
        name = "video",
        sizeType = Percent, size = {1, 1, 1},
        ratioMode = LetterBox,
    },
    TextButton("skipVideoButton", "$(gallerySkip)", {0.14, 0.07, 1}, {0.9, 0.93, 0.5}, 22),
}
