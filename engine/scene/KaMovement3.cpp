#include "engine/scene/KaMovement3.h"

#include <tinyxml.h>

#include "engine/core/KaStream.h"
#include "engine/world/KaI3DObject.h"

KaMovement3::KaMovement3()
    : mDuration(0.0)
    , mCurrentTime(0.0)
    , mTarget(nullptr)
    , mFinished(false)
{
    for (ChannelData& channel : mChannels) {
        channel.applied = 0.0f;
        channel.end = 1.0f;
    }
}

KaMovement3::~KaMovement3() = default;

bool KaMovement3::load(TiXmlElement& element)
{
    mDuration = KaMovement2::loadDuration(element, mDuration);
    for (Channel channel : KaMovement2::mLoadOrder) {
        ChannelData& data = mChannels[channel];
        double end = data.end;
        KaMovement2::loadChannel(element, KaMovement2::channelName(channel), nullptr, end, data.curve);
        data.end = static_cast<float>(end);
    }
    return true;
}

void KaMovement3::play()
{
    mFinished = false;
    KaAnimation::play();
}

void KaMovement3::play(KaI3DObject& target)
{
    mTarget = &target;
    for (ChannelData& channel : mChannels)
        channel.applied = 0.0f;
    mFinished = false;
    KaAnimation::play();
}

void KaMovement3::update(double milliseconds)
{
    if (mFinished) {
        stop();
        onFinished.call();
        return;
    }
    mFinished = KaMovement2::advanceTime(milliseconds, mDuration, mCurrentTime);
    if (!mTarget)
        return;

    float delta[KaMovement2::ChannelCount];
    bool active[KaMovement2::ChannelCount];
    for (int c = 0; c < KaMovement2::ChannelCount; ++c) {
        ChannelData& channel = mChannels[c];
        active[c] = channel.curve.samples().size() != 0;
        delta[c] = 0.0f;
        if (!active[c])
            continue;
        const float v = static_cast<float>(channel.curve.interpole(mCurrentTime, mDuration)) * channel.end;
        delta[c] = v - channel.applied;
        channel.applied = v;
    }

    KaVector3f32 position = mTarget->getPosition();
    position.x += delta[KaMovement2::PositionX];
    position.y += delta[KaMovement2::PositionY];
    position.z += delta[KaMovement2::PositionZ];
    mTarget->setPosition(position);
    if (active[KaMovement2::RotationZ])
        mTarget->setRotateAngle(mTarget->getRotateAngle() + delta[KaMovement2::RotationZ]);
    if (active[KaMovement2::ScaleXY]) {
        const KaVector3f32 scale = mTarget->getScale();
        const float d = delta[KaMovement2::ScaleXY];
        mTarget->setScale(KaVector3f32(scale.x + d, scale.y + d, scale.z));
    }
    if (active[KaMovement2::Opacity])
        mTarget->setOpacity(mTarget->getOpacity() + delta[KaMovement2::Opacity]);
}

void KaMovement3::rewind(KaI3DObject& target, double duration)
{
    mDuration = duration;
    mCurrentTime = 0.0;
    mTarget = &target;
    mFinished = false;
    for (ChannelData& channel : mChannels)
        channel.applied = 0.0f;
}

void KaMovement3::curves(KaInterpolation* out[])
{
    for (int c = 0; c < KaMovement2::ChannelCount; ++c)
        out[c] = &mChannels[c].curve;
}

bool KaMovement3::set(KaI3DObject& target, double duration, KaStream& stream)
{
    KaInterpolation* all[KaMovement2::ChannelCount];
    curves(all);
    const bool ok = KaMovement2::loadCurves(all, stream);
    rewind(target, duration);
    return ok;
}

bool KaMovement3::set(KaI3DObject& target, double duration, KaString positionX, KaString positionY,
    KaString positionZ, KaString rotationZ, KaString scaleXY, KaString opacity)
{
    const KaString* const paths[KaMovement2::ChannelCount]
        = { &positionX, &positionY, &positionZ, &rotationZ, &scaleXY, &opacity };
    KaInterpolation* all[KaMovement2::ChannelCount];
    curves(all);
    const bool ok = KaMovement2::loadCurves(all, paths);
    rewind(target, duration);
    return ok;
}

bool KaMovement3::set(KaI3DObject& target, double duration, KaStream& positionX, KaStream& positionY,
    KaStream& positionZ, KaStream& rotationZ, KaStream& scaleXY, KaStream& opacity)
{
    KaStream* const streams[KaMovement2::ChannelCount]
        = { &positionX, &positionY, &positionZ, &rotationZ, &scaleXY, &opacity };
    KaInterpolation* all[KaMovement2::ChannelCount];
    curves(all);
    const bool ok = KaMovement2::loadCurves(all, streams);
    rewind(target, duration);
    return ok;
}
