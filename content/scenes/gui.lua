-- What the scenes' GUI files share. Set<scene>.lua calls SceneBackground(),
-- For<scene>.lua ScenePlaceName(scene), Int<scene>.lua lists Hotspot(...)
-- buttons in its "background" layout.

-- The painted background: "root" shows "background.png" from the scene's
-- own folder (a "./" image is read beside the file that was loaded), and
-- the scene hangs its interaction buttons on it. Each name of states is a
-- painted state of the scene ("<state>.png" beside it, clear where it
-- changes nothing), laid over the background and hidden until a script
-- shows it (ShowObject).
function SceneBackground(states)
    local layout = {
        name = "background",
        sizeType = Percent, size = {1, 1, 1},
        KaSpriteLayout{
            name = "root",
            sizeType = Percent, size = {1, 1, 1},
            image = "./background.png",
        },
    }
    for _, state in ipairs(states or {}) do
        table.insert(layout, KaSpriteLayout{
            name = state,
            sizeType = Percent, size = {1, 1, 1},
            visible = false,
            image = "./" .. state .. ".png",
        })
    end
    return KaLayout(layout)
end

-- Over the scene, above the characters: the place's name (the localised
-- text "place" .. scene) on a navy tab in the top-left corner.
function ScenePlaceName(scene)
    return KaLayout{
        name = "background",
        sizeType = Percent, size = {1, 1, 1},
        KaSpriteLayout{
            name = "placeTab",
            sizeType = Percent, size = {0.42, 0.06, 1},
            position = {0.22, 0.045, 0.5},
            color = {15, 26, 46, 200},
            image = "pictures/white64x64.png",
        },
        KaTextLayout{
            name = "placeName",
            sizeType = Percent, size = {0.40, 0.05, 1},
            position = {0.22, 0.045, 0.5},
            text = '<section style="left" /><color r="246" g="236" b="217"/>'
                .. '<font file="Common/Fonts/ProDisplay.ttf" size="22" />$(place' .. scene .. ')',
        },
    }
end

-- An invisible button over a part of the painting, named after the hit
-- mesh it covers: centre and size in fractions of the picture.
function Hotspot(name, x, y, width, height)
    return KaButtonLayout{
        name = name,
        sizeType = Percent, size = {width, height, 1},
        position = {x, y, 0.5},
        hitZone = KaLayout{ name = name .. "HitZone", sizeType = Percent, size = {1, 1, 1} },
    }
end
