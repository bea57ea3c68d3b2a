#ifndef KA_THREAD_H
#define KA_THREAD_H

#include <pthread.h>

#include "engine/core/KaMutex.h"

// Base of an object that runs its own entry() on a thread of its own.
//
// start() launches entry() on a new thread (after asking a previous run to
// stop and joining it); waitForTerminate() joins it. entry() must return soon
// after it is asked to end, either by polling isStopRequested() or through a
// state of the derived class's own.
//
// The running and stop-requested flags are shared between the owner and the
// worker, and always read and written under the object's own mutex. The
// running flag is set by start() and otherwise only by setRunningFlag().
//
// The owner must end the work and join it (stop(), waitForTerminate()) before
// the object is destroyed, in the derived class's destructor at the latest:
// the base destructor only raises the stop request and does not join, since
// the entry() the worker runs belongs to the part already destroyed.
class KaThread {
public:
    KaThread();
    virtual ~KaThread();
    KaThread(const KaThread&) = delete;
    KaThread& operator=(const KaThread&) = delete;

    void start();
    // Asks entry() to end; does not wait.
    void stop();
    // Joins the thread, if one is attached; afterwards none is.
    void waitForTerminate();

    bool isStopRequested() const;
    bool isRunning() const;
    void setRunningFlag(bool running);
    // True while a thread is attached (started and not yet joined).
    bool isAttached() const { return mAttached; }

    // Scheduling priority of the attached thread (policy SCHED_OTHER,
    // priority times 100); the system may refuse it. Nothing without a thread.
    void priority(float priority);

    static void* staticEntry(void* object);

protected:
    // The work of the thread.
    virtual void entry() = 0;

private:
    mutable KaMutex mMutex;
    pthread_t mThread;
    bool mAttached;
    bool mRunning;
    bool mStopRequested;
};

#endif
