#include "engine/sound/KaISound.h"

#include <cstdint>

KaISound::~KaISound() = default;

unsigned int determineBufferSizeByDuration(
    unsigned int milliseconds, unsigned char channels, unsigned int frequency, unsigned int bitsPerSample)
{
    if (milliseconds < 1)
        milliseconds = 1;
    if (milliseconds > 1000)
        milliseconds = 1000;
    const uint64_t parts = 1000u / milliseconds;
    const uint64_t frame = static_cast<uint64_t>(bitsPerSample / 8u) * channels;
    if (frame == 0)
        return 0;
    // 64 bits: the product of a header's rate and frame can pass 32 bits.
    uint64_t size = static_cast<uint64_t>(frequency) * frame / parts;
    size -= size % frame;
    if (size > UINT32_MAX)
        return 0;
    return static_cast<unsigned int>(size);
}
