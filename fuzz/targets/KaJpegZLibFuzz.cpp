// zlib-wrapped JPEG files through KaImage::load and through the codec.

#include "engine/graphics/KaJpegZLib.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

namespace {

KaIVideoCodec* make() { return new KaJpegZLib(); }

} // namespace

// Mutates the content inside the zlib wrapper, not only the wrapper.
extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed)
{
    return KaFuzzMutateWrapped(KaFuzzPackedBlock, data, size, maxSize, seed);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    KaFuzzImageCodec(data, size, "jpg.zlib", &make, true);
    return 0;
}
