#ifndef KA_MODEL_VERTEX_ANIMATION_H
#define KA_MODEL_VERTEX_ANIMATION_H

#include "engine/containers/KaArray.h"
#include "engine/containers/KaIntrusivePtr.h"
#include "engine/containers/KaIsRelocatable.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaResource.h"
#include "engine/core/KaString.h"
#include "engine/maths/KaMatrix4x4.h"
#include "engine/maths/KaQuaternion.h"
#include "engine/maths/KaVector3f32.h"
#include "engine/scene/KaAnimation.h"

class KaModel;
class KaModelAnimation;
class KaStream;

// Animates the vertex positions of one named mesh by keyframes of whole
// vertex arrays. Key times are frames at 30 per second of file time; the
// animation loops over its keys for as long as it runs (the repeat count is
// not consulted) and emits onFinished each time the position wraps past the
// last key. When a skeletal animation is linked, its current frame drives the
// time instead of the clock.
//
// getVertices() answers the interpolated positions in one array shared by
// every vertex animation: its content is valid until the next call on any of
// them. A single key answers its own vertices; two keys at the same time
// weigh 0 on the later one.
//
// Files: "KAVA" version 2 (positions) or 256 (each position followed by a
// matrix; such vertices are transformed by their matrix and turned by -90
// degrees about Y), no padding anywhere. The reader checks the header's
// counts against the bytes left before it allocates; the writer writes
// version 2 with the vertices already transformed.
//
// A counted resource (KaIntrusivePtr). Main thread only.
class KaModelVertexAnimation : public KaResource, public KaAnimation {
public:
    struct key {
        float time;
        KaArray<KaVector3f32> vertices;
        KaArray<KaMatrix4x4> matrices;
    };

    static constexpr unsigned int mVersion = 2;
    static constexpr unsigned int mVersionWithMatrices = 256;
    // Key times are frames at this rate.
    static constexpr float mFramesPerSecond = 30.0f;

    KaModelVertexAnimation();
    ~KaModelVertexAnimation() override;

    bool load(const KaPath& path) override;
    bool load(KaStream& stream);
    bool save(KaStream& stream) const;

    // So that an owner's counted pointer can take it as its deleter.
    void deleteLater() { KaObject::deleteLater(); }

    // Keeps the model and sets the time back to 0.
    void bind(KaIntrusivePtr<KaModel> model);
    const KaIntrusivePtr<KaModel>& model() const { return mModel; }
    // The skeletal animation whose frame drives the time; null for the clock.
    void setLinkedAnimation(const KaIntrusivePtr<KaModelAnimation>& animation);
    const KaIntrusivePtr<KaModelAnimation>& linkedAnimation() const { return mLinkedAnimation; }

    void update(double milliseconds) override;

    // The stored vertex of a key; with matrices (a version 256 file), the
    // vertex through its matrix and then the rotation. Zero out of range.
    KaVector3f32 getKeyVertex(unsigned long keyIndex, unsigned int vertex) const;
    const KaArray<KaVector3f32>& getVertices() const;
    void destroy();

    // Position in key time (frames) at that many milliseconds: wraps at the
    // last key's time, 0 when that time is not above 0.
    float position(double milliseconds) const;

    const KaString& name() const { return mName; }
    double time() const { return mTime; }
    void setTime(double milliseconds) { mTime = milliseconds; }
    const KaQuaternion& rotation() const { return mRotation; }
    void setRotation(const KaQuaternion& rotation) { mRotation = rotation; }
    const KaArray<key>& keys() const { return mKeys; }

private:
    bool read(KaStream& stream);
    static KaArray<KaVector3f32>& sharedVertices();

    KaArray<key> mKeys;
    KaIntrusivePtr<KaModel> mModel;
    KaString mName;
    double mTime;
    KaQuaternion mRotation;
    KaIntrusivePtr<KaModelAnimation> mLinkedAnimation;
};

KA_RELOCATABLE(KaModelVertexAnimation::key);

#endif
