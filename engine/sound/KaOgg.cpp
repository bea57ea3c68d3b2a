#include "engine/sound/KaOgg.h"

#include "engine/sound/KaOggImplementation.h"

KaOgg::KaOgg()
    : mDecoder(new KaCountedOgg())
{
}

KaOgg::KaOgg(const KaOgg& other)
    : KaISound()
    , mDecoder(other.mDecoder)
{
}

KaOgg& KaOgg::operator=(const KaOgg& other)
{
    mDecoder = other.mDecoder;
    return *this;
}

KaOgg::~KaOgg() = default;

bool KaOgg::open(const KaPath& path) { return mDecoder->open(path); }

void KaOgg::close() { mDecoder->close(); }

bool KaOgg::isOpened() const { return mDecoder->isOpened(); }

unsigned char KaOgg::nbChannels() { return mDecoder->nbChannels(); }

unsigned int KaOgg::frequency() { return mDecoder->frequency(); }

unsigned int KaOgg::nbBits() { return mDecoder->nbBits(); }

unsigned int KaOgg::nbSamples() { return mDecoder->nbSamples(); }

void KaOgg::setDecodeDuration(unsigned int milliseconds) { mDecoder->setDecodeDuration(milliseconds); }

unsigned int KaOgg::decodeDuration() { return mDecoder->decodeDuration(); }

bool KaOgg::decode(unsigned char** chunk, unsigned long& size) { return mDecoder->decode(chunk, size); }

unsigned char* KaOgg::data(unsigned long& size) { return mDecoder->data(size); }
