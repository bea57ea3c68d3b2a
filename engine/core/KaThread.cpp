#include "engine/core/KaThread.h"

#include <cerrno>
#include <climits>
#include <sched.h>

#include "engine/base/KaStd.h"

KaThread::KaThread()
    : mThread()
    , mAttached(false)
    , mRunning(false)
    , mStopRequested(false)
{
}

KaThread::~KaThread()
{
    // No join here: by now the derived part, whose entry() the worker runs,
    // is already gone. The owner joins first (see the header).
    stop();
}

void KaThread::start()
{
    stop();
    waitForTerminate();

    mMutex.lock();
    mRunning = true;
    mStopRequested = false;
    mMutex.unlock();

    int result = pthread_create(&mThread, nullptr, &KaThread::staticEntry, this);
    if (result != 0) {
        KaPrintf("ERROR; return code from pthread_create() is %d\n", result);
        mAttached = false;
        mMutex.lock();
        mRunning = false;
        mStopRequested = true;
        mMutex.unlock();
        return;
    }
    mAttached = true;
}

void KaThread::stop()
{
    mMutex.lock();
    mStopRequested = true;
    mMutex.unlock();
}

void KaThread::waitForTerminate()
{
    if (!mAttached)
        return;
    int result = pthread_join(mThread, nullptr);
    mAttached = false;
    if (result == 0)
        return;
    switch (result) {
    case ESRCH:
        KaPrintf("KaThread::WaitForTerminate: pthread_join error %d: No thread could be found corresponding to that "
                 "specified by the given thread ID, thread.\n",
            result);
        break;
    case EDEADLK:
        KaPrintf("KaThread::WaitForTerminate: pthread_join error %d: A deadlock was detected or the value of thread "
                 "specifies the calling thread.\n",
            result);
        break;
    case EINVAL:
        KaPrintf("KaThread::WaitForTerminate: pthread_join error %d: The implementation has detected that the value "
                 "specified by thread does not refer to a joinable thread.\n",
            result);
        break;
    default:
        KaPrintf("KaThread::WaitForTerminate: pthread_join error %d: unknown error\n", result);
        break;
    }
}

bool KaThread::isStopRequested() const
{
    mMutex.lock();
    bool requested = mStopRequested;
    mMutex.unlock();
    return requested;
}

bool KaThread::isRunning() const
{
    mMutex.lock();
    bool running = mRunning;
    mMutex.unlock();
    return running;
}

void KaThread::setRunningFlag(bool running)
{
    mMutex.lock();
    mRunning = running;
    mMutex.unlock();
}

void KaThread::priority(float priority)
{
    if (!mAttached)
        return;
    float scaled = priority * 100.0f;
    sched_param parameters = {};
    if (scaled >= static_cast<float>(INT_MAX))
        parameters.sched_priority = INT_MAX;
    else if (scaled <= static_cast<float>(INT_MIN))
        parameters.sched_priority = INT_MIN;
    else if (scaled == scaled)
        parameters.sched_priority = static_cast<int>(scaled);
    pthread_setschedparam(mThread, SCHED_OTHER, &parameters);
}

void* KaThread::staticEntry(void* object)
{
    static_cast<KaThread*>(object)->entry();
    return nullptr;
}
