-- The notepad button in the top-right corner that opens the objectives.
-- Each state shows two pictures: the "new" pair carries a red mark for
-- tasks the player has not read yet, the "notNew" pair is the plain
-- notepad. The game shows one pair and hides the other.
local function picture(name, file, visible)
    return KaSpriteLayout{
        name = name,
        sizeType = Percent, size = {1, 1, 1},
        visible = visible,
        image = "menus/helpButton/" .. file .. ".png",
    }
end

KaButtonLayout{
    name = "helpButton",
    sizeType = Percent, size = {0.09, 0.12, 1},
    ratio = 1, ratioMode = LetterBox,
    position = {0.94, 0.09, 0.5},
    upLayout = KaLayout{
        name = "helpUp",
        sizeType = Percent, size = {1, 1, 1},
        picture("newUp", "newUp", false),
        picture("notNewUp", "notNewUp", true),
    },
    downLayout = KaLayout{
        name = "helpDown",
        sizeType = Percent, size = {1, 1, 1},
        picture("newDown", "newDown", false),
        picture("notNewDown", "notNewDown", true),
    },
}
