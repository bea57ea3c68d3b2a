-- The background of the fish quay at dusk, the office on the right, painted
-- at build time under Camera01020; over it, hidden until the clerk's key
-- opens it, the tide table's case standing open.
dofile("scenes/gui.lua")
SceneBackground({"TideCaseOpen"})
