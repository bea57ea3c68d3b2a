-- What the scene scripts share. A Logic<scene>.lua file starts with
--   dofile("scenes/logic.lua")
--   local scene = SceneScript("<scene>")
-- and defines its own "OnEnter" and "OnWarpObjectHit"; the other events get
-- the handlers below, which say on the console what happened.
--
-- The handlers run in Lua threads of their own: a handler may call the
-- script functions whose names end in "AndWaitForEnd" and goes on once the
-- walk, the line or the wait has ended.

function SceneScript(name)
    local scene = { name = name }

    function scene.say(text)
        print("[Logic" .. name .. "] " .. text)
    end

    -- The player walks to a point of the floor and the handler goes on when
    -- she arrives.
    function scene.walkTo(x, y, z)
        MoveCharacterPlayerToAndWaitForEnd(x, y, z)
    end

    -- One errand at a time: a click on something while Mira is still on
    -- her way to the last one is not taken (its wait would still be pending
    -- when the errand's walk ends, and would be woken instead of it).
    function scene.errand(action)
        if scene.busy then return end
        scene.busy = true
        action()
        scene.busy = false
    end

    -- The player on the scene's floor, facing the way she came in.
    function scene.place(zone, x, z, yaw)
        SetCharacterPosition("Mira", zone, x, 0, z)
        SetCharacterRotation("Mira", 0, yaw, 0)
    end

    function OnLeave()
        scene.say("leave")
    end

    -- A click the game accepted while the player stands or walks.
    function On()
        scene.say("click")
    end

    function OnFinishedAnim(sprite)
        scene.say("animation finished: " .. tostring(sprite))
    end

    function OnSelectedObject(object)
        held = object or ""
        if held ~= "" then scene.say("holding " .. held) end
    end

    function OnDisplacementFinished()
        scene.say("arrived")
    end

    function OnDialogFinished(line)
        scene.say("line told: " .. tostring(line))
    end

    -- The events the scenes have no use for.
    function OnButtonDown(button) end
    function OnButtonUp(button) end
    function OnCellDialogFinished(line) end
    function OnFreeSoundFinished(sound) end
    function OnCellFreeSoundFinished(sound) end
    function OnCharacterAnimationFinished(character) end
    function OnCellCharacterAnimationPlayerFinished(animation) end

    function OnDocumentClosed(document)
        scene.say("document closed: " .. tostring(document))
    end

    return scene
end
