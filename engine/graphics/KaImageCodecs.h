#ifndef KA_IMAGE_CODECS_H
#define KA_IMAGE_CODECS_H

#include "engine/core/KaPath.h"
#include "engine/core/KaString.h"

class KaIVideoCodec;

// KaImage's own chain of still-image codecs, by extension: "bmp", "tga",
// "png", "jpg", "jpeg", "jpg.zlib", "jpeg.zlib" and "pvr" (the zlib-wrapped
// legacy PVR, where the core's registry gives "pvr" to the version 3 codec).
class KaImageCodecs {
public:
    // A new codec (the caller deletes it) for the path's extension,
    // compared in lower case; null for an extension not in the chain.
    static KaIVideoCodec* createForPath(const KaPath& path);
    // The same for an extension given as text ("png", "jpg.zlib"); a file
    // name is taken too.
    static KaIVideoCodec* createForExtension(const KaString& extension);
    // Whether the path's extension is in the chain.
    static bool supports(const KaPath& path);
};

#endif
