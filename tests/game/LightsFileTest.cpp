#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/core/KaCore.h"
#include "engine/core/KaXMLLoad.h"
#include "game/scene/LightsFile.h"
#include "tests/support/KaTestSupport.h"

namespace {

const float kDegree = 3.1415927f / 180.0f;

void expectColor(const KaColor& actual, int r, int g, int b, int a, const char* what)
{
    EXPECT_EQ(r, actual.r) << what;
    EXPECT_EQ(g, actual.g) << what;
    EXPECT_EQ(b, actual.b) << what;
    EXPECT_EQ(a, actual.a) << what;
}

// The fields of a light the file never reached.
void expectUntouchedPlacement(const KaLight& light)
{
    EXPECT_EQ(KaVector3f32(0, 0, 0), light.position());
    EXPECT_EQ(0.0f, light.direction().x);
    EXPECT_EQ(0.0f, light.direction().y);
    EXPECT_EQ(1.0f, light.constantAttenuation());
    EXPECT_EQ(0.0f, light.linearAttenuation());
    EXPECT_EQ(0.0f, light.quadraticAttenuation());
    EXPECT_EQ(0.0f, light.cutoff());
    EXPECT_EQ(0.0f, light.exponent());
}

std::string lights(const std::string& inner) { return "<Lights>" + inner + "</Lights>"; }

// Every child a spot light reads, with values no default has.
const std::string kAllChildren = "<Position x=\"1\" y=\"2\" z=\"3\"/>"
                                 "<Direction h=\"90\" v=\"-45\"/>"
                                 "<Ambient r=\"1\" g=\"2\" b=\"3\"/>"
                                 "<Diffuse r=\"4\" g=\"5\" b=\"6\"/>"
                                 "<Specular r=\"7\" g=\"8\" b=\"9\"/>"
                                 "<Attenuation constant=\"0.5\" linear=\"0.25\" quadratic=\"0.125\"/>"
                                 "<Cutoff value=\"30\"/>"
                                 "<Exponent value=\"12\"/>"
                                 "<DisplaySize value=\"7.5\"/>";

class LightsFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        KaLight::globalAmbient = KaColor(9, 9, 9, 255);
        // The core's own start-up line stays out of what the tests read.
        KaCaptureStdout console;
        core.get();
    }
    void TearDown() override
    {
        KaLight::globalAmbient = KaColor(0, 0, 0, 255);
        core.destroy();
    }

    bool read(const std::string& text)
    {
        folder.write("lights.xml", text);
        return LightsFile::read(KaPath(folder.file("lights.xml").c_str()), result, fileShadow);
    }

    KaTempDir folder;
    KaArray<KaLight> result;
    LightsFile::Shadow fileShadow;
};

TEST_F(LightsFileTest, EachTypeReadsItsOwnChildren)
{
    ASSERT_TRUE(read(lights("<Light Type=\"Directional\">" + kAllChildren
        + "</Light>"
          "<Light Type=\"Point\">"
        + kAllChildren
        + "</Light>"
          "<Light Type=\"Spot\">"
        + kAllChildren + "</Light>")));
    ASSERT_EQ(3u, result.size());

    const KaLight& directional = result[0];
    EXPECT_EQ(KaLight::DIRECTIONAL, directional.type());
    EXPECT_EQ(KaVector3f32(0, 0, 0), directional.position()) << "no position";
    EXPECT_EQ(1.0f, directional.constantAttenuation()) << "no attenuation";
    EXPECT_EQ(0.0f, directional.linearAttenuation());
    EXPECT_EQ(0.0f, directional.quadraticAttenuation());
    EXPECT_EQ(0.0f, directional.cutoff());
    EXPECT_EQ(0.0f, directional.exponent());
    EXPECT_FLOAT_EQ(90 * kDegree, directional.direction().x);
    EXPECT_FLOAT_EQ(-45 * kDegree, directional.direction().y);
    expectColor(directional.ambient(), 1, 2, 3, 255, "ambient");
    EXPECT_EQ(7.5f, directional.displaySize());

    const KaLight& point = result[1];
    EXPECT_EQ(KaLight::POINT, point.type());
    EXPECT_EQ(KaVector3f32(1, 2, 3), point.position());
    EXPECT_EQ(0.0f, point.direction().x) << "no direction";
    EXPECT_EQ(0.0f, point.direction().y);
    EXPECT_EQ(0.0f, point.cutoff()) << "no cutoff";
    EXPECT_EQ(0.0f, point.exponent()) << "no exponent";
    EXPECT_EQ(0.5f, point.constantAttenuation());
    EXPECT_EQ(0.25f, point.linearAttenuation());
    EXPECT_EQ(0.125f, point.quadraticAttenuation());
    expectColor(point.diffuse(), 4, 5, 6, 255, "diffuse");

    const KaLight& spot = result[2];
    EXPECT_EQ(KaLight::SPOT, spot.type());
    EXPECT_EQ(KaVector3f32(1, 2, 3), spot.position());
    EXPECT_FLOAT_EQ(90 * kDegree, spot.direction().x);
    EXPECT_FLOAT_EQ(30 * kDegree, spot.cutoff());
    EXPECT_EQ(12.0f, spot.exponent());
    EXPECT_EQ(0.125f, spot.quadraticAttenuation());
    expectColor(spot.specular(), 7, 8, 9, 255, "specular");
    EXPECT_EQ(7.5f, spot.displaySize());
}

