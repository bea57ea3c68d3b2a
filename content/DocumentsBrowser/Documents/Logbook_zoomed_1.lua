-- The second page of the logbook: its heading, and only the rings of the
-- harbour master's coffee cup so far.
dofile("DocumentsBrowser/Documents/pageText.lua")
KaLayout(LogbookHeading({ name = "root", sizeType = Percent, size = {1, 1, 1} }))
