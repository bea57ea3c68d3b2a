#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tests/tools/characters/KaCharacterFiles.h"

namespace {

typedef KaCharacterCast::Member Member;
typedef KaCharacterMotion::Gait Gait;
typedef KaCharacterMotion::Part Part;

const Part parts[4] = { KaCharacterMotion::Start, KaCharacterMotion::Loop, KaCharacterMotion::EndG,
    KaCharacterMotion::EndD };

struct WalkCase {
    const Member* member;
    const Gait* gait;
    std::string label() const { return std::string(member->name) + " " + gait->name; }
};

std::vector<WalkCase> walkCases()
{
    std::vector<WalkCase> cases;
    for (const Member& member : KaCharacterCast::members()) {
        cases.push_back(WalkCase { &member, &member.walk });
        cases.push_back(WalkCase { &member, &member.jog });
    }
    return cases;
}

KaIntrusivePtr<KaModelAnimation> part(const WalkCase& c, Part p)
{
    return KaCharacterFiles::get().loadAnimation(KaCharacterCast::walkFile(*c.member, *c.gait, p));
}

// The member's model, and the loop of the case's gait.
bool loadLoop(const WalkCase& c, KaModel& model, KaIntrusivePtr<KaModelAnimation>& loop)
{
    loop = part(c, KaCharacterMotion::Loop);
    return loop && KaCharacterFiles::get().loadModel(*c.member, model);
}

// How far apart two frames' poses are, the root's own motion aside: the
// largest rotation between the same bone's, and the largest distance
// between the same bone's translations.
struct PoseGap {
    float angle;
    float distance;
};

PoseGap gap(KaModelAnimation& a, unsigned long fa, KaModelAnimation& b, unsigned long fb)
{
    PoseGap g { 0.0f, 0.0f };
    for (unsigned long t = 1; t < a.trackCount(); ++t) {
        const KaTRS x = a.getTRS(t, fa, false);
        const KaTRS y = b.getTRS(t, fb, false);
        const KaQuaternion& p = x.getRotation();
        const KaQuaternion& q = y.getRotation();
        const float dot = std::min(1.0f, std::fabs(p.x * q.x + p.y * q.y + p.z * q.z + p.w * q.w));
        g.angle = std::max(g.angle, 2.0f * std::acos(dot));
        g.distance = std::max(g.distance, (x.getTranslation() - y.getTranslation()).getLength());
    }
    return g;
}

} // namespace

TEST(KaCharacterAnimation, PartsLoadWithTheirFramesRatesAndBones)
{
    const KaCharacterFiles& files = KaCharacterFiles::get();
    ASSERT_TRUE(files.written());
    for (const WalkCase& c : walkCases()) {
        for (Part p : parts) {
            SCOPED_TRACE(c.label() + " " + KaCharacterCast::partNames[p]);
            KaIntrusivePtr<KaModelAnimation> animation = part(c, p);
            ASSERT_TRUE(animation);
            EXPECT_EQ(animation->nbFrames(), static_cast<unsigned int>(KaCharacterMotion::frameCount(*c.gait, p)));
            EXPECT_FLOAT_EQ(animation->frameRate(), c.gait->framesPerSecond);
            ASSERT_EQ(animation->trackCount(), static_cast<unsigned long>(KaCharacterRig::BoneCount));
            for (int b = 0; b < KaCharacterRig::BoneCount; ++b) {
                const KaString bone(KaCharacterRig::boneName(static_cast<KaCharacterRig::Bone>(b)));
                EXPECT_NE(animation->findBone(bone), KaModelAnimation::mNoBone) << bone.c_str();
            }
        }
    }
    for (const Member& member : KaCharacterCast::members()) {
        KaIntrusivePtr<KaModelAnimation> idle = files.loadAnimation(KaCharacterCast::idleFile(member));
        ASSERT_TRUE(idle);
        EXPECT_EQ(idle->nbFrames(), 90u);
        // It loops: its last frame leads back into its first.
        EXPECT_LT(gap(*idle, 89, *idle, 0).angle, 0.02f);
        EXPECT_NEAR(KaGameLength(*idle), 0.0f, 1e-4f) << "standing still";
        ASSERT_TRUE(files.loadAnimation(KaCharacterCast::stepAsideFile(member)));
    }
}

