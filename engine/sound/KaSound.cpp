#include "engine/sound/KaSound.h"

#include "engine/base/KaStd.h"
#include "engine/sound/KaOgg.h"
#include "engine/sound/KaWav.h"

KaSound::KaSound()
    : mSound(nullptr)
{
}

KaSound::~KaSound() { close(); }

bool KaSound::open(const KaPath& path)
{
    close();
    // Each decoder refuses a foreign extension at once, so the extension
    // decides which one reads the file.
    KaISound* ogg = new KaOgg();
    if (ogg->open(path)) {
        mSound = ogg;
        return true;
    }
    delete ogg;
    KaISound* wav = new KaWav();
    if (wav->open(path)) {
        mSound = wav;
        return true;
    }
    delete wav;
    KaPrintf("[KaSound::open(const KaString& filename)] can't open file : %s. File type may not be supported.\n",
        path.c_str());
    return false;
}

void KaSound::close()
{
    delete mSound;
    mSound = nullptr;
}

bool KaSound::isOpened() const { return mSound != nullptr; }

unsigned char KaSound::nbChannels() { return mSound ? mSound->nbChannels() : 0; }

unsigned int KaSound::frequency() { return mSound ? mSound->frequency() : 0; }

unsigned int KaSound::nbBits() { return mSound ? mSound->nbBits() : 0; }

unsigned int KaSound::nbSamples() { return mSound ? mSound->nbSamples() : 0; }

unsigned char* KaSound::data(unsigned long& size)
{
    if (!mSound) {
        size = 0;
        return nullptr;
    }
    return mSound->data(size);
}
