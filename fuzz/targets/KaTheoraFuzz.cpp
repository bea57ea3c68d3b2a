// Theora videos as the game plays them: loaded from a file and from a stream,
// a few frames decoded forward, then seeks to the end and back to the start,
// into the formats the video textures use.

#include <memory>

#include "engine/core/KaStream.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaTheora.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

namespace {

// Decodes into one image the way a playing video texture does, reusing it
// from frame to frame.
void play(KaTheora& codec, KaImageFormat format, bool padded)
{
    if (codec.imageFormat() == NONE || codec.width() == 0 || codec.height() == 0)
        return;
    KaImage image;
    KaIntrusivePtr<KaPalette> noPalette;
    const unsigned int width = codec.width();
    const unsigned int height = codec.height();
    if (!image.create(width, height, noPalette, format, padded ? width + 3 : width, padded ? height + 2 : height))
        return;
    const unsigned long frames = codec.nbFrames();
    // Forward, a skip ahead, the end, back to the start, and past the end.
    const unsigned long steps[] = { 0, 1, 2, 30, frames ? frames - 1 : 0, 0, 1, frames, frames + 5 };
    for (unsigned long frame : steps) {
        if (codec.update(frame, image))
            KaFuzzTouch(image.buffer(), image.bufferSize());
        else
            KaFuzzCheck(frame >= frames || image.format() == format, "a failed decode keeps the image usable");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const KaPath path = KaFuzzWriteFile("clip.ogv", data, size);
    {
        KaTheora codec;
        if (codec.load(path))
            play(codec, RGB888, true);
    }
    {
        KaStream stream;
        KaFuzzFillStream(stream, data, size);
        KaTheora codec;
        codec.setIsAlphaChannel(size % 2 != 0);
        if (codec.load(stream)) {
            play(codec, RGBA8888, false);
            play(codec, GREY8, false);
        }
    }
    return 0;
}