TEST_F(LightsFileTest, Variants)
{
    struct Case {
        const char* what;
        std::string text;
        std::function<void(const KaArray<KaLight>&, const LightsFile::Shadow&)> check;
    };
    const Case cases[] = {
        { "only a shadow: no lights",
            "<Shadow><SourceLight number=\"2\"/><Fov value=\"35\"/><NearPlane value=\"2\"/>"
            "<FarPlane value=\"500\"/><Color r=\"10\" g=\"20\" b=\"30\" a=\"40\"/></Shadow>",
            [](const KaArray<KaLight>& lights, const LightsFile::Shadow& shadow) {
                EXPECT_EQ(0u, lights.size());
                EXPECT_EQ(2, shadow.sourceLight);
                EXPECT_EQ(35.0f, shadow.fov) << "kept as given, not converted";
                EXPECT_EQ(2.0f, shadow.nearPlane);
                EXPECT_EQ(500.0f, shadow.farPlane);
                expectColor(shadow.color, 10, 20, 30, 40, "shadow");
            } },
        { "two ambient children: the second wins",
            lights(
                "<Light Type=\"Point\"><Ambient r=\"1\" g=\"1\" b=\"1\"/><Ambient r=\"2\" g=\"3\" b=\"4\"/></Light>"),
            [](const KaArray<KaLight>& lights, const LightsFile::Shadow&) {
                ASSERT_EQ(1u, lights.size());
                expectColor(lights[0].ambient(), 2, 3, 4, 255, "ambient");
            } },
        { "colours keep their low 8 bits",
            lights("<Light Type=\"Spot\"><Diffuse r=\"300\" g=\"256\" b=\"-1\"/></Light>"),
            [](const KaArray<KaLight>& lights, const LightsFile::Shadow&) {
                ASSERT_EQ(1u, lights.size());
                expectColor(lights[0].diffuse(), 44, 0, 255, 255, "diffuse");
            } },
        { "file order, other children of Lights skipped",
            lights("<Light Type=\"Spot\"/><Lamp Type=\"Directional\"/><Light Type=\"Point\"/>"
                   "<Light Type=\"Directional\"><DisplaySize value=\"4\"/></Light>"),
            [](const KaArray<KaLight>& lights, const LightsFile::Shadow&) {
                ASSERT_EQ(3u, lights.size());
                EXPECT_EQ(KaLight::SPOT, lights[0].type());
                EXPECT_EQ(KaLight::POINT, lights[1].type());
                EXPECT_EQ(KaLight::DIRECTIONAL, lights[2].type());
                EXPECT_EQ(4.0f, lights[2].displaySize());
            } },
        { "a direction without h", lights("<Light Type=\"Directional\"><Direction v=\"30\"/></Light>"),
            [](const KaArray<KaLight>& lights, const LightsFile::Shadow&) {
                ASSERT_EQ(1u, lights.size());
                EXPECT_EQ(0.0f, lights[0].direction().x);
                EXPECT_FLOAT_EQ(30 * kDegree, lights[0].direction().y);
            } },
        { "an unknown type is a default light", lights("<Light Type=\"spot\">" + kAllChildren + "</Light><Light/>"),
            [](const KaArray<KaLight>& lights, const LightsFile::Shadow&) {
                ASSERT_EQ(2u, lights.size());
                for (unsigned long i = 0; i < lights.size(); ++i) {
                    EXPECT_EQ(KaLight::POINT, lights[i].type());
                    expectUntouchedPlacement(lights[i]);
                    expectColor(lights[i].ambient(), 0, 0, 0, 255, "ambient");
                    expectColor(lights[i].diffuse(), 0, 0, 0, 255, "diffuse");
                    expectColor(lights[i].specular(), 255, 255, 255, 255, "specular");
                    EXPECT_EQ(3.0f, lights[i].displaySize());
                }
            } },
        { "missing attributes keep the field",
            lights("<Light Type=\"Spot\"><Position y=\"5\"/><Specular r=\"10\"/><Attenuation linear=\"2\"/>"
                   "<Cutoff/></Light>"),
            [](const KaArray<KaLight>& lights, const LightsFile::Shadow&) {
                ASSERT_EQ(1u, lights.size());
                EXPECT_EQ(KaVector3f32(0, 5, 0), lights[0].position());
                expectColor(lights[0].specular(), 10, 255, 255, 255, "specular");
                EXPECT_EQ(1.0f, lights[0].constantAttenuation());
                EXPECT_EQ(2.0f, lights[0].linearAttenuation());
                EXPECT_EQ(0.0f, lights[0].cutoff());
                EXPECT_EQ(0.0f, lights[0].exponent()) << "a spot without an exponent spreads evenly";
            } },
        { "a shadow that gives one value keeps the others", "<Shadow><FarPlane value=\"3000\"/><SourceLight/></Shadow>",
            [](const KaArray<KaLight>&, const LightsFile::Shadow& shadow) {
                EXPECT_EQ(-1, shadow.sourceLight);
                EXPECT_EQ(20.0f, shadow.fov);
                EXPECT_EQ(1.0f, shadow.nearPlane);
                EXPECT_EQ(3000.0f, shadow.farPlane);
                expectColor(shadow.color, 0, 0, 0, 128, "shadow");
            } },
        { "only the first top-level element of a name counts, in any order",
            "<Shadow><Fov value=\"10\"/></Shadow>" + lights("<Light Type=\"Point\"/>")
                + "<Shadow><Fov value=\"99\"/></Shadow>" + lights("<Light/><Light/>"),
            [](const KaArray<KaLight>& lights, const LightsFile::Shadow& shadow) {
                EXPECT_EQ(1u, lights.size());
                EXPECT_EQ(10.0f, shadow.fov);
            } },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        result.clear();
        fileShadow = LightsFile::Shadow();
        ASSERT_TRUE(read(test.text));
        test.check(result, fileShadow);
        EXPECT_EQ(nullptr, KaXMLBuffer) << "the loader's buffer is freed";
    }
}

