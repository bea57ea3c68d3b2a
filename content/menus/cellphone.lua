-- The phone: a handset in the middle of a veil that holds every click while
-- it is open. Its screen ("numRepertoire") shows one known number at a
-- time, by name; the arrows step through them, the green key calls, the red
-- one puts the phone away.
dofile("Inventory/widgets.lua")

-- Put in front of every number's caption. The game sizes these captions in
-- proportion to the screen's width, as if it were 46 pixels wide: 5 here
-- comes out at about 20 pixels on the 185-pixel screen of an 800-pixel window.
textAttributs = Markup("caption", 5)

KaButtonLayout{
    name = "background",
    sizeType = Percent, size = {1, 1, 1},
    upLayout = Tinted("phoneVeil", {1, 1, 1}, nil, Palette.veil),
    KaLayout{
        name = "cellphone",
        sizeType = Percent, size = {0.3, 0.86, 1},
        ratio = 0.5, ratioMode = LetterBox,
        KaSpriteLayout{
            name = "handset",
            sizeType = Percent, size = {1, 1, 1},
            image = "menus/cellphone/handset.png",
        },
        KaTextLayout{
            name = "phoneTitle",
            sizeType = Percent, size = {0.8, 0.05, 1},
            position = {0.5, 0.13, 0.5},
            text = Markup("accent", 18) .. "$(phoneContacts)",
        },
        KaSpriteLayout{
            name = "numRepertoire",
            sizeType = Percent, size = {0.78, 0.2, 1},
            position = {0.5, 0.3, 0.5},
            image = "menus/cellphone/screen.png",
        },
        PictureButton("haut", "menus/cellphone/up.png", {0.2, 0.1, 1}, {0.36, 0.5, 0.5}),
        PictureButton("bas", "menus/cellphone/down.png", {0.2, 0.1, 1}, {0.64, 0.5, 0.5}),
        PictureButton("appeler", "menus/cellphone/call.png", {0.26, 0.13, 1}, {0.3, 0.7, 0.5}),
        PictureButton("fermer", "menus/cellphone/hangUp.png", {0.26, 0.13, 1}, {0.7, 0.7, 0.5}),
    },
}
