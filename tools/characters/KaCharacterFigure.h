#ifndef KA_CHARACTER_FIGURE_H
#define KA_CHARACTER_FIGURE_H

#include <vector>

#include "engine/core/KaString.h"
#include "tools/characters/KaCharacterRig.h"
#include "tools/content/KaCanvas.h"

class KaModel;
class KaMesh;

// A low-poly figure over the rig: boxes and tapered boxes for the feet,
// legs, coat, torso, arms, hands, neck, head and hair or cap, each moving
// with its bone (the coat's halves and the waist blend two bones), painted
// from one texture, with the face's eyes and mouth as separate small meshes
// that the game shows and hides by name ("_Y_" eyes, "_B_" mouth).
class KaCharacterFigure {
public:
    enum Headwear { Ponytail, Cap };

    struct Look {
        KaCanvas::Color coat;
        KaCanvas::Color trim;
        KaCanvas::Color trousers;
        KaCanvas::Color boots;
        KaCanvas::Color skin;
        KaCanvas::Color hair;
        KaCanvas::Color scarf;
        KaCanvas::Color eyes;
        Headwear headwear;
        bool beard;
        bool scarfTail;
    };

    KaCharacterFigure(const KaCharacterRig& rig, const Look& look);

    // The texture (256 x 256) that build() maps onto the figure.
    KaCanvas paint() const;
    // Skeleton, the body mesh named name + "_Body", then the face meshes
    // (see the mesh name functions), all textured with the picture of that
    // file name in the model's texture folder.
    void build(KaModel& model, const KaString& name, const KaString& textureFile) const;

    // The top of the head or of the headwear.
    float height() const;

    static KaString eyesOpenMesh(const KaString& name) { return name + "_Y_Open"; }
    static KaString eyesClosedMesh(const KaString& name) { return name + "_Y_Closed"; }
    static KaString mouthClosedMesh(const KaString& name) { return name + "_B_Closed"; }
    static KaString mouthOpenMesh(const KaString& name) { return name + "_B_Open"; }

    // Texture regions, in pixels of the 256 x 256 picture.
    enum Region {
        CoatFront,
        Coat,
        CoatInside,
        SkirtFront,
        Sleeve,
        Cuff,
        Trousers,
        Calf,
        Boot,
        Skin,
        Face,
        HeadSide,
        Hair,
        HairFront,
        Scarf,
        CapFront,
        CapBrim,
        Beard,
        EyesOpen,
        EyesClosed,
        MouthClosed,
        MouthOpen,
        RegionCount
    };

private:
    struct Influence {
        KaCharacterRig::Bone bone;
        float weight;
    };
    // A box whose bottom and top rectangles may differ (tapered), each ring
    // moved by up to two bones; one region per face side.
    struct Block {
        KaVector3f32 bottom;
        float bottomHalfX, bottomHalfZ;
        KaVector3f32 top;
        float topHalfX, topHalfZ;
        std::vector<Influence> lower;
        std::vector<Influence> upper;
        Region front, back, sides, cap, base;
        bool mirrorFront;
    };
    struct Geometry;

    std::vector<Block> blocks() const;
    void addBlock(Geometry& geometry, const Block& block, KaModel& model) const;

    const KaCharacterRig& mRig;
    Look mLook;
};

#endif
