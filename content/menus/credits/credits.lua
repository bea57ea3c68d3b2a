-- The credits: the names scroll up through a dark band while three harbour
-- views fade in one after the other behind them (each one 12 s; see the
-- "Anim" moves named after them). A click anywhere ends the credits.
dofile("menus/mainMenu/style.lua")

musicPath = "menus/music/credits.ogg"

local heading = Typo("center", Palette.amber, "CHAUCER.TTF", 24)
local function section(key, names)
    local text = '<color r="242" g="181" b="68"/>$(' .. key .. ')<br/><color r="246" g="236" b="217"/>'
    for _, person in ipairs(names) do
        text = text .. person .. '<br/>'
    end
    return text .. '<br/><br/>'
end

local credits = heading .. '$(menuTitle)<br/><br/><br/>'
        .. section("creditsStory", {"Maren Holt"})
    .. section("creditsPictures", {"Ines Varga", "Tomas Leclerc"})
    .. section("creditsCode", {"Ruth Adeyemi", "Jon Castellano", "Pia Lindqvist"})
    .. section("creditsSound", {"Olek Brandt"})
    .. section("creditsVoices", {"Mira: Anna Sorel", "Ansel: Pieter Voss"})
    .. section("creditsThanks", {"The harbour of Kerlouan", "Everyone who played along"})

local function view(picture, from, to)
    return {
        KaSpriteLayout{
            name = picture,
            sizeType = Percent, size = {1.1, 1.1, 1},
            position = from,
            visible = false,
            image = "menus/credits/" .. picture .. ".png",
        },
        KaLayoutPositionLinearAnimation{
            name = picture .. "Anim",
            duration = 24000,
            startValue = from, endValue = to,
            curve = {0, 1},
        },
    }
end

local dawn = view("dawn", {0.53, 0.5, 0.5}, {0.47, 0.5, 0.5})
local quay = view("quay", {0.47, 0.52, 0.5}, {0.53, 0.48, 0.5})
local lighthouse = view("lighthouse", {0.5, 0.53, 0.5}, {0.5, 0.47, 0.5})

KaLayoutPositionLinearAnimation{
    name = "scrollTextPositionAnim",
    duration = 40000,
    startValue = {0.5, 1, 0.5}, endValue = {0.5, 0, 0.5},
    curve = {0, 1},
}
KaLayoutAnchorLinearAnimation{
    name = "scrollTextAnchorAnim",
    duration = 40000,
    startValue = {0.5, 0, 0.5}, endValue = {0.5, 1, 0.5},
    curve = {0, 1},
}
KaLayoutPositionLinearAnimation{
    name = "scrollBackgroundPositionAnim",
    duration = 40000,
    startValue = {0.52, 0.5, 0.5}, endValue = {0.48, 0.5, 0.5},
    curve = {0, 1},
}

KaLayout{
    name = "menu",
    sizeType = Percent, size = {1, 1, 1},
    KaSpriteLayout{
        name = "backgroundSprite",
        sizeType = Percent, size = {1.1, 1.1, 1},
        image = "menus/credits/backdrop.png",
    },
    KaLayout{
        name = "Backgrounds",
        sizeType = Percent, size = {1, 1, 1},
        dawn[1], quay[1], lighthouse[1],
    },
    Tinted("band", {0.5, 1, 1}, {0.5, 0.5, 0.5}, Palette.navy, 200),
    KaTextLayout{
        name = "text",
        sizeType = Percent, size = {0.46, 1, 1},
        text = credits,
    },
    KaButtonLayout{
        name = "background",
        sizeType = Percent, size = {1, 1, 1},
    },
}
