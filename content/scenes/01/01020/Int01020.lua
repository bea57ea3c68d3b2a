-- What can be clicked on the fish quay, over the painting: the office door
-- and the tide table pinned beside the window. Named after the hit meshes
-- they cover (see Int01010.lua); outlines taken under Camera01020.
dofile("scenes/gui.lua")

KaLayout{
    name = "background",
    sizeType = Percent, size = {1, 1, 1},
    Hotspot("ClicDoor01020", 0.605, 0.327, 0.085, 0.235),
    Hotspot("ClicTideTable", 0.811, 0.361, 0.090, 0.125),
}
