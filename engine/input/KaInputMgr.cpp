#include "engine/input/KaInputMgr.h"

#include "engine/core/KaCore.h"
#include "engine/maths/KaMatrix4x4.h"
#include "engine/maths/KaQuaternion.h"
#include "engine/input/KaScreen.h"

KaSingleton<KaInputMgr> inputMgr;

namespace {

// A frame later than this after the previous one counts as a freeze.
const double kFreezeThresholdMicroseconds = 200000.0;

// Truncation toward zero. Converting a float outside the int range is
// undefined in C++, so such values (and NaN) are pinned explicitly: a wild
// transform must not turn a mouse move into undefined behaviour.
int32_t truncateToInt(float value)
{
    if (value != value)
        return 0;
    if (value >= 2147483648.0f)
        return INT32_MAX;
    if (value <= -2147483648.0f)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

short lowShort(int32_t value) { return static_cast<short>(static_cast<uint16_t>(static_cast<uint32_t>(value))); }

short truncateToShort(float value)
{
    if (value != value)
        return 0;
    if (value >= 32767.0f)
        return 32767;
    if (value <= -32768.0f)
        return -32768;
    return static_cast<short>(value);
}

} // namespace

KaInputMgr::KaInputMgr()
    : mBlocked(false)
    , mKeys()
    , mTilt()
    , mTiltIndex(0)
    , mRotation(0.0f)
    , mTranslation(0, 0)
    , mScale(1.0f, 1.0f, 1.0f)
    , mButtonsAccepted(true)
    , mSpeedRing()
    , mSpeedIndex(0)
{
    initialize();
}

KaInputMgr::~KaInputMgr() = default;

void KaInputMgr::initialize()
{
    core.get();

    mBlocked = false;
    mPointers.resize(1);
    for (unsigned long i = 0; i < mPointers.size(); ++i)
        mPointers[i] = MouseData();

    mRotation = 0.0f;
    mTranslation = KaVector2s32(0, 0);
    mScale = KaVector3f32(1.0f, 1.0f, 1.0f);
    for (unsigned int i = 0; i < mTiltRingSize; ++i)
        mTilt[i][0] = mTilt[i][1] = mTilt[i][2] = 0;
    mTiltIndex = 0;

    // Restarted rather than merely started, so that a second initialize()
    // also counts from now.
    mFreezeTimer.stop();
    mFreezeTimer.start();
    for (unsigned int i = 0; i < mSpeedRingSize; ++i)
        mSpeedRing[i] = SpeedEntry { 0.0f, KaVector2s32(0, 0) };
    mSpeedIndex = 0;
    mSampleTimer.stop();
    mSampleTimer.start();

    mButtonsAccepted = true;
    for (bool& key : mKeys)
        key = false;
}

void KaInputMgr::update()
{
    if (mFreezeTimer.timeElapsed() > kFreezeThresholdMicroseconds) {
        mFreezeTimer.stop();
        mFreezeTimer.start();
    }
}

bool KaInputMgr::getKey(KaKey key) const
{
    if (key < 0 || key >= KaKeyCount)
        return false;
    return mKeys[key];
}

bool KaInputMgr::getMouseLeft(unsigned int id) const { return mPointers[id].pressed; }

void KaInputMgr::forceMouseLeft(bool down, unsigned int id)
{
    if (mBlocked || !mButtonsAccepted)
        return;
    setMouseLeft(down, id);
    mPointers[id].forced = true;
}

KaSignal0Param& KaInputMgr::onDefaultMouseLeftUp() { return mOnDefaultMouseLeftUp; }
KaSignal0Param& KaInputMgr::onDefaultMouseLeftDown() { return mOnDefaultMouseLeftDown; }
KaSignal0Param& KaInputMgr::onDeviceTilt() { return mOnDeviceTilt; }
KaSignal1Param<unsigned int>& KaInputMgr::onAnyMouseLeftUp() { return mOnAnyMouseLeftUp; }
KaSignal1Param<unsigned int>& KaInputMgr::onAnyMouseLeftDown() { return mOnAnyMouseLeftDown; }

KaVector2s32 KaInputMgr::mousePosition(unsigned int id) const { return mPointers[id].position; }

KaVector2s32 KaInputMgr::mouseSmoothPosition(unsigned int id, float window)
{
    float t = static_cast<float>(mSampleTimer.timeFromLastTimeElapsed() / 1000000.0);
    if (id != 0 || !(window > t))
        return mousePosition(0);

    int32_t sumX = 0;
    int32_t sumY = 0;
    int32_t count = 0;
    unsigned long index = previousSpeedIndex(mSpeedIndex);
    for (unsigned int walked = 0; walked < mSpeedRingSize; ++walked) {
        t += mSpeedRing[index].seconds;
        sumX = KaVector2s32::wrapAdd(sumX, mSpeedRing[index].position.x);
        sumY = KaVector2s32::wrapAdd(sumY, mSpeedRing[index].position.y);
        ++count;
        if (!(t < window))
            break;
        index = previousSpeedIndex(index);
    }
    return KaVector2s32(KaVector2s32::wrapDiv(sumX, count), KaVector2s32::wrapDiv(sumY, count));
}

KaVector2s32 KaInputMgr::mouseRawPosition(unsigned int id) const { return mPointers[id].rawPosition; }

KaVector2s32 KaInputMgr::mouseOldPosition(unsigned int id) const { return mPointers[id].oldPosition; }

void KaInputMgr::getMousePosition(short& x, short& y, unsigned int id)
{
    const KaVector2s32 position = mousePosition(id);
    x = lowShort(position.x);
    y = lowShort(position.y);
}

void KaInputMgr::getMousePosition(short* x, short* y, unsigned int id) { getMousePosition(*x, *y, id); }

void KaInputMgr::getTiltValues(short* x, short* y, short* z)
{
    const KaVector3f32 tilt = smoothedTilt(1);
    *x = truncateToShort(tilt.x);
    *y = truncateToShort(tilt.y);
    *z = truncateToShort(tilt.z);
}

KaVector3f32 KaInputMgr::smoothedTilt(unsigned long count)
{
    const unsigned long samples = count < mTiltRingSize ? count : mTiltRingSize;
    // No samples asked for: no mean to take, rather than 0 / 0.
    if (samples == 0)
        return KaVector3f32(0.0f, 0.0f, 0.0f);
    KaVector3f32 sum(0.0f, 0.0f, 0.0f);
    unsigned long index = mTiltIndex;
    for (unsigned long i = 0; i < samples; ++i) {
        sum += KaVector3f32(mTilt[index][0], mTilt[index][1], mTilt[index][2]);
        index = index == 0 ? mTiltRingSize - 1 : index - 1;
    }
    return sum / static_cast<float>(samples);
}

KaSignal0Param& KaInputMgr::onDefaultMousePositionChanged() { return mOnDefaultMousePositionChanged; }
KaSignal1Param<unsigned int>& KaInputMgr::onAnyMousePositionChanged() { return mOnAnyMousePositionChanged; }

void KaInputMgr::setBlocked(bool blocked) { mBlocked = blocked; }

void KaInputMgr::setMouseLeft(bool down, unsigned int id)
{
    if (mBlocked || !mButtonsAccepted)
        return;
    MouseData& slot = mPointers[id];
    if (down == slot.pressed) {
        slot.forced = false;
        return;
    }
    if (!down)
        slot.released = true;
    if (slot.forced)
        return;
    slot.pressed = down;

    // Handlers may call back into the manager: no reference into the slots
    // is kept across an emission.
    const bool handled = down ? mOnAnyMouseLeftDown.call(id) : mOnAnyMouseLeftUp.call(id);
    if (id != 0 || handled)
        return;
    if (down)
        mOnDefaultMouseLeftDown.call();
    else
        mOnDefaultMouseLeftUp.call();
}

void KaInputMgr::setKey(KaKey key, bool down)
{
    if (mBlocked || key < 0 || key >= KaKeyCount)
        return;
    if (mKeys[key] == down)
        return;
    mKeys[key] = down;
    if (!down) {
        KaKey code = key;
        mKeySignal.call(code);
    }
}

void KaInputMgr::setMouseRawPosition(const KaVector2s32& raw, unsigned int id)
{
    KaMatrix4x4 transform;
    transform.translate(KaVector3f32(static_cast<float>(mTranslation.x), static_cast<float>(mTranslation.y), 0.0f));
    transform.rotate(KaQuaternion::fromAxisAndAngle(KaVector3f32(0.0f, 0.0f, 1.0f), mRotation * 3.1415927f / 180.0f));
    transform.scale(mScale);

    const int32_t height = truncateToInt(defaultScreen.get()->getSize().y);
    const KaVector3f32 point(static_cast<float>(raw.x), static_cast<float>(KaVector2s32::wrapSub(height, raw.y)), 0.0f);
    const KaVector3f32 transformed = transform * point;

    mPointers[id].rawPosition = raw;
    setMousePosition(KaVector2s32(truncateToInt(transformed.x), truncateToInt(transformed.y)), id);
}

void KaInputMgr::setMousePosition(const KaVector2s32& position, unsigned int id)
{
    if (mBlocked || position == mPointers[id].position)
        return;

    if (id == 0) {
        SpeedEntry& entry = mSpeedRing[mSpeedIndex];
        entry.seconds = static_cast<float>(mSampleTimer.timeElapsed() / 1000000.0);
        entry.position = position;
        mSpeedIndex = mSpeedIndex + 1 == mSpeedRingSize ? 0 : mSpeedIndex + 1;
    }

    MouseData& slot = mPointers[id];
    slot.oldPosition = slot.released ? position : slot.position;
    slot.position = position;

    mOnAnyMousePositionChanged.call(id);
    if (id == 0)
        mOnDefaultMousePositionChanged.call();
    mPointers[id].released = false;
}

void KaInputMgr::setMousePosition(unsigned short x, unsigned short y, unsigned int id)
{
    setMousePosition(KaVector2s32(x, y), id);
}

void KaInputMgr::setRotation(float degrees) { mRotation = degrees; }
void KaInputMgr::setTranslation(const KaVector2s32& translation) { mTranslation = translation; }
void KaInputMgr::setScale(const KaVector3f32& scale) { mScale = scale; }
KaVector3f32 KaInputMgr::getScale() { return mScale; }

KaSignal1Param<unsigned int>& KaInputMgr::onCharacter() { return mOnCharacter; }

KaVector2s32 KaInputMgr::mouseSpeed(float window)
{
    int32_t moveX = 0;
    int32_t moveY = 0;
    float t = static_cast<float>(mSampleTimer.timeFromLastTimeElapsed() / 1000000.0);
    if (window > t) {
        unsigned long index = previousSpeedIndex(mSpeedIndex);
        for (unsigned int walked = 0; walked < mSpeedRingSize - 1; ++walked) {
            const unsigned long before = previousSpeedIndex(index);
            t += mSpeedRing[index].seconds;
            moveX = KaVector2s32::wrapAdd(
                moveX, KaVector2s32::wrapSub(mSpeedRing[index].position.x, mSpeedRing[before].position.x));
            moveY = KaVector2s32::wrapAdd(
                moveY, KaVector2s32::wrapSub(mSpeedRing[index].position.y, mSpeedRing[before].position.y));
            if (!(t < window))
                break;
            index = before;
        }
    }
    if (!(t > 0.0f))
        return KaVector2s32(0, 0);
    return KaVector2s32(truncateToInt(static_cast<float>(moveX) / t), truncateToInt(static_cast<float>(moveY) / t));
}

long long KaInputMgr::timeFromLastFreez() { return static_cast<long long>(mFreezeTimer.getTimeFromStart() / 1000.0); }

void KaInputMgr::setClock(KaIClock* clock)
{
    mFreezeTimer.setClock(clock);
    mSampleTimer.setClock(clock);
}
