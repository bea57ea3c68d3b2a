#include <gtest/gtest.h>

#include <string>

#include "tests/support/KaTestSupport.h"
#include "tests/tools/scene/KaZoneTestDescriptions.h"
#include "tools/scene/KaZoneParser.h"

namespace {

unsigned long lines(const std::string& text)
{
    unsigned long count = 0;
    for (char c : text)
        count += c == '\n';
    return count;
}

TEST(KaZoneParserTest, ReadsEveryKindOfRecord)
{
    KaTempDir dir;
    dir.write("room.zone", kSmallZone);
    KaZoneDescription zone;
    KaCaptureStdout console;
    ASSERT_TRUE(KaZoneParser::read(KaString(dir.file("room.zone").c_str()), zone));
    EXPECT_EQ(console.text(), "");

    EXPECT_STREQ(zone.name.c_str(), "09");
    ASSERT_EQ(zone.materials.size(), 2u);
    const KaZoneDescription::Material* boards = zone.material("boards");
    ASSERT_NE(boards, nullptr);
    EXPECT_STREQ(boards->pattern.c_str(), "boards");
    EXPECT_EQ(boards->base.g, 86);
    EXPECT_EQ(boards->accent.r, 98);
    EXPECT_FLOAT_EQ(boards->scale, 16.0f);
    // Defaults: accent = base, plain, matt.
    const KaZoneDescription::Material* wall = zone.material("wall");
    ASSERT_NE(wall, nullptr);
    EXPECT_STREQ(wall->pattern.c_str(), "plain");
    EXPECT_EQ(wall->accent.b, wall->base.b);
    EXPECT_EQ(wall->base.a, 255);

    // A box is 24 corners and 12 triangles; a mesh after it keeps its own
    // indices, shifted past the box's corners.
    const KaZoneDescription::Object* door = zone.object("ClicDoor09010");
    ASSERT_NE(door, nullptr);
    EXPECT_EQ(door->positions.size(), 24u + 3u);
    EXPECT_EQ(door->indices.size(), 36u + 3u);
    EXPECT_EQ(door->indices[36], 24u);
    EXPECT_EQ(door->indices[38], 26u);
    EXPECT_EQ(door->color.g, 255);
    EXPECT_STREQ(zone.object("Lamp09010")->type.c_str(), "Lantern");

    const KaZoneDescription::WalkZone* floor = zone.walkZone("Zone09010");
    ASSERT_NE(floor, nullptr);
    EXPECT_EQ(floor->vertices.size(), 4u);
    ASSERT_EQ(floor->triangles.size(), 6u);
    EXPECT_EQ(floor->triangles[5], 3u);

    ASSERT_EQ(zone.curves.size(), 1u);
    EXPECT_EQ(zone.curves[0].points.size(), 3u);
    EXPECT_FLOAT_EQ(zone.curves[0].points[2].x, 380.0f);
    ASSERT_EQ(zone.dummies.size(), 1u);
    EXPECT_FLOAT_EQ(zone.dummies[0].yawDegrees, 90.0f);

    const KaZoneDescription::Scene* scene = zone.scene("09010");
    ASSERT_NE(scene, nullptr);
    // The camera is named after its scene unless it says otherwise.
    EXPECT_STREQ(scene->camera.name.c_str(), "Camera09010");
    EXPECT_FLOAT_EQ(scene->camera.fovDegrees, 45.0f);
    EXPECT_FLOAT_EQ(scene->camera.target.z, 200.0f);
    EXPECT_EQ(scene->width, 640u);
    EXPECT_EQ(scene->height, 480u);
    ASSERT_EQ(scene->shapes.size(), 2u);
    EXPECT_STREQ(scene->shapes[0].kind.c_str(), "quad");
    EXPECT_FLOAT_EQ(scene->shapes[0].corners[2].z, 400.0f);
    EXPECT_STREQ(scene->shapes[1].kind.c_str(), "box");
    EXPECT_TRUE(scene->shapes[1].inside);
    ASSERT_EQ(scene->lamps.size(), 1u);
    EXPECT_FALSE(scene->lamps[0].castsShadows);
    EXPECT_FLOAT_EQ(scene->lamps[0].range, 500.0f);
    ASSERT_EQ(scene->actZones.size(), 1u);
    EXPECT_STREQ(scene->actZones[0].name.c_str(), "Exit");
    EXPECT_FLOAT_EQ(scene->actZones[0].corners[2].y, 260.0f);
    ASSERT_EQ(scene->blockers.size(), 1u);
    EXPECT_FLOAT_EQ(scene->blockers[0].second.x, 250.0f);
    ASSERT_EQ(scene->rectBlockers.size(), 1u);
    EXPECT_STREQ(scene->rectBlockers[0].zoneName.c_str(), "Zone09010");
    EXPECT_FLOAT_EQ(scene->rectBlockers[0].corners[3].y, 300.0f);
}

// Every fault is one console line naming the file and the line it is on,
// and the description is left empty.
TEST(KaZoneParserTest, RefusesFaultyFilesWithOneLine)
{
    struct Case {
        const char* name;
        std::string from;
        std::string to;
        const char* message;
    } cases[] = {
        { "malformed number", "position=\"0,300,-200\"", "position=\"0,3O0,-200\"",
            "room.zone:20: <Camera> position: \"3O0\" is not a number" },
        { "missing component", "position=\"0,300,-200\"", "position=\"0,300\"",
            "room.zone:20: <Camera> position: \"0,300\" should be 3 numbers separated by commas" },
        { "index past the vertices", "triangles=\"0,1,2  0,2,3\"", "triangles=\"0,1,2  0,2,4\"",
            "room.zone:9: <WalkZone> triangles: index 4 is past the 4 vertices" },
        { "negative index", "triangles=\"0,1,2  0,2,3\"", "triangles=\"0,1,2  0,-2,3\"",
            "<WalkZone> triangles: \"0,-2,3\" holds an index that is not a whole number" },
        { "mesh index past its own vertices", "triangles=\"0,1,2\"", "triangles=\"0,1,3\"",
            "<Mesh> triangles: index 3 is past the 3 vertices" },
        { "unknown element", "<Lamp ", "<Lump ", "room.zone:23: <Scene> cannot hold <Lump>" },
        { "unknown attribute", "yaw=\"90\"", "yaw=\"90\" pitch=\"3\"", "<Dummy> has no attribute \"pitch\"" },
        { "missing attribute", " name=\"Exit\"", "", "<ActZone> name: missing" },
        { "name used twice", "name=\"wall\"", "name=\"boards\"", "<Material> name \"boards\" is used twice" },
        { "unknown material", "material=\"wall\" inside", "material=\"paint\" inside",
            "<Box> material: no <Material> is named \"paint\"" },
        { "unknown walkable zone", "<Blocker zone=\"Zone09010\"", "<Blocker zone=\"Zone9010\"",
            "<Blocker> zone: no <WalkZone> is named \"Zone9010\"" },
        { "camera on its target", "target=\"0,0,200\"", "target=\"0,300,-200\"",
            "<Camera> position and target are the same point" },
        { "unknown top material", "inside=\"true\"", "inside=\"true\" top=\"roof\"",
            "<Box> no <Material> is named \"roof\"" },
        { "colour out of range", "base=\"122,86,56\"", "base=\"122,286,56\"", "should be whole numbers 0 to 255" },
        { "unknown pattern", "pattern=\"boards\"", "pattern=\"planks\"", "\"planks\" is not a pattern" },
        { "not XML", "</Zone>", "</Zon>", "room.zone:" },
        { "a shape in a state and out of it", "material=\"wall\" inside",
            "material=\"wall\" only=\"Open\" except=\"Open\" inside",
            "<Box> takes \"only\" or \"except\", not both" },
        { "a state that is no file name", "material=\"boards\"/>", "material=\"boards\" only=\"../Open\"/>",
            "<Quad> state \"../Open\" should be letters and digits" },
        { "a state named as the background", "material=\"boards\"/>",
            "material=\"boards\" except=\"background\"/>", "not \"background\"" },
    };
    for (const Case& c : cases) {
        std::string text = kSmallZone;
        const size_t at = text.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.name;
        text.replace(at, c.from.size(), c.to);
        KaZoneDescription zone;
        KaCaptureStdout console;
        EXPECT_FALSE(KaZoneParser::parse(KaString(text.c_str()), "room.zone", zone)) << c.name;
        const std::string printed = console.text();
        EXPECT_EQ(lines(printed), 1u) << c.name << ": " << printed;
        EXPECT_EQ(printed.rfind("[KaZoneParser::read] ", 0), 0u) << c.name << ": " << printed;
        EXPECT_NE(printed.find(c.message), std::string::npos) << c.name << ": " << printed;
        EXPECT_TRUE(zone.scenes.isEmpty() && zone.objects.isEmpty() && zone.walkZones.isEmpty()) << c.name;
    }
}

TEST(KaZoneParserTest, StatesAndPrintedTextAreRead)
{
    // A shape painted only in a state, one left out of it, and a material
    // with a line of print; each state is listed once, in order.
    std::string text = kSmallZone;
    const struct {
        const char* from;
        const char* to;
    } edits[] = {
        { "<Material name=\"wall\" base=\"246,236,217\"/>",
            "<Material name=\"wall\" base=\"246,236,217\"/>\n"
            "  <Material name=\"table\" pattern=\"tidetable\" base=\"246,236,217\" text=\"555 0142\"/>\n"
            "  <Material name=\"glass\" pattern=\"pane\" base=\"200,214,220\"/>" },
        { "<Lamp position", "<Quad corners=\"0,0,1  1,0,1  1,1,1  0,1,1\" material=\"glass\" except=\"Open\"/>\n"
                            "    <Box min=\"0,0,0\" max=\"1,1,1\" material=\"table\" only=\"Open\"/>\n"
                            "    <Box min=\"0,0,0\" max=\"1,1,1\" material=\"table\" only=\"Lit2\"/>\n"
                            "    <Lamp position" },
    };
    for (const auto& edit : edits) {
        const size_t at = text.find(edit.from);
        ASSERT_NE(at, std::string::npos) << edit.from;
        text.replace(at, std::string(edit.from).size(), edit.to);
    }
    KaZoneDescription zone;
    KaCaptureStdout console;
    ASSERT_TRUE(KaZoneParser::parse(KaString(text.c_str()), "room.zone", zone)) << console.text();
    EXPECT_EQ(console.text(), "");
    ASSERT_NE(zone.material("table"), nullptr);
    EXPECT_STREQ(zone.material("table")->text.c_str(), "555 0142");
    EXPECT_STREQ(zone.material("table")->pattern.c_str(), "tidetable");
    EXPECT_STREQ(zone.material("glass")->pattern.c_str(), "pane");
    EXPECT_STREQ(zone.material("wall")->text.c_str(), "");
    const KaZoneDescription::Scene* scene = zone.scene("09010");
    ASSERT_NE(scene, nullptr);
    ASSERT_EQ(scene->shapes.size(), 5u);
    EXPECT_STREQ(scene->shapes[1].only.c_str(), "");
    EXPECT_STREQ(scene->shapes[2].except.c_str(), "Open");
    EXPECT_STREQ(scene->shapes[3].only.c_str(), "Open");
    const KaArray<KaString> states = scene->states();
    ASSERT_EQ(states.size(), 2u);
    EXPECT_STREQ(states[0].c_str(), "Open");
    EXPECT_STREQ(states[1].c_str(), "Lit2");
}

TEST(KaZoneParserTest, MissingFileIsOneLine)
{
    KaTempDir dir;
    KaZoneDescription zone;
    KaCaptureStdout console;
    EXPECT_FALSE(KaZoneParser::read(KaString(dir.file("absent.zone").c_str()), zone));
    const std::string printed = console.text();
    EXPECT_EQ(lines(printed), 1u) << printed;
    EXPECT_NE(printed.find("[KaZoneParser::read] Can't open zone file : "), std::string::npos) << printed;
    EXPECT_NE(printed.find("absent.zone"), std::string::npos) << printed;
}

} // namespace
