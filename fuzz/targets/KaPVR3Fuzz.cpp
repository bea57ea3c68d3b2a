// PVR version 3 files: the registry's codec for "pvr", as textures load them.

#include "engine/graphics/KaPVR3.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

namespace {

KaIVideoCodec* make() { return new KaPVR3(); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    KaFuzzImageCodec(data, size, "pvr", &make, false);
    return 0;
}
