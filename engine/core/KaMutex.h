#ifndef KA_MUTEX_H
#define KA_MUTEX_H

#include <atomic>
#include <pthread.h>

// A recursive mutex: the thread that holds it may lock it again, and must
// unlock it as many times. Not copyable, and the POSIX mutex must not move.
class KaMutex {
public:
    KaMutex();
    ~KaMutex();
    KaMutex(const KaMutex&) = delete;
    KaMutex& operator=(const KaMutex&) = delete;

    void lock();
    // Takes the mutex when no other thread holds it; true when taken (the
    // holder itself may always take it again).
    bool tryLock();
    void unlock();

    // Informative only: true between a lock() and the next unlock() of the
    // holder, even when an outer lock is still held after an inner unlock().
    bool isLocked() const { return mLocked.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> mLocked;
    pthread_mutex_t mMutex;
    pthread_mutexattr_t mAttributes;
    bool mInitialised;
};

#endif
