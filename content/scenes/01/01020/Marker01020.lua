-- Where the pointer changes on the quay (zones of Spots01020.lua).
dofile("scenes/gui.lua")
CursorZones(dofile("scenes/01/01020/Spots01020.lua"))
