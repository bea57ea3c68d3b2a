#include "engine/graphics/KaIVideoCodec.h"

#include <cstring>

#include "engine/core/KaBaseFile.h"
#include "engine/core/KaCore.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaVideoCodecRegistry.h"

namespace {

// Any program holding a codec links this file, and with it the registry.
[[maybe_unused]] const bool kRegistered = (KaCore::setVideoCodecFactory(&KaVideoCodecRegistry::create), true);

} // namespace

KaIVideoCodec::~KaIVideoCodec() = default;

bool KaIVideoCodec::openForReading(KaBaseFile& file, const KaPath& path) const
{
    return mPathResolved ? file.openRealPath(path) : file.open(path, KaFileSystem::Read);
}

bool KaIVideoCodec::matchExtension(const KaPath& path, const char* extension)
{
    if (!extension || !*extension)
        return false;
    const unsigned long wanted = std::strlen(extension);
    // The extension's own dots tell how many dot-separated parts to compare.
    unsigned int parts = 1;
    for (const char* c = extension; *c; ++c) {
        if (*c == '.')
            ++parts;
    }
    const KaString name = path.fileName().toLowerCase();
    const unsigned long length = name.length();
    // Walk back over that many dots: the text after the last of them is the
    // candidate extension.
    unsigned long start = length;
    unsigned int dots = 0;
    while (start > 0 && dots < parts) {
        --start;
        if (name[start] == '.')
            ++dots;
    }
    if (dots < parts)
        return false;
    const unsigned long candidate = length - start - 1;
    return candidate == wanted && std::memcmp(name.c_str() + start + 1, extension, wanted) == 0;
}

bool KaIVideoCodec::imageFits(const KaImage& image) const
{
    if (image.format() != imageFormat())
        return false;
    if (image.bufferWidth() < width() || image.bufferHeight() < height())
        return false;
    return image.buffer() || image.bufferSize() == 0;
}
