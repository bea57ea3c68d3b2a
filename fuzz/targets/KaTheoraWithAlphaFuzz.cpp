// Theora videos with an alpha companion as the game plays them: "clip.ogv"
// and "clip.alpha.ogv" found through the core's registry and loaded from
// their files, then the same pair from two streams; a few frames decoded
// forward, seeks to the end, back to the start and past the end, into one
// reused RGBA8888 image as a video texture does. The input holds both files
// (see KaFuzzParts.h): the colour video, then the alpha video.

#include <memory>

#include "engine/core/KaCore.h"
#include "engine/core/KaStream.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaTheoraWithAlpha.h"
#include "fuzz/support/KaFuzzParts.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

namespace {

void play(KaIVideoCodec& codec, bool padded)
{
    KaFuzzCheck(codec.imageFormat() == RGBA8888, "a video with alpha decodes to RGBA8888");
    const unsigned int width = codec.width();
    const unsigned int height = codec.height();
    if (width == 0 || height == 0)
        return;
    KaIntrusivePtr<KaPalette> noPalette;
    {
        // The mask alone would overwrite the colour of any other format.
        KaImage wrong;
        if (wrong.create(width, height, noPalette, RGB888))
            KaFuzzCheck(!codec.update(0, wrong), "an update into an RGB888 image fails");
    }
    KaImage image;
    if (!image.create(width, height, noPalette, RGBA8888, padded ? width + 3 : width, padded ? height + 2 : height))
        return;
    const unsigned long frames = codec.nbFrames();
    const unsigned long steps[] = { 0, 1, 2, 30, frames ? frames - 1 : 0, 0, 1, frames, frames + 5 };
    for (unsigned long frame : steps) {
        if (codec.update(frame, image))
            KaFuzzTouch(image.buffer(), image.bufferSize());
        KaFuzzCheck(image.format() == RGBA8888, "a decode keeps the image's format");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<KaFuzzPart> parts = KaFuzzSplit(data, size, 2);
    const KaFuzzPart& colour = parts[0];
    const KaFuzzPart& alpha = parts[1];
    const KaPath path = KaFuzzWriteFile("clip.ogv", colour.data, colour.size);
    KaFuzzWriteFile("clip.alpha.ogv", alpha.data, alpha.size);
    {
        std::unique_ptr<KaIVideoCodec> codec(core.get()->createVideoCodec(path));
        KaFuzzCheck(codec && dynamic_cast<KaTheoraWithAlpha*>(codec.get()),
            "an ogv with an alpha companion is taken by KaTheoraWithAlpha");
        if (codec->load(path))
            play(*codec, true);
        // Loading again over a loaded (or failed) pair.
        if (codec->load(path))
            play(*codec, false);
    }
    {
        KaStream colourStream;
        KaStream alphaStream;
        KaFuzzFillStream(colourStream, colour.data, colour.size);
        KaFuzzFillStream(alphaStream, alpha.data, alpha.size);
        KaTheoraWithAlpha codec;
        KaFuzzCheck(!codec.load(colourStream), "a pair never loads from one stream");
        colourStream.seek(0);
        if (codec.load(colourStream, alphaStream)) {
            codec.setLeftBorderSize(1);
            codec.setTopBorderSize(1);
            play(codec, true);
        }
    }
    return 0;
}
