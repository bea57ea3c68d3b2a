#ifndef KA_MOVEMENT3_H
#define KA_MOVEMENT3_H

#include "engine/core/KaString.h"
#include "engine/scene/KaAnimation.h"
#include "engine/scene/KaInterpolation.h"
#include "engine/scene/KaMovement2.h"

class KaI3DObject;
class KaStream;
class TiXmlElement;

// The relative form of KaMovement2: along the same six channels, each
// update adds to the widget's property what the channel's curve grew by
// since the previous update, times the channel's end value. Over a whole
// play a channel moves its property by its end value times the curve's last
// sample, on top of whatever else changed the widget meanwhile; a new
// play(target) starts counting from nothing, so the widget goes on from
// where it is.
//
// The update that reaches the duration applies the last step; the next one
// stops the movement (onStop, then onFinished). The target is not owned and
// must outlive the running movement; without one, updates only keep the
// time. Main thread only.
class KaMovement3 : public KaAnimation {
public:
    typedef KaMovement2::Channel Channel;

    KaMovement3();
    ~KaMovement3() override;

    // As KaMovement2::load, without start values.
    bool load(TiXmlElement& element);

    // Plays again; what was applied so far stays counted.
    void play() override;
    // Plays on the target, counting from nothing.
    virtual void play(KaI3DObject& target);
    void update(double milliseconds) override;

    // As KaMovement2's; also forget what was applied.
    bool set(KaI3DObject& target, double duration, KaStream& stream);
    bool set(KaI3DObject& target, double duration, KaString positionX, KaString positionY, KaString positionZ,
        KaString rotationZ, KaString scaleXY, KaString opacity);
    bool set(KaI3DObject& target, double duration, KaStream& positionX, KaStream& positionY, KaStream& positionZ,
        KaStream& rotationZ, KaStream& scaleXY, KaStream& opacity);

    void setEndValue(Channel channel, float value) { mChannels[channel].end = value; }
    float endValue(Channel channel) const { return mChannels[channel].end; }
    float appliedAmount(Channel channel) const { return mChannels[channel].applied; }
    KaInterpolation& curve(Channel channel) { return mChannels[channel].curve; }
    void setDuration(double milliseconds) { mDuration = milliseconds; }
    double duration() const { return mDuration; }
    double currentTime() const { return mCurrentTime; }
    KaI3DObject* target() const { return mTarget; }
    bool finished() const { return mFinished; }

private:
    struct ChannelData {
        float applied;
        float end;
        KaInterpolation curve;
    };

    void rewind(KaI3DObject& target, double duration);
    void curves(KaInterpolation* out[]);

    ChannelData mChannels[KaMovement2::ChannelCount];
    double mDuration;
    double mCurrentTime;
    KaI3DObject* mTarget;
    bool mFinished;
};

#endif
