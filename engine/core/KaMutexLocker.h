#ifndef KA_MUTEX_LOCKER_H
#define KA_MUTEX_LOCKER_H

#include "engine/core/KaMutex.h"

// Holds a mutex for the life of a scope, so every return path unlocks it.
class KaMutexLocker {
public:
    explicit KaMutexLocker(KaMutex& mutex) : mMutex(mutex) { mMutex.lock(); }
    ~KaMutexLocker() { mMutex.unlock(); }
    KaMutexLocker(const KaMutexLocker&) = delete;
    KaMutexLocker& operator=(const KaMutexLocker&) = delete;

private:
    KaMutex& mMutex;
};

#endif
