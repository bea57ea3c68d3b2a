-- The background of the harbour-master's office at dusk, painted at build
-- time under Camera01010, so every pixel lies where the scene's 3D picks it.
dofile("scenes/gui.lua")
SceneBackground()
