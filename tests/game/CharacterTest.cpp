#include "tests/game/CharacterTestFixture.h"

#include <cmath>

#include <lua.hpp>
#include <tinyxml.h>

#include "engine/core/KaCore.h"
#include "engine/maths/KaQuaternion.h"
#include "engine/scene/KaScene.h"
#include "engine/script/KaLuaContext.h"
#include "engine/script/KaLuaScript.h"
#include "game/characters/CarriedObjects.h"

namespace {

std::string meshesShown(KaModel& model)
{
    std::string shown;
    for (unsigned long m = 0; m < model.meshCount(); ++m) {
        if (model.mesh(m).visible())
            shown += std::string(shown.empty() ? "" : " ") + model.mesh(m).name().c_str();
    }
    return shown;
}

void expectNear(const KaVector3f32& expected, const KaVector3f32& actual, float tolerance = 1e-3f)
{
    EXPECT_NEAR(expected.x, actual.x, tolerance);
    EXPECT_NEAR(expected.y, actual.y, tolerance);
    EXPECT_NEAR(expected.z, actual.z, tolerance);
}

void expectNear(const KaMatrix4x4& expected, const KaMatrix4x4& actual)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(expected.m[i], actual.m[i], 1e-4f) << "element " << i;
}

class Recorder {
public:
    bool onText(const KaString& text)
    {
        log += std::string(text.c_str()) + ";";
        return false;
    }
    std::string log;
};

} // namespace

TEST_F(CharacterTest, LoadModelBuildsTheRecordsFigureAndPlaysItsIdle)
{
    Character& mira = character("Mira");
    KaModel& model = *mira.model();
    EXPECT_EQ("Mira", std::string(model.name().c_str()));
    // The parts named _B_ and _Y_ are hidden but for the default face's.
    EXPECT_EQ("body eyes_B_open mouth_Y_smile", meshesShown(model));
    EXPECT_EQ("idle.kaan", std::string(mira.curAnimName().c_str()));
    ASSERT_TRUE(mira.curModelAnim());
    EXPECT_EQ(mira.curModelAnim().get(), model.anim().get());
    EXPECT_TRUE(mira.curModelAnim()->isRunning());
    EXPECT_EQ(KaPath("models/Anims/idle.kaan"), KaPath(mira.curModelAnim()->name()));
    for (unsigned int i = 0; i < 2; ++i) {
        ASSERT_TRUE(mira.shadowPlane(i));
        EXPECT_EQ("Shadow", std::string(mira.shadowPlane(i)->name().c_str()));
        EXPECT_EQ(1u, mira.shadowPlane(i)->meshCount());
    }
    // The walk lengths of the current walk type: 7 over the range, plus
    // one frame's 0.7.
    EXPECT_NEAR(7.7f, mira.startLength(), 1e-4f);
    EXPECT_EQ(11u, mira.loopFrames());
    EXPECT_NEAR(7.7f, mira.endLength(), 1e-4f);
}

TEST_F(CharacterTest, LoadModelFailsForAnUnknownRecordOrAnUnreadableModel)
{
    for (const char* name : { "Nobody", "Lost" }) {
        SCOPED_TRACE(name);
        Character c;
        KaCaptureStdout console;
        EXPECT_FALSE(c.loadModel(name, false));
        ASSERT_TRUE(c.model());
        EXPECT_EQ(0u, c.model()->meshCount());
        EXPECT_FALSE(c.curModelAnim());
    }
}

