-- Over scene 01010: its place name.
dofile("scenes/gui.lua")
ScenePlaceName("01010")
