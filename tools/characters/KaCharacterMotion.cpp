#include "tools/characters/KaCharacterMotion.h"

#include <algorithm>
#include <cmath>

#include "engine/scene/KaModelAnimation.h"

namespace {

const float pi = 3.14159265f;
const float always = 1.0e9f;
// A cycle has two steps: the pelvis rises and falls twice.
const float halfCycle = KaCharacterMotion::loopFrames / 2.0f;
// The elbows are never quite straight, even standing.
const float restElbow = 0.15f;
const float restSpread = 0.06f;
const int idleFrames = 90;
const int asideFrames = 30;

float smoothstep(float t)
{
    t = std::max(0.0f, std::min(1.0f, t));
    return t * t * (3.0f - 2.0f * t);
}

float clampUnit(float value) { return std::max(-1.0f, std::min(1.0f, value)); }

// Where the start's root ends (the loop's frame 0) and how many frames it
// takes to get there: the left foot planted at 0 must be the loop's left
// footfall before frame 13, and the root arrives at the loop's speed.
float startDistance(const KaCharacterMotion::Gait& gait)
{
    return (KaCharacterMotion::loopFrames - KaCharacterMotion::leftStepFrame) * gait.speed - gait.reach;
}

int startFrames(const KaCharacterMotion::Gait& gait)
{
    return std::max(4, static_cast<int>(std::lround(2.0f * startDistance(gait) / gait.speed)));
}

// A stop slows down evenly over the reach of a step.
float stopFrames(const KaCharacterMotion::Gait& gait) { return 2.0f * gait.reach / gait.speed; }

// Whether the other foot is still planted when a stop begins on a
// footfall (a walk), or in the air (a jog, which needs one step more).
bool otherFootPlanted(const KaCharacterMotion::Gait& gait) { return gait.stance > KaCharacterMotion::loopFrames / 2; }

// Frames of full speed before a stop slows down.
float coastFrames(const KaCharacterMotion::Gait& gait) { return otherFootPlanted(gait) ? 0.0f : halfCycle; }

int stopLanding(const KaCharacterMotion::Gait& gait)
{
    const int late = static_cast<int>(std::lround(coastFrames(gait) + stopFrames(gait))) - 3;
    return std::max(gait.stance - KaCharacterMotion::loopFrames / 2 + 4, late);
}

KaVector3f32 loopRoot(const KaCharacterMotion::Gait& gait, float frame, float, float)
{
    return KaVector3f32(0, 0, gait.speed * frame);
}

KaVector3f32 startRoot(const KaCharacterMotion::Gait&, float frame, float distance, float frames)
{
    const float t = frame / frames;
    return KaVector3f32(0, 0, distance * t * t);
}

KaVector3f32 stopRoot(const KaCharacterMotion::Gait& gait, float frame, float coast, float slowing)
{
    const float v = gait.speed;
    const float s = std::max(0.0f, std::min(frame - coast, slowing));
    return KaVector3f32(0, 0, v * std::min(frame, coast) + v * s - v * s * s / (2.0f * slowing));
}

KaVector3f32 asideRoot(const KaCharacterMotion::Gait&, float frame, float distance, float last)
{
    return KaVector3f32(distance * smoothstep(frame / last), 0, 0);
}

float walking(float, float) { return 1.0f; }

float starting(float frame, float length) { return smoothstep(frame / length); }

float stopping(float frame, float length) { return 1.0f - smoothstep(frame / length); }

float stepping(float frame, float length) { return std::sin(pi * std::max(0.0f, std::min(1.0f, frame / length))); }

} // namespace

KaCharacterMotion::KaCharacterMotion(const KaCharacterRig& rig)
    : mRig(rig)
{
}

int KaCharacterMotion::frameCount(const Gait& gait, Part part)
{
    switch (part) {
    case Start:
        return startFrames(gait);
    case Loop:
        return loopFrames;
    default:
        // Standing still on the last two frames.
        return static_cast<int>(std::ceil(coastFrames(gait) + stopFrames(gait))) + 2;
    }
}

int KaCharacterMotion::leftStep(const Gait& gait, Part part)
{
    switch (part) {
    case Start:
        return -1;
    case Loop:
        return leftStepFrame;
    case EndG:
        return otherFootPlanted(gait) ? -1 : stopLanding(gait);
    default:
        return otherFootPlanted(gait) ? stopLanding(gait) : static_cast<int>(halfCycle);
    }
}

int KaCharacterMotion::rightStep(const Gait& gait, Part part)
{
    switch (part) {
    case Start:
        return startFrames(gait) - (loopFrames - rightStepFrame);
    case Loop:
        return rightStepFrame;
    case EndG:
        return otherFootPlanted(gait) ? stopLanding(gait) : static_cast<int>(halfCycle);
    default:
        return otherFootPlanted(gait) ? -1 : stopLanding(gait);
    }
}

