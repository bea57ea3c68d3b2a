-- Over scene 01020: its place name.
dofile("scenes/gui.lua")
ScenePlaceName("01020")
