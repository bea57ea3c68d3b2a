#ifndef KA_MODEL_ANIMATION_LINK_H
#define KA_MODEL_ANIMATION_LINK_H

// What a model asks of its skeletal and vertex animations, in one place: the
// model only holds them, starts them and reads them, and keeping those few
// calls here lets the model build whether or not the animation classes are
// part of the build yet. Without them, no animation can exist, so a model
// only ever holds null pointers and poses its bind transforms.
//
// Include from KaModel.cpp only.

#include "engine/containers/KaArray.h"
#include "engine/core/KaString.h"
#include "engine/maths/KaTRS.h"
#include "engine/maths/KaVector3f32.h"

#if __has_include("engine/scene/KaModelAnimation.h")
#include "engine/scene/KaModelAnimation.h"
#define KA_MODEL_HAS_SKELETAL_ANIMATION 1
#else
#include "engine/core/KaResource.h"
class KaModelAnimation : public KaResource {
public:
    bool load(const KaPath&) override { return false; }
};
#define KA_MODEL_HAS_SKELETAL_ANIMATION 0
#endif

#if __has_include("engine/scene/KaModelVertexAnimation.h")
#include "engine/scene/KaModelVertexAnimation.h"
#define KA_MODEL_HAS_VERTEX_ANIMATION 1
#else
#include "engine/core/KaResource.h"
class KaModelVertexAnimation : public KaResource {
public:
    bool load(const KaPath&) override { return false; }
};
#define KA_MODEL_HAS_VERTEX_ANIMATION 0
#endif

struct KaModelAnimationLink {
    static void setRepeatCount(KaModelAnimation& animation, unsigned int count)
    {
#if KA_MODEL_HAS_SKELETAL_ANIMATION
        animation.setRepeatCount(count);
#else
        (void)animation;
        (void)count;
#endif
    }

    static void play(KaModelAnimation& animation)
    {
#if KA_MODEL_HAS_SKELETAL_ANIMATION
        animation.play();
#else
        (void)animation;
#endif
    }

    // The transform of the track named like the bone at the animation's
    // current frame; false when no track has that name.
    static bool boneTransform(KaModelAnimation& animation, const KaString& name, KaTRS& transform)
    {
#if KA_MODEL_HAS_SKELETAL_ANIMATION
        const unsigned long track = animation.findBone(name);
        if (track == 65535)
            return false;
        transform = animation.getTRS(track, animation.currentFrame(), false);
        return true;
#else
        (void)animation;
        (void)name;
        (void)transform;
        return false;
#endif
    }

    static void setRepeatCount(KaModelVertexAnimation& animation, unsigned int count)
    {
#if KA_MODEL_HAS_VERTEX_ANIMATION
        animation.setRepeatCount(count);
#else
        (void)animation;
        (void)count;
#endif
    }

    // The animation's current vertices when it animates the mesh of that
    // name, else null. Valid until the next call on any vertex animation.
    static const KaArray<KaVector3f32>* verticesFor(KaModelVertexAnimation& animation, const KaString& meshName)
    {
#if KA_MODEL_HAS_VERTEX_ANIMATION
        if (!(animation.name() == meshName))
            return nullptr;
        return &animation.getVertices();
#else
        (void)animation;
        (void)meshName;
        return nullptr;
#endif
    }
};

#endif
