// Ogg Vorbis files as the sound layer opens them: decoded chunk by chunk as
// music streams them, and whole as effects load them.

#include <cstring>
#include <vector>

#include "engine/sound/KaOgg.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const KaPath path = KaFuzzWriteFile("sound.ogg", data, size);

    std::vector<unsigned char> chunked;
    {
        KaOgg ogg;
        if (!ogg.open(path))
            return 0;
        unsigned char* chunk = nullptr;
        unsigned long bytes = 0;
        while (ogg.decode(&chunk, bytes)) {
            KaFuzzCheck(chunk != nullptr, "a chunk has bytes");
            KaFuzzTouch(chunk, bytes);
            chunked.insert(chunked.end(), chunk, chunk + bytes);
        }
    }
    {
        KaOgg ogg;
        KaFuzzCheck(ogg.open(path), "a file that opened once opens again");
        unsigned long bytes = 0;
        unsigned char* whole = ogg.data(bytes);
        KaFuzzTouch(whole, bytes);
        KaFuzzCheck(bytes == chunked.size() && (bytes == 0 || std::memcmp(whole, chunked.data(), bytes) == 0),
            "the whole data is the chunks put together");
    }
    return 0;
}