TEST_F(CharacterTest, TheCacheKeepsTheMostRecentFilesWithinItsBytes)
{
    // File sizes in bytes, loads in order, and then the cache's order (most
    // recent first), byte count, and how often each file was opened so far.
    const unsigned int third = 1572864; // 1.5 MiB: two fit, three do not.
    writeAnimation("a.kaan", characterAnimation(5, KaVector3f32(1, 0, 0), third));
    writeAnimation("b.kaan", characterAnimation(5, KaVector3f32(2, 0, 0), third));
    writeAnimation("c.kaan", characterAnimation(5, KaVector3f32(3, 0, 0), third));
    writeAnimation("small.kaan", characterAnimation(5, KaVector3f32(4, 0, 0), 1000));
    writeAnimation("big.kaan", characterAnimation(5, KaVector3f32(5, 0, 0), 5 * 1048576));
    struct Step {
        const char* load;
        const char* order;
        unsigned int bytes;
        const char* opens;
    };
    const Step steps[] = {
        { "a", "a", third, "a1" },
        { "b", "b a", 2 * third, "a1 b1" },
        { "a", "a b", 2 * third, "a1 b1" },
        { "c", "c a", 2 * third, "a1 b1 c1" },
        { "b", "b c", 2 * third, "a1 b2 c1" },
        { "small", "small b c", 2 * third + 1000, "a1 b2 c1 small1" },
        { "c", "c small b", 2 * third + 1000, "a1 b2 c1 small1" },
        // A file beyond the bound empties the cache and is kept all the same.
        { "big", "big", 5 * 1048576, "a1 b2 c1 small1 big1" },
        { "small", "small", 1000, "a1 b2 c1 small2 big1" },
    };

    core.get()->setActivityTrackingFolder("logs");
    core.get()->enableActivityTracking(true);
    Character::animCacheFreeAll();
    for (const Step& step : steps) {
        SCOPED_TRACE(step.load);
        KaIntrusivePtr<KaModelAnimation> loaded
            = Character::animCacheLoad(KaPath(std::string("models/Anims/" + std::string(step.load) + ".kaan").c_str()));
        ASSERT_TRUE(loaded);
        std::string order;
        for (unsigned long i = 0; i < Character::animCache().size(); ++i) {
            std::string path = Character::animCache()[i].animation->name().c_str();
            order += std::string(i ? " " : "") + path.substr(13, path.size() - 18);
        }
        EXPECT_EQ(step.order, order);
        EXPECT_EQ(step.bytes, Character::animCacheSize());
        EXPECT_EQ(loaded.get(), Character::animCache()[0].animation.get());

        std::string opens;
        for (const char* name : { "a", "b", "c", "small", "big" }) {
            const std::string path = std::string("models/Anims/") + name + ".kaan";
            int count = 0;
            const TiXmlElement* files
                = core.get()->activityDocument().RootElement()->FirstChildElement("KaFileActivity");
            for (const TiXmlElement* r = files ? files->FirstChildElement() : nullptr; r; r = r->NextSiblingElement())
                count += path == r->Attribute("relativePath") && std::string("1") == r->Attribute("opened");
            if (count)
                opens += std::string(opens.empty() ? "" : " ") + name + std::to_string(count);
        }
        EXPECT_EQ(step.opens, opens);
    }
    core.get()->enableActivityTracking(false);
}

TEST_F(CharacterTest, CharactersPlayingOneFileShareItsAnimation)
{
    Character& mira = character("Mira");
    Character& nils = character("Nils");
    ASSERT_TRUE(mira.setAnimation("walk_loop.kaan"));
    started();
    frame();
    frame();
    EXPECT_EQ(2u, mira.curModelAnim()->currentFrame());
    ASSERT_TRUE(nils.setAnimation("walk_loop.kaan"));
    // The second start restarts the one object for both.
    EXPECT_EQ(mira.curModelAnim().get(), nils.curModelAnim().get());
    EXPECT_EQ(0u, mira.curModelAnim()->currentFrame());
    EXPECT_EQ(nils.model().get(), mira.curModelAnim()->model().get());
}

