#include "tests/support/KaAllocationProbe.h"

#include <atomic>

#if defined(__SANITIZE_ADDRESS__)
#define KA_PROBE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KA_PROBE_ASAN 1
#endif
#endif

namespace {

std::atomic<bool> gRecording(false);
std::atomic<size_t> gLargest(0);

} // namespace

#if defined(KA_PROBE_ASAN)

// gcc ships the sanitizer runtime without its interface headers.
extern "C" int __sanitizer_install_malloc_and_free_hooks(
    void (*mallocHook)(const volatile void*, size_t), void (*freeHook)(const volatile void*));

namespace {

void onMalloc(const volatile void*, size_t size)
{
    if (!gRecording.load(std::memory_order_relaxed))
        return;
    size_t seen = gLargest.load(std::memory_order_relaxed);
    while (size > seen && !gLargest.compare_exchange_weak(seen, size, std::memory_order_relaxed)) {
    }
}

void onFree(const volatile void*) { }

bool installHooks()
{
    // The runtime keeps a few hook slots for the whole process: take one once.
    static const bool installed = __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree) != 0;
    return installed;
}

} // namespace

bool KaAllocationProbe::available() { return installHooks(); }

#else

bool KaAllocationProbe::available() { return false; }

#endif

KaAllocationProbe::KaAllocationProbe()
{
    if (!available())
        return;
    gLargest.store(0);
    gRecording.store(true);
}

KaAllocationProbe::~KaAllocationProbe() { gRecording.store(false); }

size_t KaAllocationProbe::largest() const { return gLargest.load(); }
