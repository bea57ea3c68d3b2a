// WAV files as the sound layer opens them: decoded chunk by chunk with the
// streamed sounds' durations, and whole as effects load them. The chunks
// together must be the whole, and neither may pass the data the file holds.

#include <cstring>
#include <vector>

#include "engine/sound/KaWav.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const KaPath path = KaFuzzWriteFile("sound.wav", data, size);

    // Short chunks for odd sizes: the chunk size follows the duration, and a
    // header's rate may fit one and not the other.
    const unsigned int duration = size % 2 ? 1 : 250;
    std::vector<unsigned char> chunked;
    {
        KaWav wav;
        wav.setDecodeDuration(duration);
        if (!wav.open(path))
            return 0;
        const unsigned long frame = static_cast<unsigned long>(wav.nbBits() / 8) * wav.nbChannels();
        KaFuzzCheck(frame != 0, "an open file has whole frames");
        unsigned char* chunk = nullptr;
        unsigned long bytes = 0;
        while (wav.decode(&chunk, bytes)) {
            KaFuzzCheck(chunk != nullptr && bytes <= wav.chunkSize(), "a chunk is at most the chunk size");
            KaFuzzCheck(bytes % frame == 0, "a chunk holds whole frames");
            chunked.insert(chunked.end(), chunk, chunk + bytes);
        }
        KaFuzzCheck(chunked.size() <= size, "the samples come from the file");
        KaFuzzCheck(chunked.size() == static_cast<unsigned long>(wav.nbSamples()) * frame,
            "the chunks hold every frame counted");
    }
    {
        KaWav wav;
        wav.setDecodeDuration(duration);
        KaFuzzCheck(wav.open(path), "a file that opened once opens again");
        unsigned long bytes = 0;
        unsigned char* whole = wav.data(bytes);
        KaFuzzCheck(bytes == chunked.size() && (bytes == 0 || std::memcmp(whole, chunked.data(), bytes) == 0),
            "the whole data is the chunks put together");
    }
    return 0;
}
