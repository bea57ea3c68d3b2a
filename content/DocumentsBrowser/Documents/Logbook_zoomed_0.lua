-- The first page of the logbook, in the harbour master's hand: the week's
-- comings and goings, down to this evening's two lines, ringed in red, of
-- the night the lamp went dark. They can be pointed out ("button0": the
-- scene script hears of it as "OnShowedDocumentButtonValidated" with
-- "Logbook_zoomed_0", "button0").
dofile("DocumentsBrowser/Documents/pageText.lua")

-- date, time, vessel, remark (a localised text)
local entries = {
    { "09/10", "06:10", "Kittiwake", "docLog1" },
    { "09/10", "17:45", "Kittiwake", "docLog2" },
    { "10/10", "07:30", "Sea Holly", "docLog3" },
    { "10/10", "12:05", "Marie-Louise", "docLog4" },
    { "11/10", "05:50", "Sea Holly", "docLog5" },
    { "11/10", "19:20", "-", "docLog6" },
    { "12/10", "06:40", "Marie-Louise", "docLog7" },
    { "12/10", "16:15", "Sea Holly", "docLog8" },
    { "13/10", "08:00", "-", "docLog9" },
    { "13/10", "19:05", "-", "docLog10" },
    { "", "19:20", "Kittiwake", "docLog11" },
}

local children = LogbookHeading({ name = "root", sizeType = Percent, size = {1, 1, 1} })
for row, entry in ipairs(entries) do
    local y = LogbookRowY(row - 1)
    for column = 1, 4 do
        local text = entry[column]
        if column == 4 then text = "$(" .. text .. ")" end
        local left, width = LogbookPage.columns[column][1], LogbookPage.columns[column][2]
        table.insert(children, PageText(LogbookPage, "entry" .. row .. "_" .. column, text, left + width / 2, y,
            width - 20, Face.hand, Ink.hand, 22, "left"))
    end
end

-- Over the two ringed lines (rows 10 and 11).
table.insert(children, KaButtonLayout{
    name = "button0",
    sizeType = Percent, size = {0.88, 2 * LogbookPage.rowGap / LogbookPage.height, 1},
    position = {560 / LogbookPage.width, (LogbookPage.rowTop + 10 * LogbookPage.rowGap) / LogbookPage.height, 0.5},
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
})
KaLayout(children)
