-- The objectives: a notepad over a veil that takes the whole screen, so that
-- no click reaches the scene while it is open. The game hangs one label per
-- title and task under "tasks" (which therefore has no children here) and
-- stacks them from its top; "Calepin" is the notepad itself, the area that
-- keeps the pointer from the scene; "helpQuit" closes the panel.
KaButtonLayout{
    name = "background",
    sizeType = Percent, size = {1, 1, 1},
    KaSpriteLayout{
        name = "veil",
        sizeType = Percent, size = {1, 1, 1},
        color = {8, 13, 23, 150},
        image = "pictures/white64x64.png",
    },
    KaSpriteLayout{
        name = "Calepin",
        sizeType = Percent, size = {0.45, 0.86, 1},
        ratio = 0.75, ratioMode = LetterBox,
        position = {0.5, 0.5, 0.5},
        image = "menus/objectif/calepin.png",
        KaLayout{
            name = "tasks",
            sizeType = Percent, size = {0.78, 0.74, 1},
            position = {0.5, 0.57, 0.5},
        },
        KaButtonLayout{
            name = "helpQuit",
            sizeType = Percent, size = {0.1, 0.1, 1},
            ratio = 1, ratioMode = LetterBox,
            position = {0.9, 0.08, 0.5},
            upLayout = KaSpriteLayout{
                name = "helpQuitUp",
                sizeType = Percent, size = {1, 1, 1},
                image = "menus/objectif/close.png",
            },
            downLayout = KaSpriteLayout{
                name = "helpQuitDown",
                sizeType = Percent, size = {1, 1, 1},
                image = "menus/objectif/closeDown.png",
            },
        },
    },
}
