-- Run in the game's Lua state before every scene script: what the scene
-- scripts share beyond their own files. It keeps the game's conditions
-- (plain globals, so that a saved game keeps them) and the object the player
-- holds, and gives the scripts one way to say on the console what happens.

-- The object in hand, as the inventory last handed it to the scene.
held = held or ""

function Holding(object)
    return held ~= "" and held == object
end

function Say(scene, text)
    print("[Logic" .. scene .. "] " .. text)
end
