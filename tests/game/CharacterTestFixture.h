#ifndef CHARACTER_TEST_FIXTURE_H
#define CHARACTER_TEST_FIXTURE_H

#include "tests/game/ApplicationTestFixture.h"

#include <memory>
#include <string>
#include <vector>

#include "engine/core/KaObject.h"
#include "engine/scene/KaAnimation.h"
#include "engine/scene/KaModel.h"
#include "game/characters/Character.h"
#include "tests/engine/scene/KaAnimationFiles.h"
#include "tests/engine/scene/KaModelBuilder.h"

// Animations are played at 10 frames a second, so one frame() is one frame.
constexpr float gCharacterTestFps = 10.0f;

// A keyed "KAAN" file of that many frames whose root bone "Pere" moves in a
// straight line from the origin to `to` at the last frame, padded with zero
// bytes to `size` bytes when that is more (the reader stops at its last
// bone, so the size is the file's own).
inline std::string characterAnimation(unsigned int frames, const KaVector3f32& to, size_t size = 0)
{
    KaTestSkeletalFile file;
    file.frameCount = frames;
    file.fps = gCharacterTestFps;
    const float last = static_cast<float>(frames - 1);
    file.bones.push_back({ "Pere", { { 0, 0, 0, 0 }, { last, to.x, to.y, to.z } }, {} });
    std::string bytes = KaTestWriteSkeletal(file);
    if (size > bytes.size())
        bytes.append(size - bytes.size(), '\0');
    return bytes;
}

// The bones the game looks up, with every foot and the head away from the
// root, and meshes whose names the model building shows or hides.
inline std::string characterModel()
{
    KaModel model;
    KaAddBone(model, "Pere", KaModel::mNoParent, KaMakeTRS(KaVector3f32(0, 0, 0)));
    KaAddBone(model, "Bip01 Head", 0, KaMakeTRS(KaVector3f32(0, 10, 1)));
    KaAddBone(model, "Bip01 L Foot", 0, KaMakeTRS(KaVector3f32(5, 1, 2)));
    KaAddBone(model, "Bip01 R Foot", 0, KaMakeTRS(KaVector3f32(-5, 1, -3)));
    for (const char* name : { "body", "hair_B_", "hat_Y_", "eyes_B_open", "mouth_Y_smile", "eyes_B_shut" }) {
        KaMeshShape shape;
        shape.name = name;
        model.addMesh(KaMakeMesh(shape));
    }
    return KaSaveModel(model, 0);
}

// "Mira" and "Nils": the same figure with the sample's walk types; Nils's
// idle is another file.
inline const char* characterSettings()
{
    return "<?xml version=\"1.0\" ?>\n<ModelsSettings>\n"
           "<Model name=\"Mira\"><modelFileName>figure.kamd</modelFileName><defaultScale>1,1,1</defaultScale>"
           "<walk><animationFileName>idle.kaan</animationFileName>"
           "<walkType name=\"Walk\"><start file=\"walk_start.kaan\" /><loop file=\"walk_loop.kaan\" stepLeft=\"13\""
           " stepRight=\"29\" /><endG file=\"walk_endg.kaan\" /><endD file=\"walk_endd.kaan\" /></walkType>"
           "<walkType name=\"Jog\"><start file=\"jog_start.kaan\" /><loop file=\"jog_loop.kaan\" />"
           "<endG file=\"jog_endg.kaan\" /><endD file=\"jog_endd.kaan\" /></walkType></walk>"
           "<face name=\"default\"><eyes>eyes_B_open</eyes><mouth>mouth_Y_smile</mouth></face>"
           "<face name=\"sleepy\"><eyes>eyes_B_shut</eyes></face></Model>\n"
           "<Model name=\"Nils\"><modelFileName>figure.kamd</modelFileName><defaultScale>1,1,1</defaultScale>"
           "<walk><animationFileName>nils_idle.kaan</animationFileName>"
           "<walkType name=\"Walk\"><start file=\"walk_start.kaan\" /><loop file=\"walk_loop.kaan\" />"
           "<endG file=\"walk_endg.kaan\" /><endD file=\"walk_endd.kaan\" /></walkType></walk></Model>\n"
           "<Model name=\"Lost\"><modelFileName>nowhere.kamd</modelFileName></Model>\n"
           "</ModelsSettings>\n";
}

// Characters against a content folder holding the figure, its animations
// and the settings, on the fixture's clock.
class CharacterTest : public ApplicationTest {
protected:
    void SetUp() override
    {
        ApplicationTest::SetUp();
        KaTimer::updateAll();
        content.write("models/figure.kamd", characterModel());
        // Idle and walk parts move their root too: only their ends show
        // that the character never commits it.
        for (const char* name : { "idle.kaan", "nils_idle.kaan", "walk_start.kaan", "walk_loop.kaan",
                 "walk_endg.kaan", "walk_endd.kaan", "jog_start.kaan", "jog_loop.kaan", "jog_endg.kaan",
                 "jog_endd.kaan" })
            writeAnimation(name, characterAnimation(11, KaVector3f32(7, 0, 7)));
        content.write("models/ModelsSettings.xml", characterSettings());
        ASSERT_TRUE(Character::loadSettings("models/ModelsSettings.xml"));
    }

    void TearDown() override
    {
        characters.clear();
        Character::animCacheFreeAll();
        KaObject::deleteNow();
        content.write("models/ModelsSettings.xml", "<ModelsSettings />");
        Character::loadSettings("models/ModelsSettings.xml");
        ApplicationTest::TearDown();
    }

    void writeAnimation(const std::string& name, const std::string& bytes)
    {
        content.write("models/Anims/" + name, bytes);
    }

    Character& character(const char* name)
    {
        characters.push_back(std::unique_ptr<Character>(new Character()));
        Character& c = *characters.back();
        KaCaptureStdout console;
        EXPECT_TRUE(c.loadModel(name, false));
        loadLog += console.text();
        return c;
    }

    // One frame of the loop: the clock moves, then timers and animations.
    void frame(unsigned int milliseconds = 100)
    {
        now += milliseconds * 1000ULL;
        KaTimer::updateAll();
        KaAnimation::updateAll();
    }

    // Timers count from the first sample after their start: the frame in
    // which an animation starts has passed none of its time.
    void started() { frame(0); }

    std::vector<std::unique_ptr<Character>> characters;
    std::string loadLog;
};

#endif
