#ifndef KA_CHARACTER_MOTION_H
#define KA_CHARACTER_MOTION_H

#include <vector>

#include "tools/characters/KaCharacterRig.h"

class KaModelAnimation;

// The skeletal animations of a sample character: an idle, the four parts
// of each walk type, and a step aside.
//
// A walk is planned from footfalls: each foot is planted at a point of the
// ground for a span of frames and swings to its next point in between; the
// legs reach for the feet (so a planted foot stays exactly where it is) and
// the arms swing against them. The loop lasts 32 frames: the left foot lands
// on frame 13, the right on frame 29, and "Pere" moves forward at the walk
// type's speed on every frame, so a cycle covers 32 x speed exactly.
//
// The start accelerates from standing (root at D (f / N)^2) into the loop's
// frame 0, with D and N chosen so that the left foot, which stays planted,
// is the very footfall that the loop lifts; the stops begin on the loop's
// frame 13 (endG, the left foot has just landed) or 29 (endD, the right
// one), slow down evenly and end standing with the feet side by side.
// Each part is continuous with the loop where it meets it.
class KaCharacterMotion {
public:
    // Numbered as the game numbers them.
    enum Part { Start = 0, Loop = 1, EndG = 2, EndD = 3 };

    struct Gait {
        const char* name;
        float framesPerSecond;
        // "Pere"'s z per frame in the loop.
        float speed;
        // How far ahead of its hip a foot lands.
        float reach;
        // Frames a foot stays planted in the loop.
        int stance;
        // The pelvis below its standing height, and half its rise and fall
        // about that, lowest bobLow frames after each footfall.
        float drop;
        float bob;
        float bobLow;
        // The swinging foot's lift, the torso's lean forward, the arms'
        // swing at full stride and the elbows' bend (radians).
        float clearance;
        float lean;
        float armSwing;
        float elbow;
    };

    static const int loopFrames = 32;
    static const int leftStepFrame = 13;
    static const int rightStepFrame = 29;

    explicit KaCharacterMotion(const KaCharacterRig& rig);

    // A breath in and out with a small shift of weight, 3 s at 30 fps.
    void idle(KaModelAnimation& animation) const;
    void walkPart(const Gait& gait, Part part, KaModelAnimation& animation) const;
    // One step sideways towards the figure's left (model +x) by distance,
    // feet side by side again at the end.
    void stepAside(float distance, KaModelAnimation& animation) const;

    // Frames of a part, and the frame on which its left or right foot
    // lands (-1 for none).
    static int frameCount(const Gait& gait, Part part);
    static int leftStep(const Gait& gait, Part part);
    static int rightStep(const Gait& gait, Part part);

private:
    struct Plant {
        float x;
        float z;
        float from;
        float to;
    };
    struct Plan {
        std::vector<Plant> feet[2];
        // Root position and how much of the gait shows (0 standing, 1
        // walking), per frame.
        KaVector3f32 (*root)(const Gait& gait, float frame, float a, float b);
        float (*amount)(float frame, float length);
        float rootA;
        float rootB;
        float length;
        // Frame of the loop that frame 0 stands for.
        float phase;
        int frames;
    };

    Plan plan(const Gait& gait, Part part) const;
    KaCharacterRig::Pose pose(const Gait& gait, const Plan& plan, float frame) const;
    KaVector3f32 foot(const std::vector<Plant>& plants, float frame, float clearance) const;
    void record(const KaCharacterRig::Pose& pose, unsigned int frame, KaModelAnimation& animation) const;

    const KaCharacterRig& mRig;
};

#endif