TEST(KaCharacterAnimation, LoopCoversSpeedTimesCycleTime)
{
    for (const WalkCase& c : walkCases()) {
        SCOPED_TRACE(c.label());
        KaIntrusivePtr<KaModelAnimation> loop = part(c, KaCharacterMotion::Loop);
        ASSERT_TRUE(loop);
        // The same step on every frame: any stretch of the loop the game
        // walks is exactly its frames times the speed.
        for (unsigned long f = 1; f < loop->nbFrames(); ++f)
            EXPECT_NEAR(KaRootZ(*loop, f) - KaRootZ(*loop, f - 1), c.gait->speed, 1e-4f) << "frame " << f;
        const float perSecond = c.gait->speed * c.gait->framesPerSecond;
        const float cycleSeconds = KaCharacterMotion::loopFrames / c.gait->framesPerSecond;
        EXPECT_NEAR(KaGameLength(*loop), perSecond * cycleSeconds, 1e-3f);
        KaString root("Pere");
        for (unsigned long f = 0; f < loop->nbFrames(); ++f) {
            EXPECT_EQ(loop->getTRS(root, f, false).getTranslation().x, 0.0f);
            EXPECT_EQ(loop->getTRS(root, f, false).getTranslation().y, 0.0f);
        }
    }
    // The speeds the settings file and the hand-written scenes count on.
    const Member& mira = KaCharacterCast::members()[0];
    EXPECT_FLOAT_EQ(mira.walk.speed * mira.walk.framesPerSecond, 120.0f);
    EXPECT_FLOAT_EQ(mira.jog.speed * mira.jog.framesPerSecond, 260.0f);
}

TEST(KaCharacterAnimation, StartsAndStopsMeetTheLoop)
{
    for (const WalkCase& c : walkCases()) {
        SCOPED_TRACE(c.label());
        KaIntrusivePtr<KaModelAnimation> start = part(c, KaCharacterMotion::Start);
        KaIntrusivePtr<KaModelAnimation> loop = part(c, KaCharacterMotion::Loop);
        ASSERT_TRUE(start && loop);
        // One frame of motion from the start's last frame into the loop, and
        // from the loop's last frame round to its first.
        const PoseGap into = gap(*start, start->nbFrames() - 1, *loop, 0);
        EXPECT_LT(into.angle, 0.35f);
        EXPECT_LT(into.distance, 1.5f);
        const PoseGap round = gap(*loop, loop->nbFrames() - 1, *loop, 0);
        EXPECT_LT(round.angle, 0.35f);
        EXPECT_LT(round.distance, 1.5f);
        EXPECT_NEAR(KaRootZ(*start, 0), 0.0f, 1e-5f);
        // The start picks up the loop's pace.
        const unsigned long last = start->nbFrames() - 1;
        EXPECT_NEAR(KaRootZ(*start, last) - KaRootZ(*start, last - 1), c.gait->speed, 0.1f * c.gait->speed);

        // A stop begins on the loop's step frame with exactly that pose and
        // slows down to standing.
        const unsigned long steps[2] = { KaCharacterMotion::leftStepFrame, KaCharacterMotion::rightStepFrame };
        const Part stops[2] = { KaCharacterMotion::EndG, KaCharacterMotion::EndD };
        for (int s = 0; s < 2; ++s) {
            SCOPED_TRACE(KaCharacterCast::partNames[stops[s]]);
            KaIntrusivePtr<KaModelAnimation> stop = part(c, stops[s]);
            ASSERT_TRUE(stop);
            const PoseGap same = gap(*stop, 0, *loop, steps[s]);
            EXPECT_LT(same.angle, 1e-3f);
            EXPECT_LT(same.distance, 1e-3f);
            const unsigned long end = stop->nbFrames() - 1;
            EXPECT_NEAR(KaRootZ(*stop, end), KaRootZ(*stop, end - 1), 1e-3f) << "stands still at the end";
            EXPECT_NEAR(KaRootZ(*stop, 1) - KaRootZ(*stop, 0), c.gait->speed, 0.1f * c.gait->speed);
        }
    }
}

// The feet are planted where the plan puts them: a foot on the ground does
// not slide while the root moves on, and the two feet stride apart.
TEST(KaCharacterAnimation, PlantedFeetStayPutWhileTheBodyMovesOn)
{
    for (const WalkCase& c : walkCases()) {
        SCOPED_TRACE(c.label());
        KaModel model;
        KaIntrusivePtr<KaModelAnimation> loop;
        ASSERT_TRUE(loadLoop(c, model, loop));
        const float cycle = c.gait->speed * KaCharacterMotion::loopFrames;
        const int strikes[2] = { KaCharacterMotion::leftStepFrame, KaCharacterMotion::rightStepFrame };
        const char* feet[2] = { "Bip01 L Foot", "Bip01 R Foot" };
        float widest = 0.0f;
        for (int side = 0; side < 2; ++side) {
            SCOPED_TRACE(feet[side]);
            KaPoseAt(model, loop, static_cast<unsigned int>(strikes[side]));
            const KaVector3f32 landed = KaBonePosition(model, feet[side]);
            const float ankle = c.member->body.hipHeight - c.member->body.thigh - c.member->body.calf;
            EXPECT_NEAR(landed.y, ankle, 1.0f) << "lands on the ground";
            for (int k = 1; k < c.gait->stance; ++k) {
                const int f = (strikes[side] + k) % KaCharacterMotion::loopFrames;
                KaPoseAt(model, loop, static_cast<unsigned int>(f));
                KaVector3f32 at = KaBonePosition(model, feet[side]);
                if (f < strikes[side])
                    at.z += cycle;
                EXPECT_NEAR(at.x, landed.x, 0.05f) << "frame " << f;
                EXPECT_NEAR(at.z, landed.z, 0.05f) << "frame " << f;
                // The heel may rise as the foot rolls off; the ankle never
                // sinks into the ground.
                EXPECT_GE(at.y, ankle - 0.05f) << "frame " << f;
            }
        }
        for (unsigned int f = 0; f < KaCharacterMotion::loopFrames; ++f) {
            KaPoseAt(model, loop, f);
            widest = std::max(widest,
                std::fabs(KaBonePosition(model, feet[0]).z - KaBonePosition(model, feet[1]).z));
        }
        EXPECT_GT(widest, 0.4f * cycle) << "a stride is most of a step long";
    }
}

