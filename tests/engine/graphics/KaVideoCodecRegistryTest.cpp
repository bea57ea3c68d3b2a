#include <gtest/gtest.h>

#include <memory>
#include <typeinfo>

#include "engine/core/KaCore.h"
#include "engine/graphics/KaBmp.h"
#include "engine/graphics/KaIVideoCodec.h"
#include "engine/graphics/KaImageCodecs.h"
#include "engine/graphics/KaJpeg.h"
#include "engine/graphics/KaJpegZLib.h"
#include "engine/graphics/KaPVR3.h"
#include "engine/graphics/KaPVR3ZLib.h"
#include "engine/graphics/KaPng.h"
#include "engine/graphics/KaPvr.h"
#include "engine/graphics/KaTga.h"

namespace {

// The dynamic class name of a new codec, "" for none.
std::string classOf(KaIVideoCodec* codec)
{
    std::unique_ptr<KaIVideoCodec> owned(codec);
    return owned ? typeid(*owned).name() : "";
}

template <class T> std::string nameOf() { return typeid(T).name(); }

} // namespace

TEST(KaVideoCodecRegistryTest, PicksTheFirstCodecThatTakesThePath)
{
    struct Case {
        const char* path;
        std::string codec;
    };
    const Case cases[] = {
        { "pics/x.pvr", nameOf<KaPVR3>() },
        { "pics/x.pvr.zlib", nameOf<KaPVR3ZLib>() },
        { "pics/X.PVR.ZLIB", nameOf<KaPVR3ZLib>() },
        { "x.png", nameOf<KaPng>() },
        { "X.PNG", nameOf<KaPng>() },
        { "x.jpg", nameOf<KaJpeg>() },
        { "x.JPEG", nameOf<KaJpeg>() },
        { "x.bmp", nameOf<KaBmp>() },
        { "x.tga", nameOf<KaTga>() },
        // Only the image's own chain reads these.
        { "x.jpg.zlib", "" },
        { "x.gif", "" },
        { "x", "" },
        { "", "" },
        { "folder.png/x", "" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(classOf(core.get()->createVideoCodec(KaPath(c.path))), c.codec) << c.path;
}

TEST(KaVideoCodecRegistryTest, TheImageChainReadsTheLegacyPvrAndZlibJpeg)
{
    struct Case {
        const char* path;
        std::string codec;
    };
    const Case cases[] = {
        { "x.pvr", nameOf<KaPvr>() },
        { "x.jpg.zlib", nameOf<KaJpegZLib>() },
        { "x.JPEG.ZLIB", nameOf<KaJpegZLib>() },
        { "x.jpg", nameOf<KaJpeg>() },
        { "x.png", nameOf<KaPng>() },
        { "x.bmp", nameOf<KaBmp>() },
        { "x.tga", nameOf<KaTga>() },
        { "x.pvr.zlib", "" },
        { "x.zlib", "" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(classOf(KaImageCodecs::createForPath(KaPath(c.path))), c.codec) << c.path;
    EXPECT_EQ(classOf(KaImageCodecs::createForExtension("JPG.ZLIB")), nameOf<KaJpegZLib>());
    EXPECT_EQ(classOf(KaImageCodecs::createForExtension("pvr")), nameOf<KaPvr>());
    EXPECT_EQ(classOf(KaImageCodecs::createForExtension("gif")), "");
}

TEST(KaVideoCodecRegistryTest, MatchExtensionComparesTheLastParts)
{
    struct Case {
        const char* path;
        const char* extension;
        bool match;
    };
    const Case cases[] = {
        { "a.png", "png", true },
        { "dir.x/A.PnG", "png", true },
        { "a.png", "pn", false },
        { "a.xpng", "png", false },
        { ".png", "png", true },
        { "png", "png", false },
        { "a.pvr.zlib", "pvr.zlib", true },
        { "a.b.PVR.ZLIB", "pvr.zlib", true },
        { "a.zlib", "pvr.zlib", false },
        { "pvr.zlib", "pvr.zlib", false },
        { "a.jpg.zlib", "zlib", true },
        { "a.png", "", false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(KaIVideoCodec::matchExtension(KaPath(c.path), c.extension), c.match)
            << c.path << " / " << c.extension;
}
