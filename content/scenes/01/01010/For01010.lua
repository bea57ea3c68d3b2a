-- Over scene 01010: its place name and the markers of its spots.
dofile("scenes/gui.lua")
ScenePlaceName("01010", dofile("scenes/01/01010/Spots01010.lua"))
