-- The background of the fish quay at dusk, the office on the right, painted
-- at build time under Camera01020.
dofile("scenes/gui.lua")
SceneBackground()
