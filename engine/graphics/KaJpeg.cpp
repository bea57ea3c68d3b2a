#include "engine/graphics/KaJpeg.h"

KaJpeg::KaJpeg() : mImplementation(new KaCountedJpeg) {}

KaJpeg::~KaJpeg() = default;

bool KaJpeg::matchFormat(const KaPath& path) { return KaJpegImplementation::matchFormat(path); }

bool KaJpeg::load(const KaPath& path) { return mImplementation->load(path); }

bool KaJpeg::load(KaStream& stream) { return mImplementation->load(stream); }

void KaJpeg::setPathResolved(bool resolved)
{
    KaIVideoCodec::setPathResolved(resolved);
    mImplementation->setPathResolved(resolved);
}

unsigned int KaJpeg::width() const { return mImplementation->width(); }

unsigned int KaJpeg::height() const { return mImplementation->height(); }

unsigned long KaJpeg::nbFrames() const { return mImplementation->nbFrames(); }

KaImageFormat KaJpeg::imageFormat() const { return mImplementation->imageFormat(); }

void KaJpeg::setLeftBorderSize(unsigned int size) { mImplementation->setLeftBorderSize(size); }

unsigned int KaJpeg::leftBorderSize() const { return mImplementation->leftBorderSize(); }

void KaJpeg::setRightBorderSize(unsigned int size) { mImplementation->setRightBorderSize(size); }

unsigned int KaJpeg::rightBorderSize() const { return mImplementation->rightBorderSize(); }

void KaJpeg::setBottomBorderSize(unsigned int size) { mImplementation->setBottomBorderSize(size); }

unsigned int KaJpeg::bottomBorderSize() const { return mImplementation->bottomBorderSize(); }

void KaJpeg::setTopBorderSize(unsigned int size) { mImplementation->setTopBorderSize(size); }

unsigned int KaJpeg::topBorderSize() const { return mImplementation->topBorderSize(); }

float KaJpeg::frameRate() const { return mImplementation->frameRate(); }

bool KaJpeg::update(unsigned long frame, KaImage& image) { return mImplementation->update(frame, image); }

bool KaJpeg::isAtEnd() const { return mImplementation->isAtEnd(); }

KaSignal0Param& KaJpeg::onVideoFinished() { return mImplementation->onVideoFinished(); }

void KaJpeg::setColorKeyActivated(bool activated) { mImplementation->setColorKeyActivated(activated); }

void KaJpeg::setColorKey(const KaColor& color) { mImplementation->setColorKey(color); }

void KaJpeg::setColorKeyTolerence(float tolerance) { mImplementation->setColorKeyTolerence(tolerance); }

void KaJpeg::release() { mImplementation->release(); }

bool KaJpeg::save(const KaImage& image, KaStream& stream) const { return mImplementation->save(image, stream); }

bool KaJpeg::save(const KaImage& image, const KaPath& path) const { return mImplementation->save(image, path); }
