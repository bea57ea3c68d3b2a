// Paints two sample scenes of a harbour town at dusk, for looking at what the
// room painter makes of each pattern and light, and for timing it:
//   ka_room_preview <folder> [width height]
// writes <folder>/office.png and <folder>/quay.png.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "engine/base/KaStd.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaPng.h"
#include "tools/scene/KaRoomPainter.h"

namespace {

typedef KaVector3f32 V;

void material(KaZoneDescription& zone, const char* name, KaColor base, KaColor accent, const char* pattern,
    float scale, float gloss = 0.0f, float emissive = 0.0f)
{
    zone.materials.pushBack(KaZoneDescription::Material::make(name, base, accent, pattern, scale, gloss, emissive));
}

KaZoneDescription::Shape& box(KaZoneDescription::Scene& scene, V min, V max, const char* material, bool inside = false)
{
    scene.shapes.pushBack(KaZoneDescription::Shape::box(min, max, material, inside));
    return scene.shapes[scene.shapes.size() - 1];
}

void quad(KaZoneDescription::Scene& scene, V a, V b, V c, V d, const char* material)
{
    scene.shapes.pushBack(KaZoneDescription::Shape::quad(a, b, c, d, material));
}

void lamp(KaZoneDescription::Scene& scene, V position, KaColor color, float intensity, float range)
{
    KaZoneDescription::Lamp l;
    l.position = position;
    l.color = color;
    l.intensity = intensity;
    l.range = range;
    scene.lamps.pushBack(l);
}

const KaColor navy(15, 26, 46, 255);
const KaColor ink(30, 32, 44, 255);
const KaColor teal(38, 112, 118, 255);
const KaColor amber(236, 160, 72, 255);
const KaColor cream(246, 236, 217, 255);
const KaColor alarm(200, 45, 40, 255);

void addMaterials(KaZoneDescription& zone)
{
    material(zone, "wallpaper", KaColor(58, 96, 100, 255), KaColor(48, 82, 88, 255), "stripes", 24.0f);
    material(zone, "floorboards", KaColor(120, 78, 46, 255), KaColor(84, 52, 30, 255), "boards", 18.0f, 0.25f);
    material(zone, "ceiling", cream, KaColor(220, 206, 184, 255), "plain", 120.0f);
    material(zone, "panelling", KaColor(96, 60, 36, 255), KaColor(70, 42, 26, 255), "boards", 14.0f, 0.2f);
    material(zone, "desk", KaColor(104, 64, 38, 255), KaColor(80, 48, 28, 255), "boards", 12.0f, 0.35f);
    material(zone, "leather", KaColor(130, 40, 34, 255), KaColor(100, 30, 26, 255), "plain", 30.0f, 0.3f);
    material(zone, "rug", alarm, KaColor(150, 110, 60, 255), "tiles", 30.0f);
    material(zone, "paper", cream, KaColor(210, 196, 170, 255), "plain", 20.0f);
    material(zone, "brass", amber, KaColor(190, 120, 50, 255), "plain", 20.0f, 0.8f);
    material(zone, "shade", amber, amber, "plain", 20.0f, 0.0f, 1.0f);
    material(zone, "dusk window", KaColor(46, 84, 120, 255), ink, "glass", 45.0f, 0.6f, 0.55f);
    material(zone, "warm window", amber, ink, "glass", 40.0f, 0.5f, 1.0f);
    material(zone, "dark window", navy, ink, "glass", 40.0f, 0.8f, 0.0f);
    material(zone, "bricks", KaColor(150, 70, 52, 255), KaColor(150, 140, 124, 255), "bricks", 26.0f);
    material(zone, "plaster", cream, KaColor(200, 190, 170, 255), "plain", 150.0f);
    material(zone, "teal plaster", teal, KaColor(30, 90, 96, 255), "plain", 150.0f);
    material(zone, "cobbles", KaColor(100, 98, 104, 255), KaColor(34, 34, 40, 255), "cobbles", 22.0f, 0.3f);
    material(zone, "quay stone", KaColor(120, 116, 110, 255), KaColor(70, 68, 66, 255), "bricks", 90.0f);
    material(zone, "harbour", KaColor(10, 24, 38, 255), KaColor(20, 52, 64, 255), "water", 80.0f, 0.9f);
    material(zone, "dusk", navy, KaColor(190, 110, 70, 255), "sky", 100.0f);
    material(zone, "iron", ink, ink, "plain", 20.0f, 0.4f);
    material(zone, "red paint", alarm, KaColor(160, 36, 32, 255), "boards", 16.0f, 0.3f);
    material(zone, "tiles", KaColor(60, 64, 80, 255), KaColor(40, 44, 58, 255), "tiles", 40.0f);
}

// The harbourmaster's office: a panelled room, a desk under a lamp, a window
// on the dusk.
KaZoneDescription::Scene office(unsigned int width, unsigned int height)
{
    KaZoneDescription::Scene scene;
    scene.name = "office";
    scene.width = width;
    scene.height = height;
    scene.camera.name = "Cameraoffice";
    scene.camera.position = V(-40.0f, 175.0f, 260.0f);
    scene.camera.target = V(20.0f, 95.0f, -120.0f);
    scene.camera.fovDegrees = 50.0f;
    scene.ambient = KaColor(40, 44, 60, 255);
    KaZoneDescription::Shape& room = box(scene, V(-300, 0, -250), V(300, 270, 300), "wallpaper", true);
    room.bottomMaterial = "floorboards";
    room.topMaterial = "ceiling";
    // Panelling on the lower walls.
    box(scene, V(-300, 0, -250), V(300, 95, -244), "panelling");
    box(scene, V(-300, 0, -250), V(-294, 95, 300), "panelling");
    box(scene, V(294, 0, -250), V(300, 95, 300), "panelling");
    // The window on the back wall, a rug, the desk with its lamp.
    quad(scene, V(-230, 110, -243.5f), V(-80, 110, -243.5f), V(-80, 225, -243.5f), V(-230, 225, -243.5f), "dusk window");
    box(scene, V(-240, 104, -250), V(-70, 110, -236), "panelling");
    quad(scene, V(-120, 0.3f, -60), V(160, 0.3f, -60), V(160, 0.3f, 120), V(-120, 0.3f, 120), "rug");
    box(scene, V(-20, 72, -110), V(150, 78, -30), "desk").topMaterial = "desk";
    box(scene, V(-15, 0, -105), V(0, 72, -90), "desk");
    box(scene, V(130, 0, -105), V(145, 72, -90), "desk");
    box(scene, V(-15, 0, -50), V(0, 72, -35), "desk");
    box(scene, V(130, 0, -50), V(145, 72, -35), "desk");
    box(scene, V(20, 78, -80), V(60, 79, -50), "paper");
    box(scene, V(100, 78, -95), V(104, 118, -91), "brass");
    box(scene, V(88, 118, -106), V(116, 136, -80), "shade");
    lamp(scene, V(102, 124, -93), amber, 2.2f, 520.0f);
    // A chair, a cabinet by the right wall, a chart in a frame.
    box(scene, V(40, 0, 10), V(90, 48, 55), "leather");
    box(scene, V(40, 48, 45), V(90, 110, 55), "leather");
    box(scene, V(230, 0, -200), V(294, 180, -80), "red paint");
    box(scene, V(60, 140, -249), V(200, 225, -246), "desk");
    box(scene, V(66, 146, -246), V(194, 219, -245), "paper");
    // The dusk outside, through the window.
    lamp(scene, V(-150, 180, -400), KaColor(90, 120, 170, 255), 1.0f, 700.0f);
    return scene;
}

// The quay at dusk: cobbles, the harbour, two houses, a street lamp.
KaZoneDescription::Scene quay(unsigned int width, unsigned int height)
{
    KaZoneDescription::Scene scene;
    scene.name = "quay";
    scene.width = width;
    scene.height = height;
    scene.camera.name = "Cameraquay";
    scene.camera.position = V(60.0f, 190.0f, 720.0f);
    scene.camera.target = V(-20.0f, 110.0f, 0.0f);
    scene.camera.fovDegrees = 52.0f;
    scene.ambient = KaColor(46, 54, 84, 255);
    quad(scene, V(-4000, 2000, -3000), V(4000, 2000, -3000), V(4000, -200, -3000), V(-4000, -200, -3000), "dusk");
    quad(scene, V(-4000, -40, -3000), V(4000, -40, -3000), V(4000, -40, 2000), V(-4000, -40, 2000), "harbour");
    box(scene, V(-4000, -60, -200), V(4000, 0, 2000), "quay stone").topMaterial = "cobbles";
    // Houses along the quay, left.
    box(scene, V(-700, 0, -100), V(-260, 420, 400), "bricks");
    box(scene, V(-710, 420, -110), V(-250, 440, 410), "iron");
    quad(scene, V(-259, 60, 260), V(-259, 60, 330), V(-259, 170, 330), V(-259, 170, 260), "warm window");
    quad(scene, V(-259, 250, 260), V(-259, 250, 330), V(-259, 360, 330), V(-259, 360, 260), "dark window");
    quad(scene, V(-259, 250, 60), V(-259, 250, 130), V(-259, 360, 130), V(-259, 360, 60), "warm window");
    box(scene, V(-262, 0, 120), V(-255, 200, 200), "red paint");
    box(scene, V(-900, 0, -700), V(-380, 520, -100), "teal plaster");
    quad(scene, V(-380 + 1, 300, -200), V(-380 + 1, 300, -140), V(-380 + 1, 400, -140), V(-380 + 1, 400, -200), "warm window");
    // A harbour office front, right.
    box(scene, V(280, 0, 150), V(800, 380, 600), "plaster");
    quad(scene, V(279, 70, 280), V(279, 180, 280), V(279, 180, 380), V(279, 70, 380), "warm window");
    box(scene, V(275, 0, 420), V(281, 210, 500), "red paint");
    // The street lamp and its pool of light.
    box(scene, V(175, 0, 180), V(185, 350, 190), "iron");
    box(scene, V(125, 340, 182), V(185, 346, 188), "iron");
    box(scene, V(108, 300, 168), V(142, 340, 202), "shade");
    lamp(scene, V(125, 315, 185), amber, 3.0f, 900.0f);
    // Bollards and crates at the edge.
    box(scene, V(-100, 0, -170), V(-70, 50, -140), "iron");
    box(scene, V(160, 0, -170), V(190, 50, -140), "iron");
    box(scene, V(-40, 0, 60), V(40, 70, 140), "panelling");
    box(scene, V(-30, 70, 80), V(30, 120, 130), "panelling");
    // A lighthouse across the water.
    box(scene, V(900, -40, -2200), V(980, 380, -2120), "plaster");
    box(scene, V(890, 380, -2210), V(990, 430, -2110), "shade");
    lamp(scene, V(940, 405, -2160), amber, 4.0f, 1200.0f);
    return scene;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: %s <folder> [width height]\n", argv[0]);
        return 2;
    }
    const unsigned int width = argc == 4 ? static_cast<unsigned int>(std::atoi(argv[2])) : 1024;
    const unsigned int height = argc == 4 ? static_cast<unsigned int>(std::atoi(argv[3])) : 768;
    KaZoneDescription zone;
    zone.name = "harbour";
    addMaterials(zone);
    zone.scenes.pushBack(office(width, height));
    zone.scenes.pushBack(quay(width, height));
    int status = 0;
    for (unsigned long i = 0; i < zone.scenes.size(); ++i) {
        const KaZoneDescription::Scene& scene = zone.scenes[i];
        const KaPath path(KaString(argv[1]) + "/" + scene.name + ".png");
        const auto start = std::chrono::steady_clock::now();
        KaImage image;
        bool painted = KaRoomPainter::paint(zone, scene, image);
        const auto middle = std::chrono::steady_clock::now();
        painted = painted && KaPng().save(image, path);
        const auto end = std::chrono::steady_clock::now();
        std::printf("%s: %s, painted in %.2f s, written in %.2f s\n", path.c_str(), painted ? "done" : "FAILED",
            std::chrono::duration<double>(middle - start).count(), std::chrono::duration<double>(end - middle).count());
        status |= painted ? 0 : 1;
    }
    return status;
}
