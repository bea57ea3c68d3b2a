#ifndef KA_FRAME_ANIM_H
#define KA_FRAME_ANIM_H

#include <cstdint>

#include "engine/scene/KaAnimation.h"

// Counts the frames of a sequence at a frame rate, within a range of frames;
// the tiled surface steps through a video with it and listens to
// onFrameChanged. When the repeat count is reached it stops (onStop, then
// onFinished) without announcing the frame it computed.
class KaFrameAnim : public KaAnimation {
public:
    static constexpr uint64_t mAllFrames = ~static_cast<uint64_t>(0);

    KaFrameAnim();
    ~KaFrameAnim() override;

    void update(double milliseconds) override;

    uint64_t frameCount() const { return mFrameCount; }
    void setFrameCount(uint64_t count) { mFrameCount = count; }
    float frameRate() const { return mFrameRate; }
    void setFrameRate(float fps) { mFrameRate = fps; }
    uint64_t firstFrame() const { return mFirstFrame; }
    void setFirstFrame(uint64_t frame) { mFirstFrame = frame; }
    // Frames played from the first one; mAllFrames plays to the end.
    uint64_t rangeLength() const { return mRangeLength; }
    void setRangeLength(uint64_t length) { mRangeLength = length; }
    // The last frame announced; mAllFrames before the first.
    uint64_t currentFrame() const { return mCurrentFrame; }
    void setCurrentFrame(uint64_t frame) { mCurrentFrame = frame; }

    KaSignal0Param onFrameChanged;

private:
    uint64_t mFrameCount;
    float mFrameRate;
    uint64_t mFirstFrame;
    uint64_t mRangeLength;
    uint64_t mCurrentFrame;
};

#endif
