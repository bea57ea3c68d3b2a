#ifndef KA_CHARACTER_FILES_H
#define KA_CHARACTER_FILES_H

#include <memory>
#include <string>

#include "engine/containers/KaIntrusivePtr.h"
#include "engine/scene/KaModel.h"
#include "engine/scene/KaModelAnimation.h"
#include "tests/support/KaTestSupport.h"
#include "tools/characters/KaCharacterCast.h"

// The characters written once for all the tests of the program, into a
// temporary Resources folder, and read back as the game reads them.
class KaCharacterFiles {
public:
    static const KaCharacterFiles& get();

    std::string models() const { return mDir.path() + "/models/"; }
    std::string anim(const KaString& file) const { return models() + "Anims/" + file.c_str(); }
    bool written() const { return mWritten; }

    // The model with its textures when a GL context is current.
    bool loadModel(const KaCharacterCast::Member& member, KaModel& model) const;
    KaIntrusivePtr<KaModelAnimation> loadAnimation(const KaString& file) const;

private:
    KaCharacterFiles();

    KaTempDir mDir;
    bool mWritten;
};

// The root's z at a frame, and the game's length of a part: the root's z
// over its frames plus one frame's step.
float KaRootZ(KaModelAnimation& animation, unsigned long frame);
float KaGameLength(KaModelAnimation& animation);
// Poses the model at that frame of the animation (the frame computed from
// the time as the game's clock would give it).
void KaPoseAt(KaModel& model, KaIntrusivePtr<KaModelAnimation>& animation, unsigned int frame);
KaVector3f32 KaBonePosition(const KaModel& model, const char* bone);

#endif