KaCharacterMotion::Plan KaCharacterMotion::plan(const Gait& gait, Part part) const
{
    const float side[2] = { mRig.proportions().hipHalfWidth, -mRig.proportions().hipHalfWidth };
    const float strike[2] = { static_cast<float>(leftStepFrame), static_cast<float>(rightStepFrame) };
    const float v = gait.speed;
    const float stance = static_cast<float>(gait.stance);
    Plan p;
    p.frames = frameCount(gait, part);
    if (part == Loop) {
        p.root = loopRoot;
        p.amount = walking;
        p.rootA = p.rootB = 0.0f;
        p.length = loopFrames;
        p.phase = 0.0f;
        for (int f = 0; f < 2; ++f) {
            for (int k = -2; k <= 2; ++k) {
                const float s = strike[f] + loopFrames * k;
                p.feet[f].push_back(Plant { side[f], v * s + gait.reach, s, s + stance });
            }
        }
        return p;
    }
    if (part == Start) {
        // The loop's footfalls, moved to where the loop begins; the left
        // foot's last one before the loop is the spot it stands on.
        const float distance = startDistance(gait);
        const float frames = static_cast<float>(p.frames);
        p.root = startRoot;
        p.amount = starting;
        p.rootA = distance;
        p.rootB = frames;
        p.length = frames;
        p.phase = -frames;
        p.feet[0].push_back(Plant { side[0], 0.0f, -always, frames + strike[0] - loopFrames + stance });
        p.feet[1].push_back(Plant { side[1], 0.0f, -always, 1.0f });
        for (int f = 0; f < 2; ++f) {
            for (int k = f == 0 ? 0 : -1; k <= 1; ++k) {
                const float s = strike[f] + loopFrames * k;
                p.feet[f].push_back(Plant { side[f], distance + v * s + gait.reach, frames + s, frames + s + stance });
            }
        }
        return p;
    }
    // A stop, from the loop's frame on which foot a has just landed; the
    // ground is counted from where the root is then.
    const int a = part == EndG ? 0 : 1;
    const int b = 1 - a;
    const float coast = coastFrames(gait);
    const float slowing = stopFrames(gait);
    const float end = v * coast + gait.reach;
    p.root = stopRoot;
    p.amount = stopping;
    p.rootA = coast;
    p.rootB = slowing;
    p.length = coast + slowing;
    p.phase = strike[a];
    const float landing = static_cast<float>(stopLanding(gait));
    p.feet[b].push_back(Plant { side[b], gait.reach - halfCycle * v, -always, stance - halfCycle });
    if (otherFootPlanted(gait)) {
        p.feet[a].push_back(Plant { side[a], gait.reach, -always, always });
        p.feet[b].push_back(Plant { side[b], end, landing, always });
    } else {
        // The other foot lands where the loop would have put it; this one
        // follows it to stand beside it.
        p.feet[a].push_back(Plant { side[a], gait.reach, -always, stance });
        p.feet[a].push_back(Plant { side[a], end, landing, always });
        p.feet[b].push_back(Plant { side[b], end, halfCycle, always });
    }
    return p;
}

KaVector3f32 KaCharacterMotion::foot(const std::vector<Plant>& plants, float frame, float clearance) const
{
    const float ankle = mRig.ankleHeight();
    for (size_t i = 0; i < plants.size(); ++i) {
        const Plant& p = plants[i];
        if (frame < p.from) {
            if (i == 0)
                return KaVector3f32(p.x, ankle, p.z);
            const Plant& q = plants[i - 1];
            const float s = (frame - q.to) / (p.from - q.to);
            const float t = smoothstep(s);
            return KaVector3f32(
                q.x + (p.x - q.x) * t, ankle + clearance * std::sin(pi * s), q.z + (p.z - q.z) * t);
        }
        if (frame < p.to)
            return KaVector3f32(p.x, ankle, p.z);
    }
    const Plant& last = plants.back();
    return KaVector3f32(last.x, ankle, last.z);
}

KaCharacterRig::Pose KaCharacterMotion::pose(const Gait& gait, const Plan& plan, float frame) const
{
    const KaCharacterRig::Proportions& body = mRig.proportions();
    KaCharacterRig::Pose pose = mRig.restPose();
    pose.root = plan.root(gait, frame, plan.rootA, plan.rootB);
    const float a = plan.amount(frame, plan.length);
    const float loopFrame = frame + plan.phase;
    const float wave = -std::cos(2.0f * pi * (loopFrame - leftStepFrame - gait.bobLow) / halfCycle);
    pose.pelvis = KaVector3f32(0, body.hipHeight - a * gait.drop + a * gait.bob * wave, 0);

    KaVector3f32 feet[2];
    for (int f = 0; f < 2; ++f) {
        feet[f] = foot(plan.feet[f], frame, gait.clearance) - pose.root;
        mRig.reachLeg(pose, f == 0, feet[f], 0.0f);
    }
    // Each arm swings with the opposite leg, the shoulders turn against the
    // hips.
    const float leftAhead = clampUnit(feet[0].z / gait.reach);
    const float rightAhead = clampUnit(feet[1].z / gait.reach);
    const float elbow = restElbow + a * gait.elbow;
    mRig.placeArm(pose, true, gait.armSwing * rightAhead, restSpread, elbow);
    mRig.placeArm(pose, false, gait.armSwing * leftAhead, restSpread, elbow);
    const float twist = gait.armSwing * 0.15f * (leftAhead - rightAhead);
    pose.local[KaCharacterRig::Spine] = KaCharacterRig::aboutX(a * gait.lean) * KaCharacterRig::aboutY(twist);
    // The head keeps looking ahead.
    pose.local[KaCharacterRig::Neck]
        = KaCharacterRig::aboutX(-0.8f * a * gait.lean) * KaCharacterRig::aboutY(-0.6f * twist);
    return pose;
}

