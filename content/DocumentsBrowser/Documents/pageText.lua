-- What the documents' page files share: the text written on a page, laid
-- over its picture. A page picture is `width` x `height` pixels; places are
-- given in those pixels, so that a line sits on the rule painted for it
-- (tools/content/KaDocumentPictures.cpp), and the print grows with the page
-- as the window does.

Ink = {
    hand = {23, 33, 71},     -- the harbour master's pen
    print = {15, 26, 46},    -- what the printer set
    paper = {246, 236, 217}, -- print on a coloured band
    red = {190, 60, 52},
}

Face = {
    hand = "Common/Fonts/ComicRelief.ttf",
    print = "Common/Fonts/ProDisplay.ttf",
}

-- A line of text centred on (x, y), w pixels wide: face and color from the
-- tables above, size in pixels of the picture, align "left", "center" or
-- "right"; text is markup-free text or a "$(key)" to localise. The width
-- stays (a single-line layout would shrink to its text, and the print
-- with it); a text too long for it goes on to a second line.
function PageText(page, name, text, x, y, w, face, color, size, align)
    return KaTextLayout{
        name = name,
        sizeType = Percent, size = {w / page.width, size * 1.4 / page.height, 1},
        position = {x / page.width, y / page.height, 0.5},
        textSizeType = Proportional,
        textSizeProportionalToWidth = math.floor(w + 0.5),
        text = '<section style="' .. (align or "left") .. '" /><color r="' .. color[1] .. '" g="' .. color[2]
            .. '" b="' .. color[3] .. '"/><font file="' .. face .. '" size="' .. size .. '" />' .. text,
    }
end

-- The logbook's pages (1024 x 1400): the printed heading and column heads,
-- the rows below them 46 pixels apart from y = 200.
LogbookPage = {
    width = 1024, height = 1400,
    rowTop = 200, rowGap = 46,
    -- date, time, vessel, remarks: left edges and widths
    columns = { {130, 140}, {270, 120}, {390, 230}, {620, 364} },
}

function LogbookRowY(row)
    return LogbookPage.rowTop + LogbookPage.rowGap * (row + 0.5)
end

function LogbookHeading(children)
    local page = LogbookPage
    table.insert(children, PageText(page, "heading", "$(docLogbookTitle)", 512, 85, 880, Face.print, Ink.paper, 34,
        "center"))
    local heads = { "$(docDate)", "$(docTime)", "$(docVessel)", "$(docRemarks)" }
    for i, column in ipairs(page.columns) do
        table.insert(children, PageText(page, "head" .. i, heads[i], column[1] + column[2] / 2, 171,
            column[2] - 24, Face.print, Ink.print, 22, "left"))
    end
    return children
end