TEST_F(CharacterTest, AnAnimationThatCannotBeReadIsNeitherPlayedNorCached)
{
    writeAnimation("broken.kaan", "KAAN\x03");
    Character& mira = character("Mira");
    const unsigned long cached = Character::animCache().size();
    KaModelAnimation* idle = mira.curModelAnim().get();
    struct Case {
        const char* name;
        const char* console;
    };
    const Case cases[] = {
        { "missing.kaan", "[KaModel::loadAnimation] File not found : models/Anims/missing.kaan\n" },
        { "broken.kaan", "" },
        { "", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaCaptureStdout console;
        EXPECT_FALSE(mira.setAnimation(c.name));
        EXPECT_FALSE(mira.blendAnimation(c.name, 0.5f));
        EXPECT_NE(std::string::npos, console.text().find(c.console));
        EXPECT_EQ(cached, Character::animCache().size());
        EXPECT_EQ(idle, mira.curModelAnim().get());
        EXPECT_EQ(idle, mira.model()->anim().get());
        EXPECT_EQ("idle.kaan", std::string(mira.curAnimName().c_str()));
    }
    // Mended on disk, the file plays at the next request.
    writeAnimation("broken.kaan", characterAnimation(5, KaVector3f32(1, 0, 0)));
    EXPECT_TRUE(mira.setAnimation("broken.kaan"));
    EXPECT_EQ(cached + 1, Character::animCache().size());
}

TEST_F(CharacterTest, AnEndedAnimationMovesTheModelByItsRootDisplacement)
{
    writeAnimation("step.kaan", characterAnimation(11, KaVector3f32(10, 5, 30)));
    writeAnimation("mi_step_unrecal.kaan", characterAnimation(11, KaVector3f32(10, 5, 30)));
    application.get()->animationsWithoutReadjustment().pushBack("unrecal");
    struct Case {
        const char* name;
        const char* animation;
        bool player;
        bool recallageY;
        KaVector3f32 position;
        KaVector3f32 scale;
        KaVector3f32 expected;
    };
    const KaVector3f32 one(1, 1, 1);
    const Case cases[] = {
        // x is negated, y dropped: (-10, 0, 30).
        { "non-walk", "step.kaan", false, true, KaVector3f32(), one, KaVector3f32(-10, 0, 30) },
        { "moved and scaled", "step.kaan", false, true, KaVector3f32(100, 0, -50), KaVector3f32(2, 2, 2),
            KaVector3f32(80, 0, 10) },
        // The last frame's step is added and the first frame's place taken
        // off: (-10, 5, 30) + (1, 0.5, 3).
        { "without ground correction", "step.kaan", false, false, KaVector3f32(), one, KaVector3f32(-9, 5.5f, 33) },
        { "listed without readjustment", "mi_step_unrecal.kaan", false, true, KaVector3f32(3, 0, 4), one,
            KaVector3f32(3, 0, 4) },
        { "idle", "idle.kaan", false, true, KaVector3f32(3, 0, 4), one, KaVector3f32(3, 0, 4) },
        { "the current walk type's part", "walk_endd.kaan", false, true, KaVector3f32(3, 0, 4), one,
            KaVector3f32(3, 0, 4) },
        // The player also stands still in the parts of its other modes;
        // others only in their current walk type's.
        { "a player's other mode", "jog_endd.kaan", true, true, KaVector3f32(3, 0, 4), one, KaVector3f32(3, 0, 4) },
        { "another's other mode", "jog_endd.kaan", false, true, KaVector3f32(), one, KaVector3f32(-7, 0, 7) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Character& mira = character("Mira");
        mira.setPlayer(c.player);
        mira.setRecallageY(c.recallageY);
        mira.model()->setPosition(c.position);
        mira.model()->setScale(c.scale);
        Recorder player;
        Recorder others;
        mira.onCharacterAnimationPlayerFinished.add(&player, &Recorder::onText);
        mira.onCharacterAnimationFinished.add(&others, &Recorder::onText);
        ASSERT_TRUE(mira.setAnimation(c.animation, false, true));
        EXPECT_TRUE(mira.returnToIdle());
        started();
        for (int i = 0; i < 10; ++i)
            frame();
        expectNear(c.position, mira.model()->position());
        frame();
        expectNear(c.expected, mira.model()->position());
        // Reported once, and the idle animation takes over.
        const std::string path = std::string("models/Anims/") + c.animation;
        EXPECT_EQ(c.player ? path + ";" : "", player.log);
        EXPECT_EQ(c.player ? "" : "Mira;", others.log);
        EXPECT_EQ("idle.kaan", std::string(mira.curAnimName().c_str()));
        EXPECT_FALSE(mira.returnToIdle());
        EXPECT_FALSE(mira.notWalkAnim());
        characters.clear();
    }
}

TEST_F(CharacterTest, OnlyAnAnimationPlayedOnceReturnsToIdle)
{
    writeAnimation("wave.kaan", characterAnimation(3, KaVector3f32()));
    Character& mira = character("Mira");
    ASSERT_TRUE(mira.setAnimation("wave.kaan", true, true));
    EXPECT_FALSE(mira.returnToIdle()) << "a repeating animation never ends";
    EXPECT_TRUE(mira.notWalkAnim());
    for (int i = 0; i < 7; ++i)
        frame();
    EXPECT_EQ("wave.kaan", std::string(mira.curAnimName().c_str()));

    ASSERT_TRUE(mira.setAnimation("wave.kaan", false, false));
    for (int i = 0; i < 7; ++i)
        frame();
    EXPECT_EQ("wave.kaan", std::string(mira.curAnimName().c_str())) << "it holds its last frame";
    EXPECT_EQ(2u, mira.curModelAnim()->currentFrame());
}

TEST_F(CharacterTest, TheBoneUpdateTurnsTheHeadAndBringsItBack)
{
    Character& mira = character("Mira");
    // The same figure without a character: its head as the animation alone
    // poses it.
    KaModel plain;
    ASSERT_TRUE(plain.load("models/figure.kamd"));
    KaIntrusivePtr<KaModelAnimation> idle = Character::animCacheLoad("models/Anims/idle.kaan");
    plain.setAnim(idle, true);
    plain.update();
    const unsigned long head = 1;

    auto turned = [&](float horizontal, float vertical) {
        KaMatrix4x4 m = plain.boneMatrices()[head];
        m.rotate(KaQuaternion::fromAxisAndAngle(KaVector3f32(-1, 0, 0), horizontal));
        m.rotate(KaQuaternion::fromAxisAndAngle(KaVector3f32(0, 0, 1), vertical));
        return m;
    };

    // Back to rest by 0.1 a pose, the last step no further than 0.
    mira.setHeadAngles(0.25f, -0.15f);
    const float steps[][2] = { { 0.15f, -0.05f }, { 0.05f, 0.0f }, { 0.0f, 0.0f }, { 0.0f, 0.0f } };
    for (const auto& step : steps) {
        mira.model()->update();
        EXPECT_NEAR(step[0], mira.headAngles().x, 1e-5f);
        EXPECT_NEAR(step[1], mira.headAngles().y, 1e-5f);
        EXPECT_EQ(mira.headAngles().x, mira.headTargetAngles().x);
        EXPECT_EQ(mira.headAngles().y, mira.headTargetAngles().y);
        expectNear(turned(mira.headAngles().x, mira.headAngles().y), mira.model()->boneMatrices()[head]);
        expectNear(mira.model()->boneMatrices()[head].translation(), mira.headPosition());
    }

    // Looking at a point: the target angles at once.
    mira.setHeadLookAt(true);
    mira.setHeadTargetAngles(0.4f, 0.2f);
    mira.model()->update();
    EXPECT_EQ(0.4f, mira.headAngles().x);
    EXPECT_EQ(0.2f, mira.headAngles().y);
    expectNear(turned(0.4f, 0.2f), mira.model()->boneMatrices()[head]);
}

TEST_F(CharacterTest, TheRootStaysStillInWalkAndIdleAnimationsOnly)
{
    writeAnimation("step.kaan", characterAnimation(11, KaVector3f32(10, 5, 30)));
    struct Case {
        const char* animation;
        bool still;
    };
    for (const Case& c : { Case { "idle.kaan", true }, Case { "walk_loop.kaan", true }, Case { "step.kaan", false } }) {
        SCOPED_TRACE(c.animation);
        Character& mira = character("Mira");
        ASSERT_TRUE(mira.setAnimation(c.animation));
        started();
        for (int i = 0; i < 5; ++i)
            frame();
        mira.model()->update();
        const KaVector3f32 root = mira.model()->boneMatrices()[0].translation();
        // Half way: the root's height is always kept.
        EXPECT_NEAR(c.animation == std::string("step.kaan") ? 2.5f : 0.0f, root.y, 1e-4f);
        if (c.still) {
            EXPECT_EQ(0.0f, root.x);
            EXPECT_EQ(0.0f, root.z);
        } else {
            EXPECT_NEAR(15.0f, std::fabs(root.z), 1e-4f);
            EXPECT_NEAR(5.0f, std::fabs(root.x), 1e-4f);
        }
        characters.clear();
    }
}

// While one animation is blended over another, the root and the walk's
// speed follow the one coming in.
TEST_F(CharacterTest, DuringABlendTheRootAndTheWalkSpeedFollowTheAnimationComingIn)
{
    // Ten frames each: the walk moves its root 0.7 a frame, the step 3.
    writeAnimation("step.kaan", characterAnimation(11, KaVector3f32(10, 5, 30)));
    struct Case {
        const char* from;
        const char* to;
        float perFrame;
        bool rootStill;
    };
    for (const Case& c : { Case { "walk_loop.kaan", "step.kaan", 3.0f, false },
             Case { "step.kaan", "walk_loop.kaan", 0.7f, true } }) {
        SCOPED_TRACE(c.to);
        Character& mira = character("Mira");
        ASSERT_TRUE(mira.setAnimation(c.from));
        started();
        frame();
        ASSERT_TRUE(mira.blendAnimation(c.to, 5.0f));
        frame();
        ASSERT_EQ(1u, mira.model()->bonesBlenderCount()) << "still blending";
        EXPECT_NEAR(c.perFrame * mira.model()->scale().z, mira.speedFromAnim(0.0), 1e-4f);
        KaString bone("Pere");
        KaMatrix4x4 matrix;
        matrix[3][0] = 5.0f;
        matrix[3][2] = 7.0f;
        ASSERT_TRUE(mira.onBonesUpdate(bone, matrix));
        EXPECT_EQ(c.rootStill ? 0.0f : 5.0f, matrix[3][0]);
        EXPECT_EQ(c.rootStill ? 0.0f : 7.0f, matrix[3][2]);
        characters.clear();
    }
}

TEST_F(CharacterTest, TheFootShadowsLieOnTheGroundUnderTheFeet)
{
    Character& mira = character("Mira");
    mira.model()->setPosition(KaVector3f32(100, 20, -40));
    mira.model()->setScale(KaVector3f32(2, 2, 2));
    mira.model()->update();
    const unsigned long feet[2] = { 2, 3 };
    for (unsigned int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const KaVector3f32 foot = mira.model()->boneMatrices()[feet[i]].translation();
        ASSERT_NE(0.0f, foot.x);
        expectNear(KaVector3f32(100 + 2 * foot.x, 20, -40 + 2 * foot.z), mira.shadowPlane(i)->position());
        expectNear(KaVector3f32(2, 2, 2), mira.shadowPlane(i)->scale());
    }
}

namespace {

class Props : public CarriedObjects {
public:
    unsigned long carriedCount() const override { return mProps.size(); }
    bool carried(unsigned long index, Carried& carried) const override
    {
        carried = mProps[index];
        return true;
    }
    std::vector<Carried> mProps;
};

} // namespace

TEST_F(CharacterTest, ACarriedPropFollowsItsBoneWithinItsFrames)
{
    writeAnimation("carry.kaan", characterAnimation(11, KaVector3f32()));
    Character& mira = character("Mira");
    KaModel cup;
    KaModel other;
    Props props;
    props.mProps.resize(2);
    props.mProps[0].model = &cup;
    props.mProps[0].characterName = "Mira";
    props.mProps[0].boneName = "R Foot";
    props.mProps[0].firstFrame = 2;
    props.mProps[0].lastFrame = 4;
    props.mProps[1].model = &other;
    props.mProps[1].characterName = "Nils";
    props.mProps[1].boneName = "R Foot";
    mira.setCarriedObjects(&props);
    mira.model()->setPosition(KaVector3f32(1, 2, 3));
    mira.model()->setScale(KaVector3f32(2, 2, 2));
    ASSERT_TRUE(mira.setAnimation("carry.kaan"));
    started();

    // Frame by frame: shown within 2..4, hidden outside.
    const bool shown[] = { false, false, true, true, true, false };
    for (bool expected : shown) {
        SCOPED_TRACE(mira.curModelAnim()->currentFrame());
        mira.model()->update();
        EXPECT_EQ(expected, cup.visible());
        if (expected) {
            expectNear(KaVector3f32(1, 2, 3), cup.position());
            expectNear(KaVector3f32(2, 2, 2), cup.scale());
        }
        frame();
    }
    EXPECT_TRUE(other.visible()) << "another character's prop";
    expectNear(KaVector3f32(), other.position());
}

TEST_F(CharacterTest, FrameCallbacksRunByTheAnimationTheyName)
{
    content.write("scenes/calls.lua", "calls = ''\n"
                                      "function one() calls = calls .. 'one;' end\n"
                                      "function five() calls = calls .. 'five;' end\n"
                                      "function zero() calls = calls .. 'zero;' end\n"
                                      "function other() calls = calls .. 'other;' end\n");
    KaLuaContext context;
    KaLuaScript script;
    script.attachToContext(context);
    script.load("scenes/calls.lua");
    script.execute();
    writeAnimation("loop.kaan", characterAnimation(10, KaVector3f32()));
    writeAnimation("other.kaan", characterAnimation(10, KaVector3f32()));

    Character& mira = character("Mira");
    mira.setScript(&script);
    // Added before the animation plays: each is found by the animation's
    // name all the same.
    mira.addCallback("loop.kaan", "five", 5.7f, 2.0f);
    mira.addCallback("loop.kaan", "one", 1.0f, -1.0f);
    mira.addCallback("loop.kaan", "zero", 0.0f, -1.0f);
    mira.addCallback("other.kaan", "other", 3.0f, -1.0f);
    ASSERT_TRUE(mira.setAnimation("loop.kaan"));
    started();

    std::string log;
    KaString seen;
    for (int i = 0; i < 35; ++i) {
        mira.permanentUpdate();
        KaString calls;
        ASSERT_TRUE(context.global("calls", calls));
        if (calls.length() > seen.length()) {
            log += std::to_string(i) + ":" + std::string(calls.c_str()).substr(seen.length());
            seen = calls;
        }
        frame();
    }
    // Frame 0 runs once, as the animation starts; "five" (frame 5) twice
    // only; a wrapped loop passes frame 0 without running it.
    EXPECT_EQ("0:zero;1:one;5:five;11:one;15:five;21:one;31:one;", log);
}

namespace {

std::string describe(const std::map<KaString, KaArray<Character::Callback*>>& callbacks)
{
    std::string text;
    for (const auto& entry : callbacks) {
        text += std::string(text.empty() ? "" : " | ") + entry.first.c_str() + ":";
        for (unsigned long i = 0; i < entry.second.size(); ++i)
            text += std::string(" ") + entry.second[i]->function.c_str() + "@" + std::to_string(entry.second[i]->frame);
    }
    return text;
}

Character* gDeleting = nullptr;

// A script function deleting a callback while the callbacks run.
int deleteSecond(lua_State*)
{
    gDeleting->deleteCallback("loop.kaan", "second", -1);
    return 0;
}

} // namespace

TEST_F(CharacterTest, DeleteCallbackWorksOnTheAnimationItNames)
{
    writeAnimation("loop.kaan", characterAnimation(10, KaVector3f32()));
    Character& mira = character("Mira");
    ASSERT_TRUE(mira.setAnimation("loop.kaan"));
    mira.addCallback("loop.kaan", "a", 2, -1);
    mira.addCallback("loop.kaan", "b", 2, -1);
    mira.addCallback("loop.kaan", "b", 3, -1);
    mira.addCallback("loop.kaan", "c", 4, -1);
    mira.addCallback("other.kaan", "x", 1, -1);
    mira.addCallback("other.kaan", "x", 1, -1);
    EXPECT_EQ("models/Anims/loop.kaan: a@2 b@2 b@3 c@4 | models/Anims/other.kaan: x@1 x@1", describe(mira.callbacks()));

    struct Step {
        const char* animation;
        const char* function;
        float frame;
        const char* left;
    };
    const Step steps[] = {
        // Another animation than the one playing.
        { "other.kaan", "", -1, "models/Anims/loop.kaan: a@2 b@2 b@3 c@4" },
        { "unknown.kaan", "", -1, "models/Anims/loop.kaan: a@2 b@2 b@3 c@4" },
        // Two neighbours at once.
        { "loop.kaan", "b", -1, "models/Anims/loop.kaan: a@2 c@4" },
        { "loop.kaan", "c", 3, "models/Anims/loop.kaan: a@2 c@4" },
        // No animation named: the one playing.
        { "", "c", 4, "models/Anims/loop.kaan: a@2" },
        { "loop.kaan", "", -1, "" },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(std::string(step.animation) + " " + step.function);
        mira.deleteCallback(step.animation, step.function, step.frame);
        EXPECT_EQ(step.left, describe(mira.callbacks()));
    }

    mira.addCallback("loop.kaan", "a", 2, -1);
    mira.addCallback("other.kaan", "x", 1, -1);
    mira.deleteAllCallback();
    EXPECT_TRUE(mira.callbacks().empty());
}

TEST_F(CharacterTest, ADeletionFromLuaEndsTheCallbacksPass)
{
    content.write("scenes/calls.lua", "calls = ''\n"
                                      "function first() calls = calls .. 'first;' DeleteSecond() end\n"
                                      "function second() calls = calls .. 'second;' end\n");
    KaLuaContext context;
    context.registerCFunction("DeleteSecond", &deleteSecond);
    KaLuaScript script;
    script.attachToContext(context);
    script.load("scenes/calls.lua");
    script.execute();
    writeAnimation("loop.kaan", characterAnimation(10, KaVector3f32()));

    Character& mira = character("Mira");
    gDeleting = &mira;
    mira.setScript(&script);
    mira.addCallback("loop.kaan", "first", 2, -1);
    mira.addCallback("loop.kaan", "second", 2, -1);
    mira.addCallback("loop.kaan", "second", 2, -1);
    ASSERT_TRUE(mira.setAnimation("loop.kaan"));
    started();
    for (int i = 0; i < 15; ++i) {
        mira.permanentUpdate();
        frame();
    }
    KaString calls;
    ASSERT_TRUE(context.global("calls", calls));
    EXPECT_EQ("first;first;", std::string(calls.c_str()));
    EXPECT_EQ("models/Anims/loop.kaan: first@2", describe(mira.callbacks()));
    gDeleting = nullptr;
}

TEST_F(CharacterTest, TheStairAnimationsAskForTheirStepSoundsAtTheirFrames)
{
    struct Case {
        const char* animation;
        const char* sounds;
    };
    const Case cases[] = {
        { "mi_esc_b_01.kaan", "12:sounds/SFX/PAS_F_PAVE1.ogg;27:sounds/SFX/PAS_F_PAVE2.ogg;" },
        { "mi_esc_h.kaan", "7:sounds/SFX/PAS_F_PAVE1.ogg;22:sounds/SFX/PAS_F_PAVE2.ogg;" },
        { "walk_loop.kaan", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.animation);
        writeAnimation(c.animation, characterAnimation(30, KaVector3f32()));
        Character& mira = character("Mira");
        Recorder sounds;
        mira.onPlaySound.add(&sounds, &Recorder::onText);
        ASSERT_TRUE(mira.setAnimation(c.animation, false));
        started();
        std::string log;
        for (int i = 0; i < 35; ++i) {
            mira.permanentUpdate();
            if (!sounds.log.empty()) {
                log += std::to_string(mira.curModelAnim()->currentFrame()) + ":" + sounds.log;
                sounds.log.clear();
            }
            frame();
        }
        EXPECT_EQ(c.sounds, log);
        // The floor's step sounds are only kept.
        EXPECT_EQ(KaPath("sounds/SFX/PAS_H_BOIS1.ogg"), mira.stepSound(0));
        EXPECT_EQ(KaPath("sounds/SFX/PAS_H_BOIS2.ogg"), mira.stepSound(1));
        characters.clear();
    }
}

TEST_F(CharacterTest, ACharacterLeavesTheSceneWithItsOwnModelsOnly)
{
    KaScene scene;
    Character& mira = character("Mira");
    Character& nils = character("Nils");
    for (Character* c : { &mira, &nils }) {
        c->setScene(&scene);
        scene.models().pushBack(c->model());
        scene.models().pushBack(c->shadowPlane(0));
        scene.models().pushBack(c->shadowPlane(1));
    }
    KaIntrusivePtr<KaModel> nilsModel = nils.model();
    KaIntrusivePtr<KaModel> nilsShadows[2] = { nils.shadowPlane(0), nils.shadowPlane(1) };
    characters.erase(characters.begin());
    ASSERT_EQ(3u, scene.models().size());
    EXPECT_EQ(nilsModel.get(), scene.models()[0].get());
    EXPECT_EQ(nilsShadows[0].get(), scene.models()[1].get());
    EXPECT_EQ(nilsShadows[1].get(), scene.models()[2].get());
    characters.clear();
    EXPECT_EQ(0u, scene.models().size());
}
