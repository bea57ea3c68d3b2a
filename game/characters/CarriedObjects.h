#ifndef CARRIED_OBJECTS_H
#define CARRIED_OBJECTS_H

#include "engine/core/KaString.h"
#include "engine/maths/KaQuaternion.h"
#include "engine/maths/KaVector3f32.h"

class KaModel;

// The props of a scene that may ride on a character's bones, as the
// character's bone update reads them: the scene lists its 3D objects through
// this, so that characters need nothing else of them. Main thread only.
class CarriedObjects {
public:
    // One prop: the model the bone moves, the character (by model name) and
    // bone (a part of the bone's name) that carry it, the frames of the
    // character's animation during which it is carried, and its offset from
    // the bone.
    struct Carried {
        KaModel* model = nullptr;
        KaString characterName;
        KaString boneName;
        unsigned int firstFrame = 0;
        unsigned int lastFrame = 0;
        KaVector3f32 translation;
        KaQuaternion rotation;
        KaVector3f32 scale = KaVector3f32(1.0f, 1.0f, 1.0f);
    };

    virtual ~CarriedObjects();

    virtual unsigned long carriedCount() const = 0;
    // Fills carried with the prop at index; false when that prop has no
    // model to place.
    virtual bool carried(unsigned long index, Carried& carried) const = 0;
};

#endif
