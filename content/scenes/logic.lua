-- What the scene scripts share. A Logic<scene>.lua file starts with
--   dofile("scenes/logic.lua")
--   local scene = SceneScript("<scene>")
-- and defines its own "OnEnter", "OnWarpObjectHit", "OnDisplacementFinished"
-- and "OnWaitFinished"; the other events get the handlers below, which only
-- say on the console what happened.
--
-- The script functions (MoveCharacterPlayerTo, ChangeWarp, Wait, ...) come
-- with the script bindings: until those exist every call is guarded, and
-- the scene says what it would have done.

function SceneScript(name)
    local scene = { name = name, intent = nil }

    function scene.say(text)
        print("[Logic" .. name .. "] " .. text)
    end

    -- What the player set out to do with the last click on something; the
    -- walk's end ("OnDisplacementFinished") carries it out and forgets it.
    function scene.walkTo(x, y, z, what)
        scene.intent = what
        if MoveCharacterPlayerTo then
            MoveCharacterPlayerTo(x, y, z)
        elseif OnDisplacementFinished then
            OnDisplacementFinished()
        end
    end

    function scene.arrived()
        local what = scene.intent
        scene.intent = nil
        return what
    end

    function scene.wait(seconds)
        if Wait then Wait(seconds) elseif OnWaitFinished then OnWaitFinished() end
    end

    function OnLeave()
        scene.say("leave")
        scene.intent = nil
    end

    -- A click the game accepted while the player stands or walks.
    function On()
        scene.say("click")
    end

    function OnFinishedAnim(sprite)
        scene.say("animation finished: " .. tostring(sprite))
    end

    function OnSelectedObject(object)
        if object ~= nil and object ~= "" then scene.say("holding " .. object) end
    end

    return scene
end
