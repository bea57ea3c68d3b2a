#include "engine/scene/KaMovement2.h"

#include <tinyxml.h>

#include <cstdlib>

#include "engine/core/KaStream.h"
#include "engine/world/KaI3DObject.h"

const KaMovement2::Channel KaMovement2::mLoadOrder[ChannelCount]
    = { PositionX, PositionY, PositionZ, RotationZ, Opacity, ScaleXY };

namespace {

// atof of the element's text; an element without text reads 0.
double numberOf(const TiXmlElement& element)
{
    const char* text = element.GetText();
    return text ? std::atof(text) : 0.0;
}

} // namespace

KaMovement2::KaMovement2()
    : mDuration(0.0)
    , mCurrentTime(0.0)
    , mTarget(nullptr)
    , mFinished(false)
{
    for (ChannelData& channel : mChannels) {
        channel.start = 0.0;
        channel.end = 1.0;
    }
}

KaMovement2::~KaMovement2() = default;

const char* KaMovement2::channelName(Channel channel)
{
    static const char* const names[ChannelCount]
        = { "PositionX", "PositionY", "PositionZ", "RotationZ", "ScaleXY", "Opacity" };
    return channel >= 0 && channel < ChannelCount ? names[channel] : "";
}

double KaMovement2::loadDuration(const TiXmlElement& parent, double duration)
{
    if (const TiXmlElement* element = parent.FirstChildElement("Duration"))
        return numberOf(*element);
    return duration;
}

void KaMovement2::loadChannel(
    const TiXmlElement& parent, const char* name, double* start, double& end, KaInterpolation& curve)
{
    const TiXmlElement* element = parent.FirstChildElement(name);
    if (!element)
        return;
    if (start) {
        if (const TiXmlElement* value = element->FirstChildElement("StartValue"))
            *start = numberOf(*value);
    }
    if (const TiXmlElement* value = element->FirstChildElement("EndValue"))
        end = numberOf(*value);
    if (const TiXmlElement* samples = element->FirstChildElement("Interpolation"))
        curve.load(*samples);
}

bool KaMovement2::advanceTime(double milliseconds, double duration, double& current)
{
    current = milliseconds > 0.0 ? milliseconds : 0.0;
    if (current >= duration) {
        current = duration;
        return true;
    }
    return false;
}

bool KaMovement2::load(TiXmlElement& element)
{
    mDuration = loadDuration(element, mDuration);
    for (Channel channel : mLoadOrder) {
        ChannelData& data = mChannels[channel];
        loadChannel(element, channelName(channel), &data.start, data.end, data.curve);
    }
    return true;
}

// A finished movement starts again: the flag would otherwise stop it in its
// first update.
void KaMovement2::play()
{
    mFinished = false;
    KaAnimation::play();
}

void KaMovement2::play(KaI3DObject& target)
{
    mTarget = &target;
    mFinished = false;
    KaAnimation::play();
}

void KaMovement2::update(double milliseconds)
{
    if (mFinished) {
        stop();
        onFinished.call();
        return;
    }
    mFinished = advanceTime(milliseconds, mDuration, mCurrentTime);
    if (!mTarget)
        return;

    double f[ChannelCount];
    bool active[ChannelCount];
    for (int c = 0; c < ChannelCount; ++c) {
        active[c] = mChannels[c].curve.samples().size() != 0;
        f[c] = mChannels[c].curve.interpole(mCurrentTime, mDuration);
    }
    auto value = [&](int c) { return (mChannels[c].end - mChannels[c].start) * f[c] + mChannels[c].start; };

    KaVector3f32 position = mTarget->getPosition();
    float* components[3] = { &position.x, &position.y, &position.z };
    for (int c = PositionX; c <= PositionZ; ++c) {
        if (active[c]) {
            const double factor = static_cast<float>(f[c]);
            *components[c] = static_cast<float>((mChannels[c].end - mChannels[c].start) * factor + mChannels[c].start);
        }
    }
    mTarget->setPosition(position);
    if (active[RotationZ])
        mTarget->setRotateAngle(static_cast<float>(value(RotationZ)));
    if (active[ScaleXY]) {
        const float s = static_cast<float>(value(ScaleXY));
        mTarget->setScale(KaVector3f32(s, s, mTarget->getScale().z));
    }
    if (active[Opacity])
        mTarget->setOpacity(static_cast<float>(value(Opacity)));
}

void KaMovement2::rewind(KaI3DObject& target, double duration)
{
    mDuration = duration;
    mCurrentTime = 0.0;
    mTarget = &target;
    mFinished = false;
}

bool KaMovement2::loadCurves(KaInterpolation* const curves[], KaStream& stream)
{
    bool ok = true;
    for (int c = 0; c < ChannelCount; ++c)
        ok = curves[c]->load(stream) && ok;
    return ok;
}

bool KaMovement2::loadCurves(KaInterpolation* const curves[], const KaString* const paths[])
{
    bool ok = true;
    for (int c = 0; c < ChannelCount; ++c)
        ok = curves[c]->load(*paths[c]) && ok;
    return ok;
}

bool KaMovement2::loadCurves(KaInterpolation* const curves[], KaStream* const streams[])
{
    bool ok = true;
    for (int c = 0; c < ChannelCount; ++c)
        ok = curves[c]->load(*streams[c]) && ok;
    return ok;
}

void KaMovement2::curves(KaInterpolation* out[])
{
    for (int c = 0; c < ChannelCount; ++c)
        out[c] = &mChannels[c].curve;
}

bool KaMovement2::set(KaI3DObject& target, double duration, KaStream& stream)
{
    KaInterpolation* all[ChannelCount];
    curves(all);
    const bool ok = loadCurves(all, stream);
    rewind(target, duration);
    return ok;
}

bool KaMovement2::set(KaI3DObject& target, double duration, KaString positionX, KaString positionY,
    KaString positionZ, KaString rotationZ, KaString scaleXY, KaString opacity)
{
    const KaString* const paths[ChannelCount] = { &positionX, &positionY, &positionZ, &rotationZ, &scaleXY, &opacity };
    KaInterpolation* all[ChannelCount];
    curves(all);
    const bool ok = loadCurves(all, paths);
    rewind(target, duration);
    return ok;
}

bool KaMovement2::set(KaI3DObject& target, double duration, KaStream& positionX, KaStream& positionY,
    KaStream& positionZ, KaStream& rotationZ, KaStream& scaleXY, KaStream& opacity)
{
    KaStream* const streams[ChannelCount] = { &positionX, &positionY, &positionZ, &rotationZ, &scaleXY, &opacity };
    KaInterpolation* all[ChannelCount];
    curves(all);
    const bool ok = loadCurves(all, streams);
    rewind(target, duration);
    return ok;
}
