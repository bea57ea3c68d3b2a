-- The engine's notice.
dofile("menus/splashes/splash.lua")
Splash("menus/splashes/engine.png", "splashEngine", 28)
