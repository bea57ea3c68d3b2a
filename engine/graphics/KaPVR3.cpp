#include "engine/graphics/KaPVR3.h"

#include "engine/base/KaStd.h"
#include "engine/graphics/KaImage.h"

namespace {

unsigned int word(const unsigned char* bytes, unsigned int offset)
{
    const unsigned char* p = bytes + offset;
    return static_cast<unsigned int>(p[0]) | static_cast<unsigned int>(p[1]) << 8
        | static_cast<unsigned int>(p[2]) << 16 | static_cast<unsigned int>(p[3]) << 24;
}

bool formatOf(unsigned int pixelFormat, KaImageFormat& format)
{
    switch (pixelFormat) {
    case 0:
        format = PVRTC2_RGB;
        return true;
    case 1:
        format = PVRTC2_RGBA;
        return true;
    case 2:
        format = PVRTC4_RGB;
        return true;
    case 3:
        format = PVRTC4_RGBA;
        return true;
    case 6:
        format = ETC1;
        return true;
    default:
        return false;
    }
}

} // namespace

KaPVR3::KaPVR3()
    : mStream(nullptr),
      mStreamPosition(0),
      mHeaderRead(false),
      mLeftBorder(0),
      mRightBorder(0),
      mBottomBorder(0),
      mTopBorder(0),
      mWidth(0),
      mHeight(0),
      mFormat(NONE)
{
}

KaPVR3::~KaPVR3() { release(); }

bool KaPVR3::matchFormat(const KaPath& path) { return matchExtension(path, "pvr"); }

bool KaPVR3::load(const KaPath& path)
{
    mPath = path;
    mHeaderRead = false;
    return openAndReadHeader();
}

bool KaPVR3::load(KaStream& stream)
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

void KaPVR3::release()
{
    mFile.close();
    mHeaderRead = false;
}

bool KaPVR3::openAndReadHeader()
{
    if (mHeaderRead)
        return true;
    mFile.close();
    mLeftBorder = 0;
    mRightBorder = 0;
    mBottomBorder = 0;
    mTopBorder = 0;
    mWidth = 0;
    mHeight = 0;
    mFormat = NONE;

    if (mPath.length() != 0) {
        if (!openForReading(mFile, mPath)) {
            KaPrintf("[KaPVR3::LoadFromFile] Le fichier : %s n'existe pas.\n", mPath.c_str());
            return false;
        }
        mStream = &mFile;
    } else if (mStream) {
        mStream->seek(mStreamPosition);
    } else {
        return false;
    }

    unsigned char header[mHeaderSize];
    if (mStream->readData(header, mHeaderSize) != mHeaderSize) {
        KaPrintf("KaPVR3::openAndReadHeader: read error %s\n", mPath.c_str());
        release();
        return false;
    }
    KaImageFormat format = NONE;
    if (!formatOf(word(header, 8), format)) {
        KaPrintf("KaPVR3::openAndReadHeader: unknown format %s\n", mPath.c_str());
        release();
        return false;
    }
    const unsigned int height = word(header, 24);
    const unsigned int width = word(header, 28);
    if (!KaImage::sizeAllowed(width, height, format)) {
        KaPrintf("KaPVR3::openAndReadHeader: picture too large (%ux%u) %s\n", width, height, mPath.c_str());
        release();
        return false;
    }
    // Metadata longer than the file leaves nothing to read the picture from.
    const unsigned int metadataSize = word(header, 48);
    if (metadataSize != 0 && !mStream->seek(mStream->getPos() + metadataSize)) {
        KaPrintf("KaPVR3::openAndReadHeader: read error %s\n", mPath.c_str());
        release();
        return false;
    }
    // The blocks are stored as they are: a large picture the file is too
    // short for is refused before anything that size is allocated.
    const unsigned long available = KaImage::bytesFrom(*mStream, mStream->getPos());
    if (!KaImage::sizeBackedBy(width, height, available, 8, KaImageFormatBits(format))) {
        KaPrintf("KaPVR3::openAndReadHeader: picture data missing (%lu of %lu bytes) %s\n", available,
            static_cast<unsigned long>(width) * height * KaImageFormatBits(format) / 8, mPath.c_str());
        release();
        return false;
    }
    mWidth = width;
    mHeight = height;
    mFormat = format;
    mHeaderRead = true;
    return true;
}

bool KaPVR3::update(unsigned long, KaImage& image)
{
    if (!openAndReadHeader())
        return false;
    const unsigned long pictureBytes = static_cast<unsigned long>(mWidth) * mHeight * KaImageFormatBits(mFormat) / 8;
    if (!imageFits(image) || pictureBytes > image.bufferSize()) {
        KaPrintf("[KaPVR3::update] The image does not fit a %ux%u picture of format %d (%s).\n", mWidth, mHeight,
            static_cast<int>(mFormat), mPath.c_str());
        release();
        return false;
    }
    const bool read = mStream->readData(image.buffer(), pictureBytes) == pictureBytes;
    if (!read)
        KaPrintf("KaPVR3::update: read error %s\n", mPath.c_str());
    release();
    return read;
}

bool KaPVR3::save(const KaImage&, KaStream&) const { return false; }

bool KaPVR3::save(const KaImage&, const KaPath&) const { return false; }
