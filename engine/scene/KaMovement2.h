#ifndef KA_MOVEMENT2_H
#define KA_MOVEMENT2_H

#include "engine/core/KaString.h"
#include "engine/scene/KaAnimation.h"
#include "engine/scene/KaInterpolation.h"

class KaI3DObject;
class KaStream;
class TiXmlElement;

// Moves an older widget between absolute values along six channels at once
// (position x, y and z, rotation about z, uniform x-y scale, opacity), each
// eased by its own curve over one common duration in milliseconds. A
// channel whose curve has no sample leaves its property alone; the position
// is still written back every update.
//
// The update that reaches the duration applies the end values; the next one
// stops the movement (onStop, then onFinished). play() after that plays the
// movement again from its start values.
//
// The target is not owned and must outlive the running movement; without
// one, updates only keep the time. Main thread only.
class KaMovement2 : public KaAnimation {
public:
    enum Channel { PositionX = 0, PositionY, PositionZ, RotationZ, ScaleXY, Opacity, ChannelCount };

    KaMovement2();
    ~KaMovement2() override;

    // Reads the children "Duration" and the channel elements "PositionX",
    // "PositionY", "PositionZ", "RotationZ", "Opacity", "ScaleXY", each with
    // "StartValue", "EndValue" and "Interpolation" (whose samples are added
    // to the channel's curve). Missing elements leave their values as they
    // are. Numbers are read as atof does (text that is no number reads 0).
    bool load(TiXmlElement& element);

    void play() override;
    virtual void play(KaI3DObject& target);
    void update(double milliseconds) override;

    // The six curves in channel order, in the stream form of
    // KaInterpolation, from one stream, from six files or from six streams.
    // Each sets the target and the duration and rewinds the movement.
    bool set(KaI3DObject& target, double duration, KaStream& stream);
    bool set(KaI3DObject& target, double duration, KaString positionX, KaString positionY, KaString positionZ,
        KaString rotationZ, KaString scaleXY, KaString opacity);
    bool set(KaI3DObject& target, double duration, KaStream& positionX, KaStream& positionY, KaStream& positionZ,
        KaStream& rotationZ, KaStream& scaleXY, KaStream& opacity);

    void setStartValue(Channel channel, double value) { mChannels[channel].start = value; }
    void setEndValue(Channel channel, double value) { mChannels[channel].end = value; }
    double startValue(Channel channel) const { return mChannels[channel].start; }
    double endValue(Channel channel) const { return mChannels[channel].end; }
    KaInterpolation& curve(Channel channel) { return mChannels[channel].curve; }
    void setDuration(double milliseconds) { mDuration = milliseconds; }
    double duration() const { return mDuration; }
    double currentTime() const { return mCurrentTime; }
    KaI3DObject* target() const { return mTarget; }
    bool finished() const { return mFinished; }

    // What both movements share: the element of one channel ("StartValue"
    // read only when start is given), and the time rule (the time clamped
    // to 0..duration; true once it reached the duration).
    static void loadChannel(
        const TiXmlElement& parent, const char* name, double* start, double& end, KaInterpolation& curve);
    static double loadDuration(const TiXmlElement& parent, double duration);
    static bool advanceTime(double milliseconds, double duration, double& current);
    // Fills the six curves (in channel order) from one stream, six files or
    // six streams; false when any of them fails.
    static bool loadCurves(KaInterpolation* const curves[], KaStream& stream);
    static bool loadCurves(KaInterpolation* const curves[], const KaString* const paths[]);
    static bool loadCurves(KaInterpolation* const curves[], KaStream* const streams[]);
    // The element names of the channels, in channel order, and the order in
    // which load() reads them.
    static const char* channelName(Channel channel);
    static const Channel mLoadOrder[ChannelCount];

private:
    struct ChannelData {
        double start;
        double end;
        KaInterpolation curve;
    };

    void rewind(KaI3DObject& target, double duration);
    void curves(KaInterpolation* out[]);

    ChannelData mChannels[ChannelCount];
    double mDuration;
    double mCurrentTime;
    KaI3DObject* mTarget;
    bool mFinished;
};

#endif
