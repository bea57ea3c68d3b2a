#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>

#include "engine/core/KaCore.h"
#include "engine/core/KaXMLLoad.h"
#include "game/scene/Object3D.h"
#include "tests/engine/scene/KaModelBuilder.h"
#include "tests/engine/scene/KaSceneTestClock.h"
#include "tests/support/KaTestSupport.h"

namespace {

const float kPi = 3.14159265358979f;

void expectNear(const KaVector3f32& actual, float x, float y, float z)
{
    EXPECT_NEAR(x, actual.x, 1e-5f);
    EXPECT_NEAR(y, actual.y, 1e-5f);
    EXPECT_NEAR(z, actual.z, 1e-5f);
}

// q and -q turn alike.
void expectSameTurn(const KaQuaternion& expected, const KaQuaternion& actual)
{
    const float dot = expected.x * actual.x + expected.y * actual.y + expected.z * actual.z + expected.w * actual.w;
    EXPECT_NEAR(1.0f, std::fabs(dot), 1e-5f);
}

bool finite(const KaVector3f32& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool finite(const KaQuaternion& q)
{
    return std::isfinite(q.x) && std::isfinite(q.y) && std::isfinite(q.z) && std::isfinite(q.w);
}

// Runs in a content folder of its own: the objects' files are looked for
// under "objects/" of the current folder.
class Object3DTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(getcwd(previousFolder, sizeof previousFolder), nullptr);
        ASSERT_EQ(chdir(content.path().c_str()), 0);
        KaCaptureStdout console;
        core.get();
    }
    void TearDown() override
    {
        writeSettings("<ObjectsSettings/>");
        Object3D::loadSettings(KaPath("objects/ObjectsSettings.xml"));
        core.destroy();
        EXPECT_EQ(chdir(previousFolder), 0);
    }

    void writeSettings(const std::string& objects) const
    {
        content.write("objects/ObjectsSettings.xml", "<?xml version=\"1.0\" ?>\n" + objects);
    }
    bool loadSettings(const std::string& objects) const
    {
        writeSettings(objects);
        return Object3D::loadSettings(KaPath("objects/ObjectsSettings.xml"));
    }

    // A one-mesh model file as the engine writes it.
    void writeModel(const std::string& relative) const
    {
        KaModel model;
        KaMeshShape shape;
        shape.name = "crate";
        shape.vertices = 4;
        model.addMesh(KaMakeMesh(shape));
        content.write(relative, KaSaveModel(model, KaModel::mSelfSkinningFlag));
    }

    KaTempDir content;
    char previousFolder[4096];
};

TEST_F(Object3DTest, SettingsFile)
{
    struct Entry {
        const char* name;
        const char* file;
        KaVector3f32 scale;
    };
    struct Case {
        const char* what;
        std::string text;
        Entry entries[2];
        unsigned long count;
    };
    const Case cases[] = {
        { "names, files and scales",
            "<ObjectsSettings><Object name=\"Crate\"><modelFileName>Props/crate.kamd</modelFileName>"
            "<defaultScale>1.5,2,-3</defaultScale><comment>ignored</comment></Object>"
            "<Object name=\"Apple\"><defaultScale>1,1,1</defaultScale><modelFileName>apple.kamd</modelFileName>"
            "</Object></ObjectsSettings>",
            { { "Apple", "apple.kamd", KaVector3f32(1, 1, 1) },
                { "Crate", "Props/crate.kamd", KaVector3f32(1.5f, 2, -3) } },
            2 },
        { "no scale is a scale of zero",
            "<ObjectsSettings><Object name=\"Crate\"><modelFileName>crate.kamd</modelFileName></Object>"
            "</ObjectsSettings>",
            { { "Crate", "crate.kamd", KaVector3f32(0, 0, 0) } }, 1 },
        { "a later entry of a name wins",
            "<ObjectsSettings><Object name=\"Crate\"><modelFileName>old.kamd</modelFileName>"
            "<defaultScale>2,2,2</defaultScale></Object>"
            "<Object name=\"Crate\"><modelFileName>new.kamd</modelFileName></Object></ObjectsSettings>",
            { { "Crate", "new.kamd", KaVector3f32(0, 0, 0) } }, 1 },
        { "only Object children count, under the first root",
            "<Other><Object name=\"Lost\"/></Other><ObjectsSettings><Prop name=\"Lost\"/>"
            "<Object name=\"Crate\"><modelFileName>crate.kamd</modelFileName></Object></ObjectsSettings>"
            "<ObjectsSettings><Object name=\"Lost\"/></ObjectsSettings>",
            { { "Crate", "crate.kamd", KaVector3f32(0, 0, 0) } }, 1 },
        { "no objects", "<ObjectsSettings/>", {}, 0 },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        ASSERT_TRUE(loadSettings("<ObjectsSettings><Object name=\"Stale\"/></ObjectsSettings>"));
        ASSERT_TRUE(loadSettings(test.text));
        const std::map<KaString, Object3D::ObjectSettings>& settings = Object3D::objectsSettings();
        ASSERT_EQ(test.count, settings.size());
        std::map<KaString, Object3D::ObjectSettings>::const_iterator entry = settings.begin();
        for (unsigned long i = 0; i < test.count; ++i, ++entry) {
            EXPECT_STREQ(test.entries[i].name, entry->first.c_str());
            EXPECT_STREQ(test.entries[i].file, entry->second.modelFileName.c_str());
            EXPECT_EQ(test.entries[i].scale, entry->second.defaultScale);
        }
        EXPECT_EQ(nullptr, KaXMLBuffer);
    }
}

