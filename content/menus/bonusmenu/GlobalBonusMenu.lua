-- The bonus hub: one plate per place of the story, over the menu video. The
-- harbour's gallery is open; the places still to come show sealed plates,
-- and the last place has no plate at all yet.
dofile("Inventory/widgets.lua")

local function plate(name, picture, caption, position, open)
    local function face(color, style)
        return KaLayout{
            sizeType = Percent, size = {1, 1, 1},
            Tinted(nil, {1, 1, 1}, nil, color),
            KaSpriteLayout{
                sizeType = Percent, size = {0.92, 0.72, 1},
                position = {0.5, 0.42, 0.5},
                ratioMode = LetterBox,
                image = picture,
            },
            KaTextLayout{
                sizeType = Percent, size = {0.92, 0.2, 1},
                position = {0.5, 0.88, 0.5},
                text = Markup(style, 20) .. caption,
            },
        }
    end
    return KaButtonLayout{
        name = name,
        sizeType = Percent, size = {0.2, 0.3, 1},
        position = position,
        enable = open,
        upLayout = face(Palette.button, "caption"),
        downLayout = face(Palette.buttonDown, "chosen"),
        rollOverLayout = face({52, 78, 122, 255}, "caption"),
        disabledLayout = face(Palette.disabled, "dim"),
    }
end

local sealed = "menus/bonusmenu/sealed.png"

KaLayout{
    name = "menu",
    sizeType = Percent, size = {1, 1, 1},
    Tinted("veil", {1, 1, 1}, nil, Palette.veil),
    KaTextLayout{
        name = "title",
        sizeType = Percent, size = {0.8, 0.1, 1},
        position = {0.5, 0.12, 0.5},
        text = Markup("accent", 40) .. "$(bonusTitle)",
    },
    plate("Pim", "menus/bonusmenu/Pim/HarbourAtDusk.png", "$(bonusPim)", {0.26, 0.4, 0.5}, true),
    plate("Dov", sealed, "$(bonusSealed)", {0.5, 0.4, 0.5}, false),
    plate("Rok", sealed, "$(bonusSealed)", {0.74, 0.4, 0.5}, false),
    plate("Ust", sealed, "$(bonusSealed)", {0.38, 0.74, 0.5}, false),
    plate("Orn2", sealed, "$(bonusSealed)", {0.62, 0.74, 0.5}, false),
    TextButton("Back", "$(bonusBack)", {0.16, 0.07, 1}, {0.88, 0.93, 0.5}, 22),
}
