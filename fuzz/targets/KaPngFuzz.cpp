// PNG files through KaImage::load and through the codec, from a file and a stream.

#include "engine/graphics/KaPng.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

namespace {

KaIVideoCodec* make() { return new KaPng(); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    KaFuzzImageCodec(data, size, "png", &make, true);
    return 0;
}
