#include "engine/graphics/KaJpegZLib.h"

KaJpegZLib::KaJpegZLib() : mImplementation(new KaCountedJpegZLib) {}

KaJpegZLib::~KaJpegZLib() = default;

bool KaJpegZLib::load(const KaPath& path) { return mImplementation->load(path); }

bool KaJpegZLib::load(KaStream& stream) { return mImplementation->load(stream); }

void KaJpegZLib::setPathResolved(bool resolved)
{
    KaIVideoCodec::setPathResolved(resolved);
    mImplementation->setPathResolved(resolved);
}

unsigned int KaJpegZLib::width() const { return mImplementation->width(); }

unsigned int KaJpegZLib::height() const { return mImplementation->height(); }

unsigned long KaJpegZLib::nbFrames() const { return mImplementation->nbFrames(); }

KaImageFormat KaJpegZLib::imageFormat() const { return mImplementation->imageFormat(); }

unsigned int KaJpegZLib::leftBorderSize() const { return mImplementation->leftBorderSize(); }

unsigned int KaJpegZLib::rightBorderSize() const { return mImplementation->rightBorderSize(); }

unsigned int KaJpegZLib::bottomBorderSize() const { return mImplementation->bottomBorderSize(); }

unsigned int KaJpegZLib::topBorderSize() const { return mImplementation->topBorderSize(); }

float KaJpegZLib::frameRate() const { return mImplementation->frameRate(); }

bool KaJpegZLib::update(unsigned long frame, KaImage& image) { return mImplementation->update(frame, image); }

KaSignal0Param& KaJpegZLib::onVideoFinished() { return mImplementation->onVideoFinished(); }

void KaJpegZLib::setColorKeyActivated(bool activated) { mImplementation->setColorKeyActivated(activated); }

void KaJpegZLib::setColorKey(const KaColor& color) { mImplementation->setColorKey(color); }

void KaJpegZLib::setColorKeyTolerence(float tolerance) { mImplementation->setColorKeyTolerence(tolerance); }

void KaJpegZLib::release() { mImplementation->release(); }

bool KaJpegZLib::save(const KaImage& image, KaStream& stream) const { return mImplementation->save(image, stream); }

bool KaJpegZLib::save(const KaImage& image, const KaPath& path) const { return mImplementation->save(image, path); }
