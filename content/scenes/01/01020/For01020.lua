-- Over scene 01020: its place name and the markers of its spots.
dofile("scenes/gui.lua")
ScenePlaceName("01020", dofile("scenes/01/01020/Spots01020.lua"))
