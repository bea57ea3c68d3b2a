#include <gtest/gtest.h>

#include <tinyxml.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "engine/core/KaCore.h"
#include "engine/core/KaObject.h"
#include "engine/core/KaStream.h"
#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaMainWindow.h"
#include "engine/input/KaInputMgr.h"
#include "engine/scene/KaFreeMoveZone.h"
#include "engine/core/KaVariant.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/script/KaLuaContext.h"
#include "engine/script/KaLuaGUI.h"
#include "engine/script/KaLuaScript.h"
#include "game/scene/SceneGeometryFile.h"
#include "tests/engine/graphics/KaGLTestContext.h"
#include "tests/support/KaTestSupport.h"
#include "tools/scene/KaSceneCamera.h"
#include "tools/scene/KaZoneCompiler.h"
#include "tools/scene/KaZoneParser.h"

namespace {

std::string contentFolder()
{
    const char* source = std::getenv("KA_TEST_SOURCE_DIR");
    return std::string(source ? source : ".") + "/content";
}

struct SampleZone {
    std::string folder;
    KaZoneDescription description;
    SceneGeometryFile geometry;
};

// Every zone of the sample game, compiled and read back as the scene reads
// it (each scene's blockers baked into the grids, none held by the zones).
std::vector<std::unique_ptr<SampleZone>> sampleZones()
{
    std::vector<std::unique_ptr<SampleZone>> zones;
    for (const auto& entry : std::filesystem::directory_iterator(contentFolder() + "/scenes")) {
        const std::filesystem::path file = entry.path() / (entry.path().filename().string() + ".zone");
        if (!std::filesystem::exists(file))
            continue;
        std::unique_ptr<SampleZone> zone(new SampleZone);
        zone->folder = entry.path().string();
        KaCaptureStdout console;
        EXPECT_TRUE(KaZoneParser::read(KaString(file.string().c_str()), zone->description)) << console.text();
        SceneGeometryFile written;
        KaZoneCompiler::buildGeometry(zone->description, written);
        KaStream stream;
        EXPECT_TRUE(written.write(stream));
        stream.seek(0);
        EXPECT_TRUE(zone->geometry.read(stream, nullptr, nullptr, nullptr)) << console.text();
        zones.push_back(std::move(zone));
    }
    return zones;
}

KaFreeMoveZone* floorOf(SampleZone& zone, const KaString& scene)
{
    for (unsigned long i = 0; i < zone.geometry.zones.size(); ++i)
        if (zone.geometry.zones[i]->name() == KaString("Zone") + scene)
            return zone.geometry.zones[i];
    return nullptr;
}

bool endsWith(const KaString& text, const KaString& end)
{
    return text.length() >= end.length() && std::string(text.c_str()).substr(text.length() - end.length()) == end.c_str();
}

TEST(SampleScenesTest, EveryZoneCompilesAndEveryCameraSeesItsWholeFloor)
{
    const std::vector<std::unique_ptr<SampleZone>> zones = sampleZones();
    ASSERT_FALSE(zones.empty());
    for (const auto& zone : zones) {
        const KaZoneDescription& d = zone->description;
        EXPECT_EQ(zone->geometry.cameras.size(), d.scenes.size());
        for (unsigned long s = 0; s < d.scenes.size(); ++s) {
            const KaZoneDescription::Scene& scene = d.scenes[s];
            EXPECT_STREQ(scene.camera.name.c_str(), (KaString("Camera") + scene.name).c_str());
            KaFreeMoveZone* floor = floorOf(*zone, scene.name);
            ASSERT_NE(floor, nullptr) << scene.name.c_str();
            KaIntrusivePtr<KaCamera> camera = KaSceneCamera::create(scene.camera, scene.width, scene.height);
            const KaMatrix4x4 toCamera = camera->worldTransformationMatrix().getInverseMatrix();
            const KaArray<KaVector3f32>& vertices = floor->vertices();
            for (unsigned long v = 0; v < vertices.size(); ++v) {
                const KaVector2f32 pixel = camera->projectPoint(vertices[v]);
                EXPECT_GT((toCamera * vertices[v]).z, scene.camera.nearPlane) << scene.name.c_str();
                EXPECT_TRUE(pixel.x >= 0.0f && pixel.x <= static_cast<float>(scene.width) && pixel.y >= 0.0f
                    && pixel.y <= static_cast<float>(scene.height))
                    << scene.name.c_str() << ": vertex " << v << " at " << pixel.x << ", " << pixel.y;
            }
        }
    }
}

// The player can walk between every two places a script puts them or
// sends them to: the scene's dummies and the ends of its curves that lie
// on its floor.
TEST(SampleScenesTest, DummiesAndPathsOfEachSceneAreReachableOnItsFloor)
{
    std::vector<std::unique_ptr<SampleZone>> zones = sampleZones();
    for (auto& zone : zones) {
        const KaZoneDescription& d = zone->description;
        for (unsigned long s = 0; s < d.scenes.size(); ++s) {
            const KaString& scene = d.scenes[s].name;
            KaFreeMoveZone* floor = floorOf(*zone, scene);
            ASSERT_NE(floor, nullptr);
            std::vector<KaVector3f32> places;
            for (unsigned long i = 0; i < d.dummies.size(); ++i)
                if (endsWith(d.dummies[i].name, scene))
                    places.push_back(d.dummies[i].position);
            for (unsigned long i = 0; i < d.curves.size(); ++i)
                if (endsWith(d.curves[i].name, scene))
                    places.push_back(d.curves[i].points[0]);
            EXPECT_GE(places.size(), 3u) << scene.c_str();
            for (const KaVector3f32& from : places)
                for (const KaVector3f32& to : places)
                    EXPECT_TRUE(floor->curve(from, to)) << scene.c_str() << ": " << from.x << "," << from.z << " to "
                                                       << to.x << "," << to.z;
            // Every act zone is stood in from somewhere on the floor.
            for (unsigned long a = 0; a < d.scenes[s].actZones.size(); ++a) {
                const KaActZone& act = d.scenes[s].actZones[a];
                const KaVector3f32 middle((act.corners[0].x + act.corners[2].x) / 2.0f, 0.0f,
                    (act.corners[0].y + act.corners[2].y) / 2.0f);
                EXPECT_TRUE(floor->curve(places[0], middle)) << scene.c_str() << ": " << act.name.c_str();
            }
        }
    }
}

// Each scene has its five files, and its lights file uses the element and
// attribute names the scene reads, and no others.
TEST(SampleScenesTest, EverySceneHasItsLuaFilesAndALightsFileTheSceneReads)
{
    const std::vector<std::unique_ptr<SampleZone>> zones = sampleZones();
    const std::set<std::string> globalChildren = { "Ambient" };
    const std::set<std::string> lightChildren
        = { "Position", "Direction", "Ambient", "Diffuse", "Specular", "Attenuation", "Cutoff", "Exponent", "DisplaySize" };
    const std::set<std::string> shadowChildren = { "SourceLight", "Fov", "NearPlane", "FarPlane", "Color" };
    for (const auto& zone : zones) {
        for (unsigned long s = 0; s < zone->description.scenes.size(); ++s) {
            const std::string scene = zone->description.scenes[s].name.c_str();
            const std::string folder = zone->folder + "/" + scene + "/";
            for (const char* kind : { "Set", "Int", "For", "Logic" })
                EXPECT_TRUE(std::filesystem::exists(folder + kind + scene + ".lua")) << folder << kind;

            TiXmlDocument lights;
            ASSERT_TRUE(lights.LoadFile((folder + "lights.xml").c_str())) << folder << lights.ErrorDesc();
            std::set<std::string> seen;
            int lightCount = 0;
            int source = -1;
            for (const TiXmlElement* top = lights.FirstChildElement(); top; top = top->NextSiblingElement()) {
                const std::string name = top->Value();
                seen.insert(name);
                const std::set<std::string>* allowed = name == "Global" ? &globalChildren
                    : name == "Lights"                                  ? &lightChildren
                    : name == "Shadow"                                  ? &shadowChildren
                                                                        : nullptr;
                ASSERT_NE(allowed, nullptr) << folder << name;
                for (const TiXmlElement* child = top->FirstChildElement(); child; child = child->NextSiblingElement()) {
                    if (name == "Lights") {
                        EXPECT_STREQ(child->Value(), "Light");
                        const std::string type = child->Attribute("Type") ? child->Attribute("Type") : "";
                        EXPECT_TRUE(type == "Point" || type == "Directional" || type == "Spot") << type;
                        ++lightCount;
                        for (const TiXmlElement* part = child->FirstChildElement(); part;
                             part = part->NextSiblingElement())
                            EXPECT_EQ(allowed->count(part->Value()), 1u) << folder << part->Value();
                    } else {
                        EXPECT_EQ(allowed->count(child->Value()), 1u) << folder << child->Value();
                        if (std::string(child->Value()) == "SourceLight")
                            child->QueryIntAttribute("number", &source);
                    }
                }
            }
            EXPECT_EQ(seen.size(), 3u) << folder;
            EXPECT_GT(lightCount, 0) << folder;
            EXPECT_TRUE(source >= 0 && source < lightCount) << folder << " shadow source " << source;
        }
    }
}

// The interaction buttons lie over the hit meshes whose names they carry,
// as the scene's camera shows them, so that both ways of clicking agree.
class SampleInteractionsTest : public KaGLRendererTest {
protected:
    void SetUp() override
    {
        KaGLRendererTest::SetUp();
        KaCaptureStdout quiet;
        core.get()->language();
        // The files include shared ones by their content path.
        ASSERT_NE(getcwd(mWorkingFolder, sizeof(mWorkingFolder)), nullptr);
        ASSERT_EQ(chdir(contentFolder().c_str()), 0);
    }
    void TearDown() override
    {
        EXPECT_EQ(chdir(mWorkingFolder), 0);
        KaObject::deleteNow();
        mainWindow.destroy();
        inputMgr.destroy();
        KaGLRendererTest::TearDown();
    }

