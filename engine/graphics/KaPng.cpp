#include "engine/graphics/KaPng.h"

KaPng::KaPng()
    : mImplementation(new KaCountedPng())
{
}

KaPng::~KaPng() = default;

bool KaPng::matchFormat(const KaPath& path) { return KaPngImplementation::matchFormat(path); }

bool KaPng::load(const KaPath& path) { return mImplementation->load(path); }

bool KaPng::load(KaStream& stream) { return mImplementation->load(stream); }

void KaPng::setPathResolved(bool resolved)
{
    KaIVideoCodec::setPathResolved(resolved);
    mImplementation->setPathResolved(resolved);
}

unsigned int KaPng::width() const { return mImplementation->width(); }

unsigned int KaPng::height() const { return mImplementation->height(); }

unsigned long KaPng::nbFrames() const { return mImplementation->nbFrames(); }

KaImageFormat KaPng::imageFormat() const { return mImplementation->imageFormat(); }

float KaPng::frameRate() const { return mImplementation->frameRate(); }

bool KaPng::update(unsigned long frame, KaImage& image) { return mImplementation->update(frame, image); }

bool KaPng::isAtEnd() const { return mImplementation->isAtEnd(); }

KaSignal0Param& KaPng::onVideoFinished() { return mImplementation->onVideoFinished(); }

void KaPng::release() { mImplementation->release(); }

bool KaPng::save(const KaImage& image, KaStream& stream) const { return mImplementation->save(image, stream); }

bool KaPng::save(const KaImage& image, const KaPath& path) const { return mImplementation->save(image, path); }