TEST_F(LightsFileTest, GlobalAmbientLastOneWinsAndIsOpaque)
{
    ASSERT_TRUE(read("<Lights/><Global><Ambient r=\"10\" g=\"20\" b=\"30\"/><Other r=\"1\"/>"
                     "<Ambient r=\"40\" g=\"50\" b=\"300\"/></Global>"));
    expectColor(KaLight::globalAmbient, 40, 50, 44, 255, "global ambient");

    KaLight::globalAmbient = KaColor(1, 2, 3, 0);
    ASSERT_TRUE(read("<Global><Ambient g=\"7\"/></Global>"));
    expectColor(KaLight::globalAmbient, 1, 7, 3, 255, "missing channels kept");
}

TEST_F(LightsFileTest, LightsAreAppendedToWhatTheArrayHolds)
{
    result.pushBack(KaLight());
    ASSERT_TRUE(read(lights("<Light Type=\"Spot\"/>")));
    ASSERT_EQ(2u, result.size());
    EXPECT_EQ(KaLight::SPOT, result[1].type());
}

TEST_F(LightsFileTest, UnreadableFileChangesNothing)
{
    fileShadow.fov = 45.0f;
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        { "<Global><Ambient r=\"1\" g=\"1\" b=\"1\"/></Global><Lights><Light Type=\"Point\"/>"
          "<Shadow><Fov value=\"1\"/></Shadow>",
            "Error reading" },
        { "", "Error document empty." },
    };
    const std::string path = folder.file("lights.xml");
    for (const Case& test : cases) {
        KaCaptureStdout console;
        EXPECT_FALSE(read(test.text));
        const std::string printed = console.text();
        EXPECT_EQ(0u, printed.find("[KaSceneWarp::Load] file :" + path + " error : " + test.message)) << printed;
        EXPECT_EQ(0u, result.size());
        EXPECT_EQ(45.0f, fileShadow.fov);
        expectColor(KaLight::globalAmbient, 9, 9, 9, 255, "global ambient");
        EXPECT_EQ(nullptr, KaXMLBuffer);
    }

    KaCaptureStdout console;
    EXPECT_FALSE(LightsFile::read(KaPath("scenes/none/none/lights.xml"), result, fileShadow));
    EXPECT_NE(std::string::npos,
        console.text().find("[KaSceneWarp::Load] file :scenes/none/none/lights.xml error : could not open file\n"));
    EXPECT_EQ(0u, result.size());
}

} // namespace
