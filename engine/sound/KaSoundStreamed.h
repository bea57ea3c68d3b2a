#ifndef KA_SOUND_STREAMED_H
#define KA_SOUND_STREAMED_H

#include "engine/sound/KaISound.h"

// Chunk-by-chunk decoding for streamed music.
//
// open() ignores the extension it is given: it opens the ".ogg" file of the
// same name when there is one, else the ".wav" file, so content can change
// format without its callers changing their paths.
// Owns its decoder: not copyable.
class KaSoundStreamed {
public:
    KaSoundStreamed();
    ~KaSoundStreamed();
    KaSoundStreamed(const KaSoundStreamed&) = delete;
    KaSoundStreamed& operator=(const KaSoundStreamed&) = delete;

    // False, with a message, when neither file exists or opens.
    bool open(const KaPath& path);
    void close();
    bool isOpened() const;
    // 0 (or false, or nothing) while nothing is open.
    unsigned char nbChannels();
    unsigned int frequency();
    unsigned int nbBits();
    unsigned int nbSamples();
    void setDecodeDuration(unsigned int milliseconds);
    unsigned int decodeDuration();
    bool decode(unsigned char** chunk, unsigned long& size);

private:
    KaISound* mSound;
};

#endif
