#include "engine/graphics/KaPVR3ZLib.h"

#include "engine/base/KaStd.h"

KaPVR3ZLib::KaPVR3ZLib() : mStream(nullptr), mStreamPosition(0), mHeaderRead(false) {}

KaPVR3ZLib::~KaPVR3ZLib() { release(); }

bool KaPVR3ZLib::matchFormat(const KaPath& path) { return matchExtension(path, "pvr.zlib"); }

bool KaPVR3ZLib::load(const KaPath& path)
{
    mPath = path;
    mHeaderRead = false;
    return openAndReadHeader();
}

bool KaPVR3ZLib::load(KaStream& stream)
{
    // The stream replaces an earlier path: the header reader opens a path
    // whenever it has one.
    mPath = KaPath();
    mFile.close();
    mStream = &stream;
    mStreamPosition = stream.getPos();
    mHeaderRead = false;
    return openAndReadHeader();
}

void KaPVR3ZLib::release()
{
    mInner.release();
    mZLibStream.close();
    mFile.close();
    mHeaderRead = false;
}

bool KaPVR3ZLib::openAndReadHeader()
{
    if (mHeaderRead)
        return true;
    release();

    KaStream* source = nullptr;
    if (mPath.length() != 0) {
        if (!openForReading(mFile, mPath)) {
            KaPrintf("[KaPVR3ZLib::openAndReadHeader] Le fichier : %s n'existe pas.\n", mPath.c_str());
            return false;
        }
        source = &mFile;
    } else if (mStream) {
        mStream->seek(mStreamPosition);
        source = mStream;
    } else {
        return false;
    }

    if (!mZLibStream.open(*source) || !mInner.load(mZLibStream)) {
        release();
        return false;
    }
    mHeaderRead = true;
    return true;
}

bool KaPVR3ZLib::update(unsigned long frame, KaImage& image)
{
    if (!openAndReadHeader())
        return false;
    const bool decoded = mInner.update(frame, image);
    release();
    return decoded;
}

unsigned int KaPVR3ZLib::width() const { return mInner.width(); }

unsigned int KaPVR3ZLib::height() const { return mInner.height(); }

unsigned long KaPVR3ZLib::nbFrames() const { return mInner.nbFrames(); }

KaImageFormat KaPVR3ZLib::imageFormat() const { return mInner.imageFormat(); }

void KaPVR3ZLib::setLeftBorderSize(unsigned int size) { mInner.setLeftBorderSize(size); }

unsigned int KaPVR3ZLib::leftBorderSize() const { return mInner.leftBorderSize(); }

void KaPVR3ZLib::setRightBorderSize(unsigned int size) { mInner.setRightBorderSize(size); }

unsigned int KaPVR3ZLib::rightBorderSize() const { return mInner.rightBorderSize(); }

void KaPVR3ZLib::setBottomBorderSize(unsigned int size) { mInner.setBottomBorderSize(size); }

unsigned int KaPVR3ZLib::bottomBorderSize() const { return mInner.bottomBorderSize(); }

void KaPVR3ZLib::setTopBorderSize(unsigned int size) { mInner.setTopBorderSize(size); }

unsigned int KaPVR3ZLib::topBorderSize() const { return mInner.topBorderSize(); }

float KaPVR3ZLib::frameRate() const { return mInner.frameRate(); }

bool KaPVR3ZLib::isAtEnd() const { return mInner.isAtEnd(); }

KaSignal0Param& KaPVR3ZLib::onVideoFinished() { return mInner.onVideoFinished(); }

void KaPVR3ZLib::setColorKeyActivated(bool activated) { mInner.setColorKeyActivated(activated); }

void KaPVR3ZLib::setColorKey(const KaColor& color) { mInner.setColorKey(color); }

void KaPVR3ZLib::setColorKeyTolerence(float tolerance) { mInner.setColorKeyTolerence(tolerance); }

bool KaPVR3ZLib::save(const KaImage&, KaStream&) const { return false; }

bool KaPVR3ZLib::save(const KaImage&, const KaPath&) const { return false; }
