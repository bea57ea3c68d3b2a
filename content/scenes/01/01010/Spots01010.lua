-- The office's spots (see gui.lua): the door out to the quay, on the left,
-- and the logbook on the desk, over the hit zones of Int01010.lua; the
-- clerk where the office's script stands him, over his hit mesh.
return {
    Spot("MarkerDoor01010_H270", 0.140, 0.268, 0.110, 0.380),
    Spot("MarkerLogbook_Main", 0.695, 0.315, 0.080, 0.060),
    Spot("MarkerAnsel01010_Main", 0.550, 0.335, 0.080, 0.280),
}
