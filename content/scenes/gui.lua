-- What the scenes' GUI files share. Set<scene>.lua calls SceneBackground(),
-- For<scene>.lua ScenePlaceName(scene, spots), Int<scene>.lua lists
-- Hotspot(...) buttons in its "background" layout, Marker<scene>.lua calls
-- CursorZones(spots). The spots of a scene (Spots<scene>.lua) are the places
-- the pointer changes over and the eye switch shows.

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
function ScenePlaceName(scene, spots)
    local layout = {
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
    -- The markers: one picture in the middle of each spot, named as the
    -- spot, so that the game's marker switch shows and hides it.
    for _, spot in ipairs(spots or {}) do
        layout[#layout + 1] = KaSpriteLayout{
            name = spot.name,
            sizeType = Percent, size = {0.045, 0.06, 1},
            position = {spot.x, spot.y, 0.5},
            image = "pictures/Marker.png",
        }
    end
    return KaLayout(layout)
end

-- A spot: where the pointer changes and the eye shows a marker. The name
-- ends with the pointer's name in the game's cursor table ("_Main" over
-- what can be taken or used, "_H000" to "_H315" over a way out, 0 degrees
-- up and turning clockwise); centre and size in fractions of the picture,
-- as Hotspot takes them.
function Spot(name, x, y, width, height)
    return { name = name, x = x, y = y, width = width, height = height }
end

-- The zones of the spots, without pictures: the game picks the pointer
-- from the zone under it.
function CursorZones(spots)
    local layout = { name = "background", sizeType = Percent, size = {1, 1, 1} }
    for _, spot in ipairs(spots) do
        layout[#layout + 1] = KaLayout{
            name = spot.name,
            sizeType = Percent, size = {spot.width, spot.height, 1},
            position = {spot.x, spot.y, 0.5},
        }
    end
    return KaLayout(layout)
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