void KaCharacterMotion::record(const KaCharacterRig::Pose& pose, unsigned int frame, KaModelAnimation& animation) const
{
    for (int b = 0; b < KaCharacterRig::BoneCount; ++b) {
        const KaTRS transform = mRig.boneTransform(pose, static_cast<KaCharacterRig::Bone>(b));
        KaVector3f32 translation = transform.getTranslation();
        KaQuaternion rotation = transform.getRotation();
        animation.setTranslation(b, static_cast<float>(frame), translation);
        animation.setRotation(b, static_cast<float>(frame), rotation);
    }
}

namespace {

// A frame table with one track per bone, named as the skeleton's.
void prepare(KaModelAnimation& animation, float framesPerSecond)
{
    animation.destroy();
    animation.setKeyed(false);
    animation.setFrameRate(framesPerSecond);
    animation.resizeFBXArrays(KaCharacterRig::BoneCount);
    for (int b = 0; b < KaCharacterRig::BoneCount; ++b)
        animation.setBoneName(b, KaCharacterRig::boneName(static_cast<KaCharacterRig::Bone>(b)));
}

} // namespace

void KaCharacterMotion::walkPart(const Gait& gait, Part part, KaModelAnimation& animation) const
{
    prepare(animation, gait.framesPerSecond);
    const Plan p = plan(gait, part);
    for (int f = 0; f < p.frames; ++f)
        record(pose(gait, p, static_cast<float>(f)), f, animation);
}

void KaCharacterMotion::stepAside(float distance, KaModelAnimation& animation) const
{
    const Gait aside { "Aside", 30.0f, 0.0f, 1.0f, 0, 3.0f, 0.0f, 0.0f, 6.0f, 0.0f, 0.0f, 0.1f };
    prepare(animation, aside.framesPerSecond);
    const float w = mRig.proportions().hipHalfWidth;
    const float last = static_cast<float>(asideFrames - 1);
    Plan p;
    p.frames = asideFrames;
    p.root = asideRoot;
    p.amount = stepping;
    p.rootA = distance;
    p.rootB = last;
    p.length = last;
    p.phase = 0.0f;
    // The leading foot first, the other one after it.
    p.feet[0] = { Plant { w, 0.0f, -always, 3.0f }, Plant { w + distance, 0.0f, 13.0f, always } };
    p.feet[1] = { Plant { -w, 0.0f, -always, 14.0f }, Plant { -w + distance, 0.0f, 25.0f, always } };
    for (int f = 0; f < p.frames; ++f)
        record(pose(aside, p, static_cast<float>(f)), f, animation);
}

void KaCharacterMotion::idle(KaModelAnimation& animation) const
{
    prepare(animation, 30.0f);
    const KaCharacterRig::Proportions& body = mRig.proportions();
    const float w = body.hipHalfWidth;
    for (int f = 0; f < idleFrames; ++f) {
        const float t = 2.0f * pi * static_cast<float>(f) / idleFrames;
        KaCharacterRig::Pose pose = mRig.restPose();
        // Weight shifts from one foot to the other while the chest rises
        // and falls; everything comes back to rest at the loop's seam.
        pose.pelvis = KaVector3f32(1.2f * std::sin(t), body.hipHeight - 0.5f + 0.5f * std::cos(t), 0);
        mRig.reachLeg(pose, true, KaVector3f32(w, mRig.ankleHeight(), 0), 0.0f);
        mRig.reachLeg(pose, false, KaVector3f32(-w, mRig.ankleHeight(), 0), 0.0f);
        pose.local[KaCharacterRig::Spine] = KaCharacterRig::aboutX(0.015f * std::sin(2.0f * t));
        pose.local[KaCharacterRig::Head] = KaCharacterRig::aboutY(0.08f * std::sin(t));
        mRig.placeArm(pose, true, 0.03f * std::sin(t), restSpread, restElbow);
        mRig.placeArm(pose, false, -0.03f * std::sin(t), restSpread, restElbow);
        record(pose, f, animation);
    }
}