    char mWorkingFolder[4096];
};

TEST_F(SampleInteractionsTest, ButtonsCoverTheirHitMeshes)
{
    const std::vector<std::unique_ptr<SampleZone>> zones = sampleZones();
    std::set<std::string> covered;
    for (const auto& zone : zones) {
        const KaZoneDescription& d = zone->description;
        for (unsigned long s = 0; s < d.scenes.size(); ++s) {
            const KaZoneDescription::Scene& scene = d.scenes[s];
            const std::string file = zone->folder + "/" + scene.name.c_str() + "/Int" + scene.name.c_str() + ".lua";
            KaLuaGUI gui;
            {
                KaCaptureStdout console;
                gui.load(KaPath(file.c_str()));
                EXPECT_EQ(console.text(), "") << file;
            }
            KaLayout* background = gui.layout("background");
            ASSERT_NE(background, nullptr) << file;
            KaIntrusivePtr<KaCamera> camera = KaSceneCamera::create(scene.camera, scene.width, scene.height);
            int buttons = 0;
            for (unsigned long c = 0; c < background->childCount(); ++c) {
                KaButtonLayout* button = dynamic_cast<KaButtonLayout*>(background->child(c));
                ASSERT_NE(button, nullptr) << file << ": the background holds only buttons";
                ++buttons;
                const KaZoneDescription::Object* object = d.object(button->name());
                ASSERT_NE(object, nullptr) << file << ": " << button->name().c_str();
                EXPECT_TRUE(object->name.contains("Clic")) << object->name.c_str();
                covered.insert(object->name.c_str());
                const KaVector3f32 centre = button->userPosition();
                const KaVector3f32 size = button->userSize();
                EXPECT_TRUE(centre.x - size.x / 2 >= 0.0f && centre.x + size.x / 2 <= 1.0f && centre.y - size.y / 2 >= 0.0f
                    && centre.y + size.y / 2 <= 1.0f)
                    << button->name().c_str() << " lies outside the picture";
                // Every corner of the mesh, within a margin of a few pixels.
                for (unsigned long v = 0; v < object->positions.size(); ++v) {
                    const KaVector2f32 pixel = camera->projectPoint(object->positions[v]);
                    const float x = pixel.x / static_cast<float>(scene.width);
                    const float y = pixel.y / static_cast<float>(scene.height);
                    EXPECT_LE(std::fabs(x - centre.x), size.x / 2 + 0.01f) << button->name().c_str() << " vertex " << v;
                    EXPECT_LE(std::fabs(y - centre.y), size.y / 2 + 0.01f) << button->name().c_str() << " vertex " << v;
                }
            }
            EXPECT_GE(buttons, 2) << file;
            gui.unload();
        }
        // Every hit mesh of the zone can be clicked through a button too.
        for (unsigned long o = 0; o < d.objects.size(); ++o) {
            if (d.objects[o].name.contains("Clic")) {
                EXPECT_EQ(covered.count(d.objects[o].name.c_str()), 1u) << d.objects[o].name.c_str();
            }
        }
    }
}

TEST_F(SampleInteractionsTest, SetAndForFilesGiveTheSceneItsLayouts)
{
    const std::vector<std::unique_ptr<SampleZone>> zones = sampleZones();
    for (const auto& zone : zones) {
        for (unsigned long s = 0; s < zone->description.scenes.size(); ++s) {
            const std::string scene = zone->description.scenes[s].name.c_str();
            const std::string folder = zone->folder + "/" + scene + "/";
            // The pictures and fonts are laid out by the build, not found here.
            KaCaptureStdout quiet;
            KaLuaGUI set;
            KaLuaGUI foreground;
            set.load(KaPath((folder + "Set" + scene + ".lua").c_str()));
            foreground.load(KaPath((folder + "For" + scene + ".lua").c_str()));
            KaLayout* background = set.layout("background");
            KaSpriteLayout* root = set.spriteLayout("root");
            ASSERT_NE(background, nullptr) << scene;
            ASSERT_NE(root, nullptr) << scene;
            EXPECT_EQ(root->parent(), background) << scene;
            // Each painted state lies over the background, hidden until a
            // script shows it, showing its own picture.
            const KaArray<KaString> states = zone->description.scenes[s].states();
            for (unsigned long k = 0; k < states.size(); ++k) {
                KaSpriteLayout* state = set.spriteLayout(states[k]);
                ASSERT_NE(state, nullptr) << scene << " " << states[k].c_str();
                EXPECT_EQ(state->parent(), background) << states[k].c_str();
                EXPECT_FALSE(state->visible()) << states[k].c_str();
            }
            EXPECT_NE(foreground.layout("background"), nullptr) << scene;
            EXPECT_NE(foreground.textLayout("placeName"), nullptr) << scene;
            set.unload();
            foreground.unload();
            KaObject::deleteNow();
        }
    }
}

} // namespace
