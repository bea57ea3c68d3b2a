-- The studio's mark, and its name under it.
dofile("menus/splashes/splash.lua")
Splash("menus/splashes/studio.png", "splashStudio", 36)
