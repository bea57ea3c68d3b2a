#include "engine/scene/KaAnimation.h"

#include <cfloat>

unsigned int KaAnimation::mWalkDepth = 0;
bool KaAnimation::mHoles = false;

KaArray<KaAnimation*>& KaAnimation::animations()
{
    // Never destroyed: animations that are statics may leave it after the
    // exit handlers ran.
    static KaArray<KaAnimation*>* list = new KaArray<KaAnimation*>();
    return *list;
}

KaAnimation::KaAnimation()
    : mStartTime(0.0)
    , mEndTime(DBL_MAX)
    , mRepeatCount(1)
    , mReversed(false)
    , mListed(false)
{
}

KaAnimation::~KaAnimation()
{
    unlist();
    mTimer.stop();
}

void KaAnimation::play() { cont(); }

bool KaAnimation::active() const
{
    // Listed with its timer held by a global timer pause counts as running:
    // stopping it then must not let the timers' resume bring it back.
    return mTimer.isRunning() || mListed;
}

void KaAnimation::stop()
{
    if (!active())
        return;
    unlist();
    mTimer.stop();
    onStop.call();
}

void KaAnimation::pause()
{
    if (!active())
        return;
    unlist();
    mTimer.pause();
}

void KaAnimation::cont()
{
    // A timer the timers' global resume restarted behind the animation's
    // back runs unlisted: listing it again is all it needs.
    if (mTimer.isRunning() && mListed)
        return;
    mTimer.start();
    // While every timer is paused the start only takes effect at resumeAll:
    // the animation is listed once all the same, and a second cont() does
    // not list it twice.
    list();
    update(mTimer.getTimeFromStart() / 1000.0);
}

void KaAnimation::reset()
{
    if (!active())
        return;
    unlist();
    mTimer.stop();
}

void KaAnimation::seekToStart()
{
    mTimer.stop();
    mTimer.start();
    update(mTimer.getTimeFromStart() / 1000.0);
}

void KaAnimation::list()
{
    if (mListed)
        return;
    animations().pushBack(this);
    mListed = true;
}

void KaAnimation::unlist()
{
    if (!mListed)
        return;
    mListed = false;
    KaArray<KaAnimation*>& list = animations();
    const long index = list.indexOf(this);
    if (index < 0)
        return;
    if (mWalkDepth > 0) {
        // A walk is under way: keep every other entry in its place.
        list[static_cast<unsigned long>(index)] = nullptr;
        mHoles = true;
    } else {
        list.removeAt(static_cast<unsigned long>(index));
    }
}

void KaAnimation::sweep()
{
    if (mWalkDepth > 0 || !mHoles)
        return;
    mHoles = false;
    KaArray<KaAnimation*>& list = animations();
    const unsigned long count = list.size();
    unsigned long kept = 0;
    for (unsigned long i = 0; i < count; ++i) {
        KaAnimation* animation = list[i];
        if (animation)
            list[kept++] = animation;
    }
    list.resize(kept);
}

void KaAnimation::walk(void (*visit)(KaAnimation& animation))
{
    const KaArray<KaAnimation*>& list = animations();
    const unsigned long count = list.size();
    ++mWalkDepth;
    for (unsigned long i = 0; i < count; ++i) {
        if (KaAnimation* animation = list[i])
            visit(*animation);
    }
    --mWalkDepth;
    sweep();
}

void KaAnimation::updateAll()
{
    walk([](KaAnimation& animation) {
        if (animation.mTimer.isRunning())
            animation.update(animation.mTimer.getTimeFromStart() / 1000.0);
    });
}

void KaAnimation::pauseAll()
{
    walk([](KaAnimation& animation) {
        if (animation.mTimer.isRunning())
            animation.pause();
    });
}

void KaAnimation::resumeAll()
{
    walk([](KaAnimation& animation) { animation.cont(); });
}

void KaAnimation::staticDestroy() { }

unsigned long KaAnimation::runningCount()
{
    const KaArray<KaAnimation*>& list = animations();
    unsigned long count = 0;
    for (unsigned long i = 0; i < list.size(); ++i) {
        if (list[i])
            ++count;
    }
    return count;
}

KaAnimation* KaAnimation::running(unsigned long index)
{
    const KaArray<KaAnimation*>& list = animations();
    for (unsigned long i = 0; i < list.size(); ++i) {
        if (list[i] && index-- == 0)
            return list[i];
    }
    return nullptr;
}
