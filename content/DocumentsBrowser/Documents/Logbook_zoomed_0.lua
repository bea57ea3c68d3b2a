-- Over the first page of the logbook: the entry of the night the lamp went
-- dark can be pointed out ("button0": the scene script hears of it as
-- "OnShowedDocumentButtonValidated" with "Logbook_zoomed_0", "button0").
KaLayout{
    name = "root",
    sizeType = Percent, size = {1, 1, 1},
    KaButtonLayout{
        name = "button0",
        sizeType = Percent, size = {0.7, 0.06, 1},
        position = {0.5, 0.62, 0.5},
        upLayout = KaSpriteLayout{
            name = "button0Up",
            sizeType = Percent, size = {1, 1, 1},
            image = "pictures/white64x64.png",
            color = {242, 181, 68, 0},
        },
        rollOverLayout = KaSpriteLayout{
            name = "button0RollOver",
            sizeType = Percent, size = {1, 1, 1},
            image = "pictures/white64x64.png",
            color = {242, 181, 68, 70},
        },
        downLayout = KaSpriteLayout{
            name = "button0Down",
            sizeType = Percent, size = {1, 1, 1},
            image = "pictures/white64x64.png",
            color = {242, 181, 68, 120},
        },
    },
}
