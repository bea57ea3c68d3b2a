#ifndef KA_MODEL_ANIMATION_LINK_H
#define KA_MODEL_ANIMATION_LINK_H

// What a model asks of its skeletal and vertex animations, in one place: the
// model only holds them, starts them and reads them. Include from KaModel.cpp
// only.

#include "engine/containers/KaArray.h"
#include "engine/containers/KaIntrusivePtr.h"
#include "engine/core/KaString.h"
#include "engine/maths/KaTRS.h"
#include "engine/maths/KaVector3f32.h"
#include "engine/scene/KaModelAnimation.h"
#include "engine/scene/KaModelVertexAnimation.h"

struct KaModelAnimationLink {
    // Animations may be released while the frame still runs them: the last
    // reference a model drops hands them to the deferred deletion.
    static void releaseLater(KaIntrusivePtr<KaModelAnimation>& pointer)
    {
        pointer.setDeleter(&KaModelAnimation::deleteLater);
    }
    static void releaseLater(KaIntrusivePtr<KaModelVertexAnimation>& pointer)
    {
        pointer.setDeleter(&KaModelVertexAnimation::deleteLater);
    }

    static void setRepeatCount(KaModelAnimation& animation, unsigned int count) { animation.setRepeatCount(count); }

    static void play(KaModelAnimation& animation) { animation.play(); }

    // The transform of the track named like the bone at the animation's
    // current frame; false when no track has that name.
    static bool boneTransform(KaModelAnimation& animation, const KaString& name, KaTRS& transform)
    {
        const unsigned long track = animation.findBone(name);
        if (track == 65535)
            return false;
        transform = animation.getTRS(track, animation.currentFrame(), false);
        return true;
    }

    static void setRepeatCount(KaModelVertexAnimation& animation, unsigned int count)
    {
        animation.setRepeatCount(count);
    }
    static void play(KaModelVertexAnimation& animation) { animation.play(); }

    // The animation's current vertices when it animates the mesh of that
    // name, else null. Valid until the next call on any vertex animation.
    static const KaArray<KaVector3f32>* verticesFor(KaModelVertexAnimation& animation, const KaString& meshName)
    {
        if (!(animation.name() == meshName))
            return nullptr;
        return &animation.getVertices();
    }
};

#endif
