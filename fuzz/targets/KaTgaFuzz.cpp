// TGA files through KaImage::load and through the codec, from a file and a stream.

#include "engine/graphics/KaTga.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

namespace {

KaIVideoCodec* make() { return new KaTga(); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    KaFuzzImageCodec(data, size, "tga", &make, true);
    return 0;
}
