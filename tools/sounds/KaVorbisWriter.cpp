#include "tools/sounds/KaVorbisWriter.h"

#include <cstdio>

#include "engine/core/KaStream.h"
#include "tools/fixtures/KaVorbisFixture.h"

bool KaWriteVorbisFile(const std::string& path, const std::vector<float>& samples, unsigned int rate, float quality)
{
    KaStream bytes;
    bytes.setMode(KaStream::Binary);
    if (!KaEncodeVorbis(bytes, samples, 1, rate, quality, 20250))
        return false;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const unsigned long length = bytes.bufferLength();
    bool ok = length == 0 || std::fwrite(bytes.data(), 1, length, file) == length;
    ok = std::fclose(file) == 0 && ok;
    return ok;
}