TEST_F(Object3DTest, UnreadableSettingsLeaveNoObjects)
{
    struct Case {
        const char* what;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        { "malformed", "<ObjectsSettings><Object name=\"Crate\">", "error : Error reading" },
        { "no root", "<Settings><Object name=\"Crate\"/></Settings>", "" },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        ASSERT_TRUE(loadSettings("<ObjectsSettings><Object name=\"Crate\"/></ObjectsSettings>"));
        KaCaptureStdout console;
        EXPECT_FALSE(loadSettings(test.text));
        const std::string printed = console.text();
        if (*test.message)
            EXPECT_EQ(0u,
                printed.find("[Object3D::loadSettings] file :objects/ObjectsSettings.xml " + std::string(test.message)))
                << printed;
        else
            EXPECT_EQ("", printed);
        EXPECT_TRUE(Object3D::objectsSettings().empty());
    }

    ASSERT_TRUE(loadSettings("<ObjectsSettings><Object name=\"Crate\"/></ObjectsSettings>"));
    KaCaptureStdout console;
    EXPECT_FALSE(Object3D::loadSettings(KaPath("objects/Missing.xml")));
    EXPECT_NE(std::string::npos,
        console.text().find("[Object3D::loadSettings] file :objects/Missing.xml error : could not open file\n"));
    EXPECT_TRUE(Object3D::objectsSettings().empty());
    Object3D object;
    EXPECT_FALSE(object.loadModel(KaString("Crate")));
}

TEST_F(Object3DTest, ModelLoadedFromTheObjectsFolder)
{
    writeModel("objects/Props/crate.kamd");
    content.write("objects/Props/broken.kamd", "KAMD");
    ASSERT_TRUE(loadSettings("<ObjectsSettings>"
                             "<Object name=\"Crate\"><modelFileName>Props/crate.kamd</modelFileName>"
                             "<defaultScale>2,3,4</defaultScale></Object>"
                             "<Object name=\"Broken\"><modelFileName>Props/broken.kamd</modelFileName></Object>"
                             "<Object name=\"Gone\"><modelFileName>Props/gone.kamd</modelFileName></Object>"
                             "</ObjectsSettings>"));

    Object3D crate;
    ASSERT_TRUE(crate.loadModel(KaString("Crate")));
    ASSERT_TRUE(crate.model());
    EXPECT_STREQ("Crate", crate.model()->name().c_str());
    EXPECT_EQ(1u, crate.model()->meshCount());
    EXPECT_EQ(KaVector3f32(2, 3, 4), crate.model()->scale());
    EXPECT_STREQ("objects/Textures", crate.model()->textureFolder().c_str());
    EXPECT_STREQ("Props/crate.kamd", crate.settings().modelFileName.c_str());
    EXPECT_EQ(KaVector3f32(2, 3, 4), crate.settings().defaultScale);

    // A second load gives a new model; the first one stays with whoever
    // holds it (the scene's list).
    KaIntrusivePtr<KaModel> first = crate.model();
    ASSERT_TRUE(crate.loadModel(KaString("Crate")));
    EXPECT_NE(first.get(), crate.model().get());

    const char* failing[] = { "Unknown", "Broken", "Gone" };
    for (const char* name : failing) {
        SCOPED_TRACE(name);
        Object3D object;
        KaCaptureStdout console;
        EXPECT_FALSE(object.loadModel(KaString(name)));
        console.text();
        ASSERT_TRUE(object.model()) << "an empty model is held";
        EXPECT_EQ(0u, object.model()->meshCount());
        EXPECT_STRNE(name, object.model()->name().c_str());
    }
}

