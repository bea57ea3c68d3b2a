#include <gtest/gtest.h>

#include <tinyxml.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/maths/KaMatrix4x4.h"
#include "tests/tools/characters/KaCharacterFiles.h"

namespace {

typedef KaCharacterCast::Member Member;

const char* const gameBones[] = { "Pere", "Bip01 Head", "Bip01 L Foot", "Bip01 R Foot" };

float horizontalLength(const KaVector3f32& v) { return std::sqrt(v.x * v.x + v.z * v.z); }

// Keeps the head bone's matrix as the game's bone hook gets it.
struct HeadWatcher {
    bool onBone(KaString& name, KaMatrix4x4& matrix)
    {
        if (name == KaString("Bip01 Head"))
            head = matrix;
        return false;
    }
    KaMatrix4x4 head;
};

} // namespace

TEST(KaCharacterModel, LoadsWithTheBonesTheGameLooksUp)
{
    const KaCharacterFiles& files = KaCharacterFiles::get();
    ASSERT_TRUE(files.written());
    for (const Member& member : KaCharacterCast::members()) {
        SCOPED_TRACE(member.name);
        KaModel model;
        ASSERT_TRUE(files.loadModel(member, model));
        for (const char* name : gameBones) {
            KaString bone(name);
            EXPECT_NE(model.findModelBone(bone), KaModel::mNoParent) << name;
        }
        KaString root("Pere");
        EXPECT_EQ(model.bones()[model.findModelBone(root)].parent, KaModel::mNoParent);
        // Every bone but the root hangs under it.
        for (unsigned long b = 0; b < model.bones().size(); ++b)
            EXPECT_EQ(model.bones()[b].parent == KaModel::mNoParent, b == 0) << model.bones()[b].name.c_str();
        EXPECT_GT(model.weights().size(), 0u) << "the waist and the coat blend two bones";

        // The body and the face meshes the settings name.
        const KaString name(member.name);
        const KaString meshes[] = { name + "_Body", KaCharacterFigure::eyesOpenMesh(name),
            KaCharacterFigure::eyesClosedMesh(name), KaCharacterFigure::mouthClosedMesh(name),
            KaCharacterFigure::mouthOpenMesh(name) };
        ASSERT_EQ(model.meshCount(), 5u);
        for (unsigned long m = 0; m < model.meshCount(); ++m) {
            EXPECT_EQ(model.mesh(m).name(), meshes[m]);
            EXPECT_EQ(model.mesh(m).materialCount(), 1u);
        }
    }
}

TEST(KaCharacterModel, StandsOneHundredAndSeventyTallOnTheGroundFacingForward)
{
    const KaCharacterFiles& files = KaCharacterFiles::get();
    for (const Member& member : KaCharacterCast::members()) {
        SCOPED_TRACE(member.name);
        KaModel model;
        ASSERT_TRUE(files.loadModel(member, model));
        KaVector3f32 low, high;
        model.boundingBox(low, high);
        EXPECT_NEAR(low.y, 0.0f, 1e-3f);
        EXPECT_NEAR(high.y, 170.0f, 1e-3f);
        EXPECT_LT(high.x - low.x, 65.0f);
        // The toes and the face point to +z.
        EXPECT_GT(high.z, -low.z);

        // At rest the skinning leaves every vertex where it was modelled.
        model.update();
        const KaMesh& body = model.mesh(0);
        ASSERT_TRUE(body.hasSkinnedPositions());
        float worst = 0.0f;
        for (unsigned long v = 0; v < body.vertexCount(); ++v)
            worst = std::max(worst, (body.skinnedPositions()[v] - body.positions()[v]).getLength());
        EXPECT_LT(worst, 1e-3f);
        // The feet stand at the ankles, on either side.
        const KaVector3f32 left = KaBonePosition(model, "Bip01 L Foot");
        const KaVector3f32 right = KaBonePosition(model, "Bip01 R Foot");
        EXPECT_NEAR(left.x, member.body.hipHalfWidth, 1e-3f) << "the left foot is on the figure's left, +x";
        EXPECT_NEAR(right.x, -member.body.hipHalfWidth, 1e-3f);
        EXPECT_NEAR(left.y, member.body.hipHeight - member.body.thigh - member.body.calf, 1e-3f);
    }
}

