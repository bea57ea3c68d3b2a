#ifndef KA_OGG_H
#define KA_OGG_H

#include "engine/containers/KaSmartPointer.h"
#include "engine/sound/KaISound.h"

class KaCountedOgg;

// Handle on an Ogg Vorbis decoder (KaOggImplementation). Copies share one
// decoder: opening, decoding or closing through any copy acts for all.
// Byte-movable: it holds only the counted pointer.
class KaOgg : public KaISound {
public:
    KaOgg();
    KaOgg(const KaOgg& other);
    KaOgg& operator=(const KaOgg& other);
    ~KaOgg() override;

    bool open(const KaPath& path) override;
    void close() override;
    bool isOpened() const override;
    unsigned char nbChannels() override;
    unsigned int frequency() override;
    unsigned int nbBits() override;
    unsigned int nbSamples() override;
    void setDecodeDuration(unsigned int milliseconds) override;
    unsigned int decodeDuration() override;
    bool decode(unsigned char** chunk, unsigned long& size) override;
    unsigned char* data(unsigned long& size) override;

    // Whether two handles share one decoder.
    bool sharesDecoderWith(const KaOgg& other) const { return mDecoder == other.mDecoder; }

private:
    KaSmartPointer<KaCountedOgg> mDecoder;
};

#endif
