#include "engine/scene/KaFrameAnim.h"

#include <algorithm>
#include <cmath>

namespace {

// Frames elapsed, truncated; a negative, NaN or huge product counts as
// frame 0 or the largest count rather than an undefined conversion.
uint64_t elapsedFrames(float fps, double milliseconds)
{
    const float frames = fps * static_cast<float>(milliseconds / 1000.0);
    if (!(frames > 0.0f))
        return 0;
    if (frames >= 18446744073709551616.0f)
        return ~static_cast<uint64_t>(0);
    return static_cast<uint64_t>(frames);
}

} // namespace

KaFrameAnim::KaFrameAnim()
    : mFrameCount(0)
    , mFrameRate(25.0f)
    , mFirstFrame(0)
    , mRangeLength(mAllFrames)
    , mCurrentFrame(mAllFrames)
{
}

KaFrameAnim::~KaFrameAnim() { }

void KaFrameAnim::update(double milliseconds)
{
    const uint64_t first = std::min(mFirstFrame, mFrameCount);
    const uint64_t end = std::min(first + mRangeLength, mFrameCount);
    const uint64_t f = elapsedFrames(mFrameRate, milliseconds);
    uint64_t frame = 0;
    int32_t loops = -1;
    if (end != first) {
        // An unsigned wrap of first + length leaves end below first: the range
        // then plays from first to the end of the sequence.
        const uint64_t length = end > first ? end - first : mFrameCount - first;
        const uint64_t last = first + length;
        const uint64_t loopCount = f / length;
        loops = loopCount > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int32_t>(loopCount);
        frame = reversed() ? last - 1 - f % length : first + f % length;
    }
    if (repeatCount() != mEndless && loops >= static_cast<int32_t>(repeatCount())) {
        stop();
        onFinished.call();
        return;
    }
    if (frame != mCurrentFrame) {
        mCurrentFrame = frame;
        onFrameChanged.call();
    }
}
