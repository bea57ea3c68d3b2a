#ifndef KA_SOUND_H
#define KA_SOUND_H

#include "engine/sound/KaISound.h"

// Whole-file decoding for sound effects: picks the decoder by the path's
// extension (Ogg Vorbis, else WAV) and hands out all samples at once.
// Owns its decoder: not copyable.
class KaSound {
public:
    KaSound();
    ~KaSound();
    KaSound(const KaSound&) = delete;
    KaSound& operator=(const KaSound&) = delete;

    // False, with a message, when neither decoder takes the file.
    bool open(const KaPath& path);
    void close();
    bool isOpened() const;
    // 0 (or null) while nothing is open.
    unsigned char nbChannels();
    unsigned int frequency();
    unsigned int nbBits();
    unsigned int nbSamples();
    unsigned char* data(unsigned long& size);

private:
    KaISound* mSound;
};

#endif
