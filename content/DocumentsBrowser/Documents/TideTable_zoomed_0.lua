-- The week's tide table as the harbour office pins it up: the week's low
-- and high waters (this evening's, 21:40, ringed), and the card with the
-- harbour master's number.
dofile("DocumentsBrowser/Documents/pageText.lua")

local page = { width = 1280, height = 900 }
local left, top, cell, rowHeight = 60, 160, 145, 80
local children = { name = "root", sizeType = Percent, size = {1, 1, 1} }
local function add(layout) table.insert(children, layout) end

add(PageText(page, "heading", "$(docTideTitle)", 640, 85, 1140, Face.print, Ink.paper, 34, "center"))
local function clock(minutes)
    minutes = minutes % (24 * 60)
    return string.format("%02d:%02d", math.floor(minutes / 60), minutes % 60)
end
local rows = { "$(docTideLow)", "$(docTideHigh)", "$(docTideLow)", "$(docTideHigh)" }
for row, name in ipairs(rows) do
    add(PageText(page, "rowHead" .. row, name, left + cell / 2, top + rowHeight * (row + 0.5), cell - 20,
        Face.print, Ink.print, 21, "center"))
end
for day = 0, 6 do
    local x = left + cell * (day + 1.5)
    add(PageText(page, "day" .. day, string.format("%02d/10", 11 + day), x, top + rowHeight * 0.5, cell - 20,
        Face.print, Ink.paper, 24, "center"))
    -- The evening's high water comes 25 minutes later each day; 21:40 on
    -- the 13th.
    local evening = 21 * 60 + 40 + (day - 2) * 25
    local morning = evening - (12 * 60 + 25)
    local times = { morning - (6 * 60 + 12), morning, morning + 6 * 60 + 13, evening }
    for row, minutes in ipairs(times) do
        add(PageText(page, "time" .. day .. "_" .. row, clock(minutes), x, top + rowHeight * (row + 0.5), cell - 20,
            Face.print, Ink.print, 26, "center"))
    end
end
-- The card in the corner.
add(PageText(page, "cardName", "$(docTideCard)", 987, 700, 420, Face.hand, Ink.hand, 30, "center"))
add(PageText(page, "cardNumber", "555 0142", 987, 795, 420, Face.hand, Ink.hand, 52, "center"))
KaLayout(children)
