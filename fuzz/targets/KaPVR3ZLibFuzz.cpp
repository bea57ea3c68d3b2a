// zlib-wrapped PVR version 3 files: the registry's codec for "pvr.zlib".

#include "engine/graphics/KaPVR3ZLib.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

namespace {

KaIVideoCodec* make() { return new KaPVR3ZLib(); }

} // namespace

// Mutates the content inside the zlib wrapper, not only the wrapper.
extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed)
{
    return KaFuzzMutateWrapped(KaFuzzZLibBlock, data, size, maxSize, seed);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    KaFuzzImageCodec(data, size, "pvr.zlib", &make, false);
    return 0;
}
