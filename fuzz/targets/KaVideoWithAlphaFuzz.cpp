// Pictures and videos with an alpha companion ("pic.rgb.<ext>" and
// "pic.alpha.<ext>", asked for as "pic.<ext>") as the game shows them: each
// source opened through the core's registry by its extension, merged into an
// RGBA8888 image, a few frames asked for with seeks, then the two-JPEG load
// from streams. The input: one byte choosing the extension, then the rgb
// file and the alpha file (see KaFuzzParts.h).

#include <memory>
#include <string>

#include "engine/core/KaCore.h"
#include "engine/core/KaStream.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaVideoWithAlpha.h"
#include "fuzz/support/KaFuzzParts.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

namespace {

// "ogv" pairs are taken by the Theora pair through the registry, so the
// class is also asked for directly.
const char* const kExtensions[] = { "png", "jpg", "bmp", "tga", "ogv", "pvr" };
const size_t kExtensionCount = sizeof kExtensions / sizeof kExtensions[0];

void play(KaIVideoCodec& codec, bool padded, bool flipped)
{
    const unsigned int width = codec.width();
    const unsigned int height = codec.height();
    if (codec.imageFormat() != RGBA8888 || width == 0 || height == 0)
        return;
    KaIntrusivePtr<KaPalette> noPalette;
    KaImage image;
    image.setFlipped(flipped);
    if (!image.create(width, height, noPalette, RGBA8888, padded ? width + 3 : width, padded ? height + 2 : height))
        return;
    {
        // Too small a buffer must be refused, not written past.
        KaImage small;
        if (small.create(width - 1 ? width - 1 : 1, height, noPalette, RGBA8888) && small.bufferWidth() < width)
            KaFuzzCheck(!codec.update(0, small), "an update into too small an image fails");
    }
    const unsigned long frames = codec.nbFrames();
    const unsigned long steps[] = { 0, 1, frames ? frames - 1 : 0, 0, frames, frames + 3 };
    for (unsigned long frame : steps) {
        if (codec.update(frame, image))
            KaFuzzTouch(image.buffer(), image.bufferSize());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const char* extension = kExtensions[data[0] % kExtensionCount];
    const std::vector<KaFuzzPart> parts = KaFuzzSplit(data + 1, size - 1, 2);
    const KaFuzzPart& rgb = parts[0];
    const KaFuzzPart& alpha = parts[1];

    const std::string base = std::string("pic.") + extension;
    KaFuzzWriteFile(("pic.rgb." + std::string(extension)).c_str(), rgb.data, rgb.size);
    KaFuzzWriteFile(("pic.alpha." + std::string(extension)).c_str(), alpha.data, alpha.size);
    KaPath path(KaFuzzFolder());
    path += "/";
    path += base.c_str();

    {
        std::unique_ptr<KaIVideoCodec> codec(core.get()->createVideoCodec(path));
        KaFuzzCheck(codec != nullptr, "a path with an alpha companion has a codec");
        if (codec->load(path))
            play(*codec, true, false);
    }
    {
        KaVideoWithAlpha codec;
        if (codec.load(path)) {
            codec.setRightBorderSize(2);
            play(codec, false, true);
            // A second load replaces the first pair.
            if (codec.load(path))
                play(codec, true, true);
        }
        codec.unload();
        KaFuzzCheck(codec.isAtEnd() && codec.nbFrames() == 0, "an unloaded pair is empty");
        KaImage image;
        KaIntrusivePtr<KaPalette> noPalette;
        if (image.create(4, 4, noPalette, RGBA8888))
            KaFuzzCheck(!codec.update(0, image), "an unloaded pair decodes nothing");
    }
    {
        KaStream rgbStream;
        KaStream alphaStream;
        KaFuzzFillStream(rgbStream, rgb.data, rgb.size);
        KaFuzzFillStream(alphaStream, alpha.data, alpha.size);
        KaVideoWithAlpha codec;
        if (codec.load(rgbStream, alphaStream))
            play(codec, true, false);
    }
    return 0;
}
