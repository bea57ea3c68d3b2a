#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/scene/KaRoomPainter.h"
#include "tools/scene/KaZoneCompiler.h"
#include "tools/scene/KaZoneDescription.h"
#include "tools/scene/KaZoneParser.h"

// Writes the sample game's scene files: for every zone folder of the source
// folder (a folder holding "<zone>.zone"), the zone's geometry file, each
// scene's "actions.bin" and "blockers.bin", and each scene's background
// picture, under "<resources>/scenes/<zone>/...".
//
//   ka_content_scenes <content/scenes folder> <resources folder>
namespace {

// Each scene's background, painted under the very camera the scene runs
// with, as "scenes/<zone>/<scene>/background.png" (the Set file shows it),
// and what each of its states changes, as "<state>.png" beside it (the Set
// file holds it hidden until a script shows it).
bool paintBackgrounds(const KaZoneDescription& zone, const std::string& resources)
{
    bool ok = true;
    for (unsigned long i = 0; i < zone.scenes.size(); ++i) {
        const KaZoneDescription::Scene& scene = zone.scenes[i];
        const KaString folder = KaZoneCompiler::sceneFolder(KaString(resources.c_str()), zone.name, scene.name);
        ok = KaRoomPainter::paintAll(zone, scene, folder) && ok;
    }
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <scenes source folder> <resources folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path source(argv[1]);
    const std::string resources(argv[2]);
    std::vector<std::filesystem::path> zones;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(source, error)) {
        const std::filesystem::path file = entry.path() / (entry.path().filename().string() + ".zone");
        if (entry.is_directory() && std::filesystem::exists(file))
            zones.push_back(file);
    }
    if (error || zones.empty()) {
        std::fprintf(stderr, "%s: no zone description under %s\n", argv[0], argv[1]);
        return 1;
    }
    std::sort(zones.begin(), zones.end());
    bool ok = true;
    for (const std::filesystem::path& file : zones) {
        KaZoneDescription zone;
        if (!KaZoneParser::read(KaString(file.string().c_str()), zone)) {
            ok = false;
            continue;
        }
        ok = KaZoneCompiler::write(zone, KaString(resources.c_str())) && ok;
        ok = paintBackgrounds(zone, resources) && ok;
    }
    return ok ? 0 : 1;
}
