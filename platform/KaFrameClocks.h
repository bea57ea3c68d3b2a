#ifndef KA_FRAME_CLOCKS_H
#define KA_FRAME_CLOCKS_H

// The three clocks a frame's cost is read on, shared by the host and the
// plain GL loop it is measured against, so that both count alike. All in
// microseconds; only differences between two readings mean anything.

#include <sys/resource.h>
#include <time.h>

#include <chrono>

inline unsigned long long kaWallMicroseconds()
{
    return static_cast<unsigned long long>(
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

// The calling thread's own CPU time.
inline unsigned long long kaThreadCpuMicroseconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<unsigned long long>(now.tv_sec) * 1000000ULL
        + static_cast<unsigned long long>(now.tv_nsec) / 1000ULL;
}

// User and system time of every thread of the process, the GL driver's
// rasterising threads included.
inline unsigned long long kaProcessCpuMicroseconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto micro = [](const timeval& t) {
        return static_cast<unsigned long long>(t.tv_sec) * 1000000ULL + static_cast<unsigned long long>(t.tv_usec);
    };
    return micro(usage.ru_utime) + micro(usage.ru_stime);
}

#endif
