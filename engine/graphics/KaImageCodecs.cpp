#include "engine/graphics/KaImageCodecs.h"

#include "engine/graphics/KaBmp.h"
#include "engine/graphics/KaIVideoCodec.h"
#include "engine/graphics/KaJpeg.h"
#include "engine/graphics/KaJpegZLib.h"
#include "engine/graphics/KaPng.h"
#include "engine/graphics/KaPvr.h"
#include "engine/graphics/KaTga.h"

namespace {

typedef KaIVideoCodec* (*CodecFactory)();

template <class T> KaIVideoCodec* make() { return new T(); }

struct Entry {
    const char* extension;
    CodecFactory factory;
};

// Two-part names are tried first: "x.jpg.zlib" must not stop at "zlib".
const Entry kChain[] = {
    { "jpg.zlib", &make<KaJpegZLib> },
    { "jpeg.zlib", &make<KaJpegZLib> },
    { "bmp", &make<KaBmp> },
    { "tga", &make<KaTga> },
    { "png", &make<KaPng> },
    { "jpg", &make<KaJpeg> },
    { "jpeg", &make<KaJpeg> },
    // The zlib-wrapped legacy PVR, not the version 3 codec of the registry.
    { "pvr", &make<KaPvr> },
};

const Entry* findForPath(const KaPath& path)
{
    for (const Entry& entry : kChain) {
        if (KaIVideoCodec::matchExtension(path, entry.extension))
            return &entry;
    }
    return nullptr;
}

} // namespace

KaIVideoCodec* KaImageCodecs::createForPath(const KaPath& path)
{
    const Entry* entry = findForPath(path);
    return entry ? entry->factory() : nullptr;
}

KaIVideoCodec* KaImageCodecs::createForExtension(const KaString& extension)
{
    const KaString text = extension.toLowerCase();
    for (const Entry& entry : kChain) {
        if (text == entry.extension)
            return entry.factory();
    }
    return createForPath(KaPath(text));
}

bool KaImageCodecs::supports(const KaPath& path) { return findForPath(path) != nullptr; }
