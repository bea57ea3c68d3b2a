-- An invisible button over a part of a scene's painting: the interaction
-- files of the scenes call Hotspot(name, x, y, width, height), the centre
-- and the size in fractions of the picture.
function Hotspot(name, x, y, width, height)
    return KaButtonLayout{
        name = name,
        sizeType = Percent, size = {width, height, 1},
        position = {x, y, 0.5},
        hitZone = KaLayout{ name = name .. "HitZone", sizeType = Percent, size = {1, 1, 1} },
    }
end
