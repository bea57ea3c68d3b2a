-- The quay's spots (see gui.lua): the office door, straight ahead, and the
-- tide table beside the window, over the hit zones of Int01020.lua.
return {
    Spot("MarkerDoor01020_H000", 0.605, 0.327, 0.085, 0.235),
    Spot("MarkerTideTable_Main", 0.811, 0.361, 0.090, 0.125),
}
