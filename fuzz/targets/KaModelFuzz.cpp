// Model files ("KAMD", plain or inside the "KAZ0" wrapper): from a stream and
// from a file by path. A model that loads is posed, skinned and written
// again, and what it writes must read back to the same bytes.

#include <cstring>

#include "engine/core/KaStream.h"
#include "engine/scene/KaModel.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

// Behind "KAZ0" the model sits in a zlib block: mutate what it holds.
extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed)
{
    if (size > 4 && maxSize > 4 && std::memcmp(data, "KAZ0", 4) == 0)
        return 4 + KaFuzzMutateWrapped(KaFuzzZLibBlock, data + 4, size - 4, maxSize - 4, seed);
    return LLVMFuzzerMutate(data, size, maxSize);
}

namespace {

void use(KaModel& model)
{
    KaVector3f32 low, high;
    model.boundingBox(low, high);
    model.update();
    model.setFlags(model.flags() ^ KaModel::mSelfSkinningFlag);
    model.update();
    model.setFlags(model.flags() ^ KaModel::mSelfSkinningFlag);

    KaStream first;
    KaFuzzCheck(model.saveModel(first, model.flags()), "a loaded model saves");
    first.seek(0);
    KaModel again;
    KaFuzzCheck(again.load(first), "a saved model loads");
    KaStream second;
    again.saveModel(second, again.flags());
    KaFuzzCheck(first.contentLength() == second.contentLength()
            && std::memcmp(first.data(), second.data(), first.contentLength()) == 0,
        "a saved model reads back to the same bytes");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size >= 4 && std::memcmp(data, "KAZ0", 4) != 0) {
        KaStream stream;
        KaFuzzFillStream(stream, data, size);
        KaModel model;
        if (model.load(stream))
            use(model);
    }
    {
        KaModel model;
        if (model.load(KaFuzzWriteFile("model.kamd", data, size)))
            use(model);
    }
    return 0;
}
