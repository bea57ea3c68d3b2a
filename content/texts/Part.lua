-- What the program needs to know of this game before anything else: its
-- title (also the name of its save folder, so no "/" in it) and version.
applicationTitle = "Tidewater"
versionString = "0.1"

-- Where a new game begins: the scene "01010" (the harbour-master's office)
-- of the zone "01".
firstWarpPath = "scenes/01/01010"
firstZone = "01"
firstScene = "01010"
