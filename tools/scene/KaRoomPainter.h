#ifndef KA_ROOM_PAINTER_H
#define KA_ROOM_PAINTER_H

#include "engine/core/KaPath.h"
#include "tools/scene/KaZoneDescription.h"

class KaImage;

// Paints the pre-rendered background of one scene of a zone: the scene's
// boxes and quads, ray cast on the CPU through the very KaCamera the running
// scene builds from the same description (KaSceneCamera), so that the 3D
// objects drawn over the picture land on their painted places to the pixel.
//
// The look: each material's procedural pattern, lambert with a little gloss,
// the lamps with their range falloff and slightly soft shadows, the scene's
// ambient light, glowing (emissive) surfaces, a touch of ambient occlusion in
// corners and under things, a faint halo around each lamp, a bloom around
// what glows, a vignette; 2 x 2 samples a pixel.
//
// What the description may get wrong is painted around rather than refused:
// - a material name the zone does not define paints as matt mid grey
//   "plain", with one console line per name;
// - an unknown pattern paints as "plain";
// - a shape of another kind, or with coordinates that are not finite, or a
//   quad without area, is left out with one console line;
// - a surface that glows (emissive of one half or more) casts no shadow, so a
//   lamp can stand inside its shade;
// - a ray that meets nothing sees a dusk sky.
// Refused with one console line and false: a camera without a direction or
// whose projection cannot be built (KaSceneCamera::usable), and a picture
// size of 0 or beyond what KaImage takes. The picture is left untouched then.
class KaRoomPainter {
public:
    // Paints the scene.width x scene.height picture and writes it as PNG.
    static bool paint(const KaZoneDescription& zone, const KaZoneDescription::Scene& scene, const KaPath& pngPath);
    // The same into an RGB888 image, top row first (flipped), so that
    // pixelColor takes y counted down from the top, as
    // KaCamera::projectPoint3f32 gives it.
    static bool paint(const KaZoneDescription& zone, const KaZoneDescription::Scene& scene, KaImage& image);
    // The scene as it looks in a state (its shapes' "only" and "except"):
    // "" is the background.
    static bool paint(
        const KaZoneDescription& zone, const KaZoneDescription::Scene& scene, const KaString& state, KaImage& image);
    // What a state changes, to lay over the background (an RGB888 painting
    // of the same scene): an RGBA picture that, blended over it, gives the
    // state's painting; opaque where the state changes much, faint where it
    // changes a little, clear where it changes nothing. False with one
    // console line when the background is of another size or format.
    static bool paintState(const KaZoneDescription& zone, const KaZoneDescription::Scene& scene,
        const KaString& state, const KaImage& background, KaImage& overlay);
    // "<folder>/background.png", and "<folder>/<state>.png" for each state.
    static bool paintAll(const KaZoneDescription& zone, const KaZoneDescription::Scene& scene, const KaString& folder);

private:
    static bool save(const KaImage& image, const KaPath& pngPath);
};

#endif