TEST(KaCharacterAnimation, WalkBobsAndSwingsTheArmsAgainstTheLegs)
{
    for (const WalkCase& c : walkCases()) {
        SCOPED_TRACE(c.label());
        KaModel model;
        KaIntrusivePtr<KaModelAnimation> loop;
        ASSERT_TRUE(loadLoop(c, model, loop));
        float low = 1e9f, high = -1e9f;
        int counterSwings = 0;
        for (unsigned int f = 0; f < KaCharacterMotion::loopFrames; ++f) {
            KaPoseAt(model, loop, f);
            const float pelvis = KaBonePosition(model, "Bip01 Pelvis").y;
            low = std::min(low, pelvis);
            high = std::max(high, pelvis);
            const float root = KaBonePosition(model, "Pere").z;
            const float leftFoot = KaBonePosition(model, "Bip01 L Foot").z - root;
            const float rightFoot = KaBonePosition(model, "Bip01 R Foot").z - root;
            const float leftHand = KaBonePosition(model, "Bip01 L Forearm").z - root;
            const float rightHand = KaBonePosition(model, "Bip01 R Forearm").z - root;
            // Whichever foot is ahead, the arm on its side is behind the
            // other one.
            if (std::fabs(leftFoot - rightFoot) > 20.0f)
                counterSwings += (leftFoot > rightFoot) == (leftHand < rightHand) ? 1 : -100;
        }
        EXPECT_GT(high - low, 1.0f) << "the body rises and falls";
        EXPECT_LT(high - low, 7.0f) << "only slightly";
        EXPECT_LT(high, c.member->body.hipHeight) << "the knees stay a little bent";
        EXPECT_GT(counterSwings, 10);
    }
}

TEST(KaCharacterAnimation, StepAsideMovesExactlyItsDistanceToTheLeft)
{
    const KaCharacterFiles& files = KaCharacterFiles::get();
    for (const Member& member : KaCharacterCast::members()) {
        SCOPED_TRACE(member.name);
        KaIntrusivePtr<KaModelAnimation> aside = files.loadAnimation(KaCharacterCast::stepAsideFile(member));
        ASSERT_TRUE(aside);
        KaString root("Pere");
        const unsigned long last = aside->nbFrames() - 1;
        const KaVector3f32 from = aside->getTRS(root, 0, false).getTranslation();
        const KaVector3f32 to = aside->getTRS(root, last, false).getTranslation();
        EXPECT_EQ(from, KaVector3f32(0, 0, 0));
        // Stored mirrored, as every root is; the game's commit negates x
        // back and moves the model by (50, 0, 0) of its own frame.
        EXPECT_NEAR(to.x, -KaCharacterCast::stepAsideDistance, 1e-4f);
        EXPECT_EQ(to.y, 0.0f);
        EXPECT_EQ(to.z, 0.0f);

        KaModel model;
        ASSERT_TRUE(files.loadModel(member, model));
        KaPoseAt(model, aside, static_cast<unsigned int>(last));
        const KaVector3f32 moved = KaBonePosition(model, "Pere");
        EXPECT_NEAR(moved.x, KaCharacterCast::stepAsideDistance, 1e-3f) << "towards the figure's left hand";
        EXPECT_NEAR(KaBonePosition(model, "Bip01 L Foot").x, member.body.hipHalfWidth + 50.0f, 0.05f);
        EXPECT_NEAR(KaBonePosition(model, "Bip01 R Foot").x, -member.body.hipHalfWidth + 50.0f, 0.05f);
        EXPECT_NEAR(KaBonePosition(model, "Bip01 Pelvis").y, member.body.hipHeight, 0.05f) << "standing again";
    }
}
