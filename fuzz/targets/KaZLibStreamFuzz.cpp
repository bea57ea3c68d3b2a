// One zlib block, from memory and from a file, then read back in chunks and
// around seeks: what opens must read exactly its size.

#include "engine/core/KaFile.h"
#include "engine/core/KaStream.h"
#include "engine/core/KaZLibStream.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

namespace {

void readBlock(KaStream& source)
{
    KaZLibStream zlib;
    if (!zlib.open(source)) {
        KaFuzzCheck(zlib.size() == 0, "a refused block leaves the stream closed");
        unsigned char byte;
        KaFuzzCheck(zlib.readData(&byte, 1) == 0, "a closed block reads nothing");
        return;
    }
    const unsigned long size = zlib.size();
    KaFuzzCheck(KaFuzzDrain(zlib, 4096) == size, "an open block reads exactly its size");
    if (size > 0) {
        KaFuzzCheck(zlib.seek(size - 1), "a seek inside the block is taken");
        KaFuzzCheck(KaFuzzDrain(zlib, 1) == 1, "the last byte reads");
    }
    KaFuzzCheck(!zlib.seek(size), "a seek to the end is refused");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    KaStream memory;
    KaFuzzFillStream(memory, data, size);
    readBlock(memory);

    KaFile file;
    KaFuzzCheck(file.open(KaFuzzWriteFile("block.z", data, size), KaFileSystem::Read), "the scratch file opens");
    readBlock(file);
    return 0;
}
