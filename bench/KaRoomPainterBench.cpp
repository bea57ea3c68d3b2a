// Painting a scene background at the game's 1024 x 768: a furnished room
// with two lamps and a glowing window, every pattern on some surface, into
// an image, then the same written as PNG (the engine's writer, the larger
// share of the time). The content build paints every scene this way.

#include <unistd.h>

#include <string>

#include <benchmark/benchmark.h>

#include "engine/graphics/KaImage.h"
#include "tools/scene/KaRoomPainter.h"

namespace {

typedef KaVector3f32 V;

KaZoneDescription room(KaZoneDescription::Scene& scene)
{
    KaZoneDescription zone;
    const char* patterns[] = { "plain", "boards", "tiles", "stripes", "bricks", "cobbles", "water", "sky", "glass" };
    const KaColor base(200, 150, 110, 255), accent(60, 40, 30, 255);
    for (const char* pattern : patterns)
        zone.materials.pushBack(KaZoneDescription::Material::make(pattern, base, accent, pattern, 30.0f, 0.3f));
    zone.materials.pushBack(KaZoneDescription::Material::make("shade", base, accent, "plain", 30.0f, 0.0f, 1.0f));
    scene.name = "bench";
    scene.camera.name = "Camerabench";
    scene.camera.position = V(-40, 175, 260);
    scene.camera.target = V(20, 95, -120);
    scene.ambient = KaColor(40, 44, 60, 255);
    scene.shapes.pushBack(KaZoneDescription::Shape::box(V(-300, 0, -250), V(300, 270, 300), "stripes", true));
    scene.shapes[0].bottomMaterial = "boards";
    scene.shapes.pushBack(KaZoneDescription::Shape::box(V(-300, 0, -250), V(300, 95, -244), "bricks"));
    scene.shapes.pushBack(KaZoneDescription::Shape::box(V(-20, 72, -110), V(150, 78, -30), "plain"));
    scene.shapes.pushBack(KaZoneDescription::Shape::box(V(-120, 0, -60), V(160, 1, 120), "tiles"));
    scene.shapes.pushBack(KaZoneDescription::Shape::box(V(-230, 110, -250), V(-80, 225, -243), "glass"));
    scene.shapes.pushBack(KaZoneDescription::Shape::box(V(200, 0, -200), V(280, 60, -120), "cobbles"));
    scene.shapes.pushBack(KaZoneDescription::Shape::box(V(-280, 0, 0), V(-200, 20, 80), "water"));
    scene.shapes.pushBack(KaZoneDescription::Shape::box(V(88, 118, -106), V(116, 136, -80), "shade"));
    for (int i = 0; i < 8; ++i)
        scene.shapes.pushBack(KaZoneDescription::Shape::box(V(-250.0f + 60.0f * i, 0, 150), V(-220.0f + 60.0f * i, 40.0f + 10.0f * i, 180), "plain"));
    KaZoneDescription::Lamp lamp;
    lamp.position = V(102, 124, -93);
    lamp.color = KaColor(236, 160, 72, 255);
    lamp.intensity = 2.0f;
    lamp.range = 520.0f;
    scene.lamps.pushBack(lamp);
    lamp.position = V(-150, 240, 100);
    lamp.intensity = 1.0f;
    scene.lamps.pushBack(lamp);
    return zone;
}

void BM_PaintRoom(benchmark::State& state)
{
    KaZoneDescription::Scene scene;
    const KaZoneDescription zone = room(scene);
    for (auto _ : state) {
        KaImage image;
        if (!KaRoomPainter::paint(zone, scene, image))
            state.SkipWithError("not painted");
        benchmark::DoNotOptimize(image.buffer());
    }
}
BENCHMARK(BM_PaintRoom)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PaintRoomToPng(benchmark::State& state)
{
    KaZoneDescription::Scene scene;
    const KaZoneDescription zone = room(scene);
    const std::string path = "/tmp/ka_room_painter_bench_" + std::to_string(getpid()) + ".png";
    for (auto _ : state)
        if (!KaRoomPainter::paint(zone, scene, KaPath(path.c_str())))
            state.SkipWithError("not written");
    unlink(path.c_str());
}
BENCHMARK(BM_PaintRoomToPng)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