TEST(KaCharacterModel, HeadTurnsAboutTheNeckAndNodsAcrossTheHead)
{
    // The game turns the head bone's matrix about its (-1, 0, 0) by the
    // horizontal angle and about (0, 0, 1) by the vertical one.
    const KaCharacterFiles& files = KaCharacterFiles::get();
    KaModel model;
    ASSERT_TRUE(files.loadModel(KaCharacterCast::members()[0], model));
    HeadWatcher watcher;
    model.onBonesUpdate().add(&watcher, &HeadWatcher::onBone);
    model.update();
    const KaMatrix4x4 head = watcher.head;
    auto facing = [](const KaMatrix4x4& m) {
        KaVector3f32 forward(m[1][0], m[1][1], m[1][2]);
        forward.normalize();
        return forward;
    };
    EXPECT_NEAR(facing(head).z, 1.0f, 1e-4f) << "the head's local y looks ahead";

    KaMatrix4x4 turned = head;
    turned.rotate(KaQuaternion::fromAxisAndAngle(KaVector3f32(-1, 0, 0), 0.5f));
    EXPECT_NEAR(facing(turned).y, 0.0f, 1e-4f) << "a horizontal turn keeps the gaze level";
    EXPECT_NEAR(std::fabs(facing(turned).x), std::sin(0.5f), 1e-4f);
    KaMatrix4x4 nodded = head;
    nodded.rotate(KaQuaternion::fromAxisAndAngle(KaVector3f32(0, 0, 1), 0.3f));
    EXPECT_NEAR(std::fabs(facing(nodded).y), std::sin(0.3f), 1e-4f) << "a vertical turn raises or lowers it";
    EXPECT_NEAR(facing(nodded).x, 0.0f, 1e-4f);
    // The turns are about the head, not about somewhere else.
    EXPECT_NEAR((turned.translation() - head.translation()).getLength(), 0.0f, 1e-4f);
    EXPECT_GT(horizontalLength(facing(head)), 0.99f);
}

// The settings file of content/ names exactly the files the generator
// writes, with its step frames.
TEST(KaCharacterModel, SettingsNameTheWrittenFilesAndStepFrames)
{
    const char* source = std::getenv("KA_TEST_SOURCE_DIR");
    ASSERT_NE(source, nullptr) << "KA_TEST_SOURCE_DIR names the source tree";
    TiXmlDocument document;
    ASSERT_TRUE(document.LoadFile(std::string(source) + "/content/models/ModelsSettings.xml"));
    const TiXmlElement* root = document.FirstChildElement("ModelsSettings");
    ASSERT_NE(root, nullptr);
    const KaCharacterFiles& files = KaCharacterFiles::get();
    const char* const parts[4] = { "start", "loop", "endG", "endD" };
    unsigned int found = 0;
    for (const Member& member : KaCharacterCast::members()) {
        SCOPED_TRACE(member.name);
        const TiXmlElement* model = root->FirstChildElement("Model");
        while (model && std::string(model->Attribute("name") ? model->Attribute("name") : "") != member.name)
            model = model->NextSiblingElement("Model");
        ASSERT_NE(model, nullptr);
        ++found;
        EXPECT_STREQ(model->FirstChildElement("modelFileName")->GetText(), KaCharacterCast::modelFile(member).c_str());
        EXPECT_STREQ(model->FirstChildElement("defaultScale")->GetText(), "1,1,1");
        const TiXmlElement* walk = model->FirstChildElement("walk");
        ASSERT_NE(walk, nullptr);
        EXPECT_STREQ(walk->FirstChildElement("animationFileName")->GetText(), KaCharacterCast::idleFile(member).c_str());
        const KaCharacterMotion::Gait* gaits[2] = { &member.walk, &member.jog };
        const TiXmlElement* type = walk->FirstChildElement("walkType");
        for (const KaCharacterMotion::Gait* gait : gaits) {
            ASSERT_NE(type, nullptr);
            EXPECT_STREQ(type->Attribute("name"), gait->name);
            for (int p = 0; p < 4; ++p) {
                SCOPED_TRACE(parts[p]);
                const KaCharacterMotion::Part part = static_cast<KaCharacterMotion::Part>(p);
                const TiXmlElement* e = type->FirstChildElement(parts[p]);
                ASSERT_NE(e, nullptr);
                const KaString file = KaCharacterCast::walkFile(member, *gait, part);
                EXPECT_STREQ(e->Attribute("file"), file.c_str());
                EXPECT_TRUE(std::filesystem::exists(files.anim(file)));
                const char* left = e->Attribute("stepLeft");
                const char* right = e->Attribute("stepRight");
                EXPECT_EQ(left ? std::atoi(left) : -1, KaCharacterMotion::leftStep(*gait, part));
                EXPECT_EQ(right ? std::atoi(right) : -1, KaCharacterMotion::rightStep(*gait, part));
            }
            type = type->NextSiblingElement("walkType");
        }
        bool defaultFace = false;
        for (const TiXmlElement* face = model->FirstChildElement("face"); face;
             face = face->NextSiblingElement("face")) {
            KaModel loaded;
            ASSERT_TRUE(files.loadModel(member, loaded));
            for (const char* feature : { "eyes", "mouth" }) {
                const char* mesh = face->FirstChildElement(feature)->GetText();
                bool exists = false;
                for (unsigned long m = 0; m < loaded.meshCount(); ++m)
                    exists = exists || loaded.mesh(m).name() == KaString(mesh);
                EXPECT_TRUE(exists) << mesh;
            }
            defaultFace = defaultFace || std::string(face->Attribute("name")) == "default";
        }
        EXPECT_TRUE(defaultFace);
    }
    EXPECT_EQ(found, 2u);
}
