-- What the program needs to know of this game before anything else: its
-- title (also the name of its save folder, so no "/" in it) and version.
applicationTitle = "Tidewater"
versionString = "0.1"
