#ifndef KA_MODEL_ANIMATION_H
#define KA_MODEL_ANIMATION_H

#include <cstdint>

#include "engine/containers/KaArray.h"
#include "engine/containers/KaIntrusivePtr.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaResource.h"
#include "engine/core/KaString.h"
#include "engine/maths/KaMatrix4x4.h"
#include "engine/maths/KaQuaternion.h"
#include "engine/maths/KaTRS.h"
#include "engine/maths/KaVector3f32.h"
#include "engine/scene/KaAnimation.h"

class KaModel;
class KaStream;

// A skeletal animation: per-bone tracks of translations and rotations, kept
// either as key lists (keyed form, interpolated between keys) or as a table
// with one transform per frame, played at the file's frame rate between two
// frame limits. Its update only turns the elapsed time into a current frame;
// the model asks it for each bone's transform at that frame.
//
// Loops are counted from the elapsed time (the elapsed frames divided by the
// length of the played range), so an update that comes after a long gap
// still sees every loop it missed. Each update that completes loops emits
// onFinished once; when the repeat count is reached the animation holds its
// end frame (the first one when reversed) and emits nothing more until it is
// reset or restarted from idle. "Reversed" plays the range backwards.
//
// Files: "KAAN" version 3, optionally inside the "KAZ0" wrapper; strings
// are padded to a multiple of 4 of the stream position. The reader refuses
// counts the stream cannot hold and key frames that are negative, not a
// number, more than twice the header's frame count (keyed form), or that
// would grow the frame table beyond one row per byte of the stream (table
// form).
//
// A counted resource (KaIntrusivePtr); owners release it with deleteLater.
// Main thread only.
class KaModelAnimation : public KaResource, public KaAnimation {
public:
    struct translationKey {
        float frame;
        KaVector3f32 translation;
    };
    struct rotationKey {
        float frame;
        KaQuaternion rotation;
    };
    struct scaleKey {
        float frame;
        KaVector3f32 scale;
    };

    static constexpr unsigned long mNoBone = 65535;
    static constexpr unsigned int mVersion = 3;

    KaModelAnimation();
    ~KaModelAnimation() override;

    // The file at that path, plain or wrapped in "KAZ0". False with a message
    // when it cannot be opened; false when the content is refused.
    bool load(const KaPath& path) override;
    bool load(KaStream& stream);
    // Version 3; a table animation is written as keys numbered 0, 1, 2...
    // one per row of each track, so it reads back as the same table.
    bool save(KaStream& stream) const;
    bool saveBone(KaStream& stream, unsigned int track) const;

    // So that an owner's counted pointer can take it as its deleter.
    void deleteLater() { KaObject::deleteLater(); }

    void bind(KaIntrusivePtr<KaModel> model);
    void unbind();
    const KaIntrusivePtr<KaModel>& model() const { return mModel; }

    // Loop count back to 0 when starting from idle, then the base's cont().
    void cont() override;
    // The base's reset(), then frame 0 and no frame limits.
    void reset() override;
    void update(double milliseconds) override;

    // First and last frame to play; a negative first means 0, a last past
    // the end (or negative) means the last frame.
    void setFrameLimits(int first, int last);
    // The first limit within [0, lastFrame()].
    unsigned int firstFrame() const;
    // min(last limit as unsigned, nbFrames - 1); 0 without frames.
    unsigned int lastFrame() const;
    // Keyed: the header's frame count; table: the first track's rows.
    unsigned int nbFrames() const;

    // The frame at that elapsed time (see the class note); computed once per
    // update: later calls in the same update answer the stored frame.
    unsigned int calcCurrentFrame(double milliseconds);
    unsigned int currentFrame() const { return mCurrentFrame; }
    int loopCount() const { return mLoopCount; }
    bool looped() const { return mLooped; }

    // Index of the first track of that name; mNoBone when none.
    unsigned long findBone(const KaString& name) const;
    unsigned long trackCount() const;
    // The transform of a track at a frame. Table form (or table = true): the
    // stored row, identity past the track's own rows or tracks. Keyed form:
    // interpolated translation and rotation, scale 1.
    KaTRS getTRS(unsigned long track, unsigned long frame, bool table) const;
    // By name; identity when absent.
    KaTRS getTRS(KaString& name, unsigned long frame, bool table) const;
    KaMatrix4x4 getMatrix(KaString& name, unsigned long frame, bool table) const;
    KaVector3f32 getNMOTranslation(unsigned long track, float frame) const;
    KaQuaternion getNMORotation(unsigned long track, float frame) const;
    KaVector3f32 getNMOScale(unsigned long track, float frame) const;

    // Building, as the reader does.
    void setBoneName(unsigned int track, const KaString& name);
    const KaString& boneName(unsigned int track) const;
    void setTranslation(unsigned long track, float frame, KaVector3f32& translation);
    void setRotation(unsigned long track, float frame, KaQuaternion& rotation);
    void setScale(unsigned long track, float frame, KaVector3f32& scale);
    void resizeNMOArrays(unsigned long count);
    void resizeFBXArrays(unsigned long count);

    void destroy();

    const KaString& name() const { return mName; }
    float frameRate() const { return mFrameRate; }
    void setFrameRate(float fps) { mFrameRate = fps; }
    bool keyed() const { return mKeyed == 1; }
    unsigned int keyedWord() const { return mKeyed; }
    void setKeyed(bool keyed) { mKeyed = keyed ? 1 : 0; }
    unsigned int frameCount() const { return mFrameCount; }
    void setFrameCount(unsigned int count) { mFrameCount = count; }
    const KaArray<KaArray<translationKey>>& translationKeys() const { return mTranslations; }
    const KaArray<KaArray<rotationKey>>& rotationKeys() const { return mRotations; }
    const KaArray<KaArray<KaTRS>>& frameTable() const { return mFrameTable; }

private:
    bool read(KaStream& stream);
    bool readBone(KaStream& stream, unsigned int track, unsigned long& rowBudget);
    // Whether a key's frame is one the reader takes.
    bool acceptableFrame(float frame, unsigned long track, unsigned long& rowBudget) const;
    KaArray<KaTRS>& tableRow(unsigned long track, float frame);

    bool mFrameComputed;
    KaIntrusivePtr<KaModel> mModel;
    KaString mName;
    unsigned int mCurrentFrame;
    int mLoopCount;
    float mFrameRate;
    KaArray<KaString> mBoneNames;
    KaArray<KaArray<translationKey>> mTranslations;
    KaArray<KaArray<rotationKey>> mRotations;
    KaArray<KaArray<scaleKey>> mScales;
    KaArray<KaArray<KaTRS>> mFrameTable;
    unsigned int mKeyed;
    unsigned int mFrameCount;
    unsigned int mPreviousFrame;
    bool mLooped;
    int mFirstFrameLimit;
    int mLastFrameLimit;
    // Loops seen since the start, whether they were reported or not.
    uint64_t mLoopsSeen;
};

#endif
