-- What can be clicked in the harbour-master's office, over the painting:
-- the door to the quay, the logbook open on the desk and Ansel behind it. Each button is an
-- invisible hit zone named after the hit mesh it covers, so the scene script
-- answers "OnWarpObjectHit" with one name whichever of the two caught the
-- click. Positions are fractions of the picture (centre, then size), taken
-- from each mesh's outline under Camera01010.
dofile("scenes/gui.lua")

KaLayout{
    name = "background",
    sizeType = Percent, size = {1, 1, 1},
    Hotspot("ClicDoor01010", 0.140, 0.268, 0.110, 0.380),
    Hotspot("ClicLogbook", 0.695, 0.315, 0.080, 0.060),
    Hotspot("ClicAnsel01010", 0.554, 0.325, 0.095, 0.320),
}
