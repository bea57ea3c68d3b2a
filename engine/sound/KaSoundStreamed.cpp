#include "engine/sound/KaSoundStreamed.h"

#include "engine/base/KaStd.h"
#include "engine/core/KaBaseFile.h"
#include "engine/sound/KaOgg.h"
#include "engine/sound/KaWav.h"

namespace {

KaPath withExtension(const KaPath& path, const char* extension)
{
    KaPath candidate(path);
    candidate.removeExtension();
    candidate += extension;
    candidate.convertInPathFormat();
    return candidate;
}

} // namespace

KaSoundStreamed::KaSoundStreamed()
    : mSound(nullptr)
{
}

KaSoundStreamed::~KaSoundStreamed() { close(); }

bool KaSoundStreamed::open(const KaPath& path)
{
    close();
    const KaPath oggPath = withExtension(path, ".ogg");
    if (KaBaseFile::fileExist(oggPath)) {
        KaISound* ogg = new KaOgg();
        if (ogg->open(oggPath)) {
            mSound = ogg;
            return true;
        }
        delete ogg;
    }
    const KaPath wavPath = withExtension(path, ".wav");
    if (KaBaseFile::fileExist(wavPath)) {
        KaISound* wav = new KaWav();
        if (wav->open(wavPath)) {
            mSound = wav;
            return true;
        }
        delete wav;
    }
    KaPrintf(
        "[KaSoundStreamed::open(const KaString& filename)] can't open file : %s. File type may not be supported.\n",
        path.c_str());
    return false;
}

void KaSoundStreamed::close()
{
    delete mSound;
    mSound = nullptr;
}

bool KaSoundStreamed::isOpened() const { return mSound != nullptr && mSound->isOpened(); }

unsigned char KaSoundStreamed::nbChannels() { return mSound ? mSound->nbChannels() : 0; }

unsigned int KaSoundStreamed::frequency() { return mSound ? mSound->frequency() : 0; }

unsigned int KaSoundStreamed::nbBits() { return mSound ? mSound->nbBits() : 0; }

unsigned int KaSoundStreamed::nbSamples() { return mSound ? mSound->nbSamples() : 0; }

void KaSoundStreamed::setDecodeDuration(unsigned int milliseconds)
{
    if (mSound)
        mSound->setDecodeDuration(milliseconds);
}

unsigned int KaSoundStreamed::decodeDuration() { return mSound ? mSound->decodeDuration() : 0; }

bool KaSoundStreamed::decode(unsigned char** chunk, unsigned long& size)
{
    if (!mSound) {
        size = 0;
        if (chunk)
            *chunk = nullptr;
        return false;
    }
    return mSound->decode(chunk, size);
}
