#ifndef KA_VIDEO_CODEC_REGISTRY_H
#define KA_VIDEO_CODEC_REGISTRY_H

#include "engine/core/KaPath.h"

class KaIVideoCodec;

// Every picture and video codec, in the order that decides between codecs
// taking the same path. The core reaches it through KaCore::createVideoCodec:
// KaIVideoCodec.cpp, linked with any codec, registers it at start-up, so the
// core never depends on this layer.
class KaVideoCodecRegistry {
public:
    // A new codec for the file (the caller deletes it), or null.
    static KaIVideoCodec* create(const KaPath& path);
};

#endif