TEST_F(Object3DTest, AttachedObjectHiddenUntilItsFramesAreSet)
{
    Object3D object;
    EXPECT_EQ(KaVector3f32(1, 1, 1), object.attachmentScale());
    const unsigned int frames[] = { 0, 1, 100, UINT_MAX };
    for (unsigned int frame : frames)
        EXPECT_FALSE(object.carriedAtFrame(frame)) << frame;
    object.setFrames(3, 5);
    EXPECT_FALSE(object.carriedAtFrame(2));
    EXPECT_TRUE(object.carriedAtFrame(3));
    EXPECT_TRUE(object.carriedAtFrame(5));
    EXPECT_FALSE(object.carriedAtFrame(6));
}

// Moves of a model on the fake clock; the clock's frame() is the frame
// loop's timer update.
class Object3DMoveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        object.model() = new KaModel();
        object.model()->setPosition(KaVector3f32(1, 0, 0));
    }
    // A frame of the loop, then the scene's update.
    void frame(double milliseconds)
    {
        clock.frame(milliseconds);
        object.updateMoves();
    }
    KaVector3f32 position() { return object.model()->position(); }

    KaSceneTestClock clock;
    Object3D object;
};

TEST_F(Object3DMoveTest, ObjectNeverMovedIsLeftAlone)
{
    EXPECT_EQ(-1.0f, object.translationDuration());
    EXPECT_EQ(-1.0f, object.rotationDuration());
    object.model()->setPosition(KaVector3f32(5, 6, 7));
    frame(1000);
    EXPECT_EQ(KaVector3f32(5, 6, 7), position());
    EXPECT_EQ(KaQuaternion(), object.model()->rotation());
}

TEST_F(Object3DMoveTest, TranslationHalfwayThenHeldAtItsEnd)
{
    object.translate(KaVector3f32(0, 0, 2), 4.0f);
    EXPECT_EQ(KaVector3f32(1, 0, 0), object.startPosition());
    frame(17);
    // Read every frame: the time since the move's start, not since the last
    // read, decides where the object is.
    for (int i = 0; i < 40; ++i)
        frame(50);
    expectNear(position(), 1, 0, 1);
    frame(2000);
    expectNear(position(), 1, 0, 2);
    frame(3000);
    expectNear(position(), 1, 0, 2);
    // A finished move keeps writing its end.
    object.model()->setPosition(KaVector3f32(9, 9, 9));
    frame(17);
    expectNear(position(), 1, 0, 2);
}

TEST_F(Object3DMoveTest, RotationHalfwayThenHeldAtItsEnd)
{
    const KaQuaternion start = KaQuaternion::fromEuler(KaVector3f32(0.3f, 0, 0));
    object.model()->setRotation(start);
    object.rotate(KaVector3f32(0, kPi, 0), 2.0f);
    frame(17);
    frame(1000);
    expectSameTurn(start * KaQuaternion::fromEuler(KaVector3f32(0, kPi / 2, 0)), object.model()->rotation());
    frame(5000);
    expectSameTurn(start * KaQuaternion::fromEuler(KaVector3f32(0, kPi, 0)), object.model()->rotation());
    EXPECT_EQ(KaVector3f32(1, 0, 0), position()) << "a rotation does not move the object";
}

TEST_F(Object3DMoveTest, ANewMoveStartsFromWhereTheObjectIsWithItsOwnClock)
{
    object.translate(KaVector3f32(0, 0, 4), 4.0f);
    frame(17);
    frame(3000);
    expectNear(position(), 1, 0, 3);
    object.translate(KaVector3f32(2, 0, 0), 2.0f);
    expectNear(object.startPosition(), 1, 0, 3);
    frame(17);
    frame(1000);
    expectNear(position(), 2, 0, 3);
}

TEST_F(Object3DMoveTest, NoDurationLandsAtOnce)
{
    const float durations[] = { 0.0f, -0.0f, -1.0f, -0.5f, std::numeric_limits<float>::quiet_NaN() };
    for (float seconds : durations) {
        SCOPED_TRACE(seconds);
        object.model()->setPosition(KaVector3f32(1, 0, 0));
        object.model()->setRotation(KaQuaternion());
        object.translate(KaVector3f32(0, 2, 0), seconds);
        object.rotate(KaVector3f32(0, 0, kPi / 2), seconds);
        expectNear(position(), 1, 2, 0);
        expectSameTurn(KaQuaternion::fromEuler(KaVector3f32(0, 0, kPi / 2)), object.model()->rotation());
        frame(17);
        frame(500);
        ASSERT_TRUE(finite(position()));
        ASSERT_TRUE(finite(object.model()->rotation()));
        expectNear(position(), 1, 2, 0);
        expectSameTurn(KaQuaternion::fromEuler(KaVector3f32(0, 0, kPi / 2)), object.model()->rotation());
    }
}

} // namespace
