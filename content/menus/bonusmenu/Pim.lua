-- The harbour's gallery: four pictures on a strip that slides one picture
-- at a time (the arrows, or a drag across the strip), the caption of the
-- centred one, and the picture full screen when it is clicked.
--
-- A picture button's faces come first (up, down, roll-over, sealed); its
-- fifth child is a hidden sprite named after the artwork that unlocks it,
-- holding the picture shown full screen.
dofile("Inventory/widgets.lua")

-- The strip's step, in fractions of its width: the holders stand that far
-- apart. The strip is as wide as its frame ("window", which clips it
-- between the arrows), so a slide moves it by exactly one holder.
slideTranslation = 0.36

-- Put in front of the caption of the centred picture.
textAttributs = Markup("caption", 26)

local function picture(index, artwork, file)
    local function face(color)
        return KaLayout{
            sizeType = Percent, size = {1, 1, 1},
            Tinted(nil, {1, 1, 1}, nil, color),
            KaSpriteLayout{
                sizeType = Percent, size = {0.94, 0.92, 1},
                ratioMode = LetterBox,
                image = file,
            },
        }
    end
    return KaButtonLayout{
        name = tostring(index),
        upLayout = face(Palette.button),
        downLayout = face(Palette.buttonDown),
        rollOverLayout = face({52, 78, 122, 255}),
        disabledLayout = KaSpriteLayout{
            sizeType = Percent, size = {1, 1, 1},
            image = "menus/bonusmenu/sealed.png",
        },
        KaSpriteLayout{
            name = artwork,
            sizeType = Percent, size = {1, 1, 1},
            visible = false,
            image = file,
        },
    }
end

local function holder(index)
    return KaLayout{
        name = "slot" .. index,
        sizeType = Percent, size = {0.3, 0.7, 1},
        position = {0.5 + slideTranslation * index, 0.5, 0.5},
    }
end

-- The picture the story unlocks comes first: the gallery opens on it, as its
-- notice promises.
picture(0, "ArtworkTideTable", "menus/bonusmenu/Pim/TideTable.png")
picture(1, "ArtworkHarbourAtDusk", "menus/bonusmenu/Pim/HarbourAtDusk.png")
picture(2, "ArtworkHarbourOffice", "menus/bonusmenu/Pim/HarbourOffice.png")
picture(3, "ArtworkFishQuay", "menus/bonusmenu/Pim/FishQuay.png")

KaButtonLayout{
    name = "menu",
    sizeType = Percent, size = {1, 1, 1},
    Tinted("veil", {1, 1, 1}, nil, Palette.veil),
    KaTextLayout{
        name = "title",
        sizeType = Percent, size = {0.8, 0.1, 1},
        position = {0.5, 0.12, 0.5},
        text = Markup("accent", 40) .. "$(bonusPim)",
    },
    Tinted("rail", {0.8, 0.34, 1}, {0.5, 0.47, 0.5}, Palette.bar),
    KaClipLayout{
        name = "window",
        sizeType = Percent, size = {0.8, 0.34, 1},
        position = {0.5, 0.47, 0.5},
        KaLayout{
            name = "slots",
            sizeType = Percent, size = {1, 1, 1},
            position = {0.5, 0.5, 0.5},
            holder(0), holder(1), holder(2), holder(3),
        },
    },
    -- Above the pictures: a press goes through to them until a drag slides.
    KaButtonLayout{
        name = "slideButton",
        sizeType = Percent, size = {0.8, 0.34, 1},
        position = {0.5, 0.47, 0.5},
    },
    TextButton("leftButton", "\171", {0.06, 0.1, 1}, {0.05, 0.47, 0.5}, 36),
    TextButton("rightButton", "\187", {0.06, 0.1, 1}, {0.95, 0.47, 0.5}, 36),
    KaTextLayout{
        name = "text",
        sizeType = Percent, size = {0.6, 0.08, 1},
        position = {0.5, 0.74, 0.5},
    },
    TextButton("quitButton", "$(bonusBack)", {0.16, 0.07, 1}, {0.88, 0.93, 0.5}, 22),
}

KaLayoutPositionLinearAnimation{
    name = "slideAnimation",
    duration = 350,
    curve = {0, 0.45, 0.8, 0.95, 1},
}

-- The picture full screen: a click anywhere closes it.
-- Its own backdrop is a child: a tint on the view would darken the picture.
KaSpriteLayout{
    name = "fullScreenPictureLayout",
    sizeType = Percent, size = {1, 1, 1},
    Tinted("fullScreenBackdrop", {1, 1, 1}, nil, {8, 13, 23, 255}),
    KaSpriteLayout{
        name = "fullScreenPicture",
        sizeType = Percent, size = {0.94, 0.94, 1},
        ratioMode = LetterBox,
    },
    KaButtonLayout{
        name = "fullScreenPictureButton",
        sizeType = Percent, size = {1, 1, 1},
    },
}
