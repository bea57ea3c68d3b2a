#include "engine/core/KaMutex.h"

KaMutex::KaMutex()
    : mLocked(false)
    , mInitialised(false)
{
    pthread_mutexattr_init(&mAttributes);
    pthread_mutexattr_settype(&mAttributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(&mMutex, &mAttributes);
    mInitialised = true;
}

KaMutex::~KaMutex()
{
    if (mInitialised) {
        pthread_mutex_destroy(&mMutex);
        pthread_mutexattr_destroy(&mAttributes);
    }
    mLocked = false;
}

void KaMutex::lock()
{
    pthread_mutex_lock(&mMutex);
    mLocked = true;
}

bool KaMutex::tryLock()
{
    if (pthread_mutex_trylock(&mMutex) != 0)
        return false;
    mLocked = true;
    return true;
}

void KaMutex::unlock()
{
    // Cleared while still held, so that it never overwrites the mark of the
    // next holder.
    mLocked = false;
    pthread_mutex_unlock(&mMutex);
}
