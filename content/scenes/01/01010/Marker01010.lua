-- Where the pointer changes in the office (zones of Spots01010.lua).
dofile("scenes/gui.lua")
CursorZones(dofile("scenes/01/01010/Spots01010.lua"))
