#include "engine/graphics/KaVideoCodecRegistry.h"

#include "engine/graphics/KaBmp.h"
#include "engine/graphics/KaIVideoCodec.h"
#include "engine/graphics/KaImagesSequence.h"
#include "engine/graphics/KaJpeg.h"
#include "engine/graphics/KaPVR3.h"
#include "engine/graphics/KaPVR3ZLib.h"
#include "engine/graphics/KaPng.h"
#include "engine/graphics/KaTga.h"
#include "engine/graphics/KaTheora.h"
#include "engine/graphics/KaTheoraWithAlpha.h"
#include "engine/graphics/KaVideoWithAlpha.h"

namespace {

typedef bool (*MatchFunction)(const KaPath&);
typedef KaIVideoCodec* (*CreateFunction)();

template <class T> KaIVideoCodec* make() { return new T(); }

struct Entry {
    MatchFunction match;
    CreateFunction create;
};

// The order decides between codecs that take the same path: a video with an
// alpha companion must be taken before the plain video and still-image codecs.
const Entry kRegistry[] = {
    { &KaPVR3ZLib::matchFormat, &make<KaPVR3ZLib> }, // "pvr.zlib"
    { &KaPVR3::matchFormat, &make<KaPVR3> }, // "pvr"
    { &KaTheoraWithAlpha::matchFormat, &make<KaTheoraWithAlpha> }, // "ogv" with an ".alpha.ogv" companion
    { &KaVideoWithAlpha::matchFormat, &make<KaVideoWithAlpha> }, // any path with an ".alpha." companion
    { &KaPng::matchFormat, &make<KaPng> }, // "png"
    { &KaJpeg::matchFormat, &make<KaJpeg> }, // "jpg", "jpeg"
    { &KaImagesSequence::matchFormat, &make<KaImagesSequence> }, // "anim": a folder of numbered pictures
    { &KaTheora::matchFormat, &make<KaTheora> }, // "ogv"
    { &KaBmp::matchFormat, &make<KaBmp> }, // "bmp"
    { &KaTga::matchFormat, &make<KaTga> }, // "tga"
};

} // namespace

KaIVideoCodec* KaVideoCodecRegistry::create(const KaPath& path)
{
    for (const Entry& entry : kRegistry) {
        if (entry.match(path))
            return entry.create();
    }
    return nullptr;
}
