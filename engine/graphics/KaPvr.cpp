#include "engine/graphics/KaPvr.h"

#include <cstring>

#include "engine/base/KaStd.h"
#include "engine/core/KaFile.h"
#include "engine/graphics/KaImage.h"

namespace {

const unsigned int kFlagsHasBorder = 0x800;
const unsigned int kPixelTypePvrtc2 = 0x18;
const unsigned int kPixelTypePvrtc4 = 0x19;

unsigned int word(const unsigned char* bytes, unsigned int offset)
{
    const unsigned char* p = bytes + offset;
    return static_cast<unsigned int>(p[0]) | static_cast<unsigned int>(p[1]) << 8
        | static_cast<unsigned int>(p[2]) << 16 | static_cast<unsigned int>(p[3]) << 24;
}

} // namespace

KaPvr::KaPvr() { reset(); }

KaPvr::~KaPvr() = default;

void KaPvr::reset()
{
    mWidth = 0;
    mHeight = 0;
    mFormat = NONE;
    mLeftBorder = 0;
    mRightBorder = 0;
    mBottomBorder = 0;
    mTopBorder = 0;
    mStream = nullptr;
}

void KaPvr::release() { mData.release(); }

bool KaPvr::load(const KaPath& path)
{
    release();
    reset();
    KaFile file;
    if (!openForReading(file, path)) {
        KaPrintf("[KaPvr::LoadFromFile] Le fichier : %s n'existe pas.\n", path.c_str());
        return false;
    }
    const bool loaded = load(file);
    // The stream was the local file: nothing may point at it any more.
    mStream = nullptr;
    return loaded;
}

bool KaPvr::load(KaStream& stream)
{
    release();
    reset();
    mStream = &stream;

    switch (mData.unpack(stream)) {
    case KaPackedBlock::Unpacked:
        break;
    case KaPackedBlock::UncompressError:
        KaPrintf("KaPvr::LoadFromStream: uncompress error\n");
        return false;
    case KaPackedBlock::SizeError:
        KaPrintf("KaPvr::LoadFromStream: wrong packed or unpacked size\n");
        return false;
    case KaPackedBlock::ReadError:
        KaPrintf("KaPvr::LoadFromStream: read error\n");
        return false;
    }
    if (mData.size() < mHeaderSize) {
        KaPrintf("KaPvr::LoadFromStream: header missing (%lu bytes)\n", mData.size());
        release();
        return false;
    }

    const unsigned char* header = mData.data();
    const unsigned int height = word(header, 4);
    const unsigned int width = word(header, 8);
    const unsigned int flags = word(header, 16);
    const unsigned int alphaMask = word(header, 40);
    const unsigned int pixelType = flags & 0xFF;

    KaImageFormat format = NONE;
    if (pixelType == kPixelTypePvrtc4 && alphaMask == 1)
        format = PVRTC4_RGBA;
    else if (pixelType == kPixelTypePvrtc4 && alphaMask == 0)
        format = PVRTC4_RGB;
    else if (pixelType == kPixelTypePvrtc2 && alphaMask == 1)
        format = PVRTC2_RGBA;
    else if (pixelType == kPixelTypePvrtc2 && alphaMask == 0)
        format = PVRTC2_RGB;

    if (!KaImage::sizeAllowed(width, height, format)) {
        KaPrintf("KaPvr::LoadFromStream: picture too large (%ux%u)\n", width, height);
        release();
        return false;
    }
    const unsigned long pixels = static_cast<unsigned long>(width) * height;
    const unsigned long pictureBytes = pixels * KaImageFormatBits(format) / 8;
    if (pictureBytes > mData.size() - mHeaderSize) {
        KaPrintf("KaPvr::LoadFromStream: picture data missing (%lu of %lu bytes)\n", mData.size() - mHeaderSize,
            pictureBytes);
        release();
        return false;
    }

    mWidth = width;
    mHeight = height;
    mFormat = format;
    if (flags & kFlagsHasBorder) {
        if (format == PVRTC4_RGB || format == PVRTC4_RGBA) {
            mLeftBorder = mRightBorder = mBottomBorder = mTopBorder = 4;
        } else if (format == PVRTC2_RGB || format == PVRTC2_RGBA) {
            mLeftBorder = mRightBorder = 8;
            mBottomBorder = mTopBorder = 4;
        }
    }
    return true;
}

bool KaPvr::update(unsigned long, KaImage& image)
{
    if (mData.empty())
        return false;
    const unsigned long pictureBytes = static_cast<unsigned long>(mWidth) * mHeight * KaImageFormatBits(mFormat) / 8;
    if (!imageFits(image) || pictureBytes > image.bufferSize()) {
        KaPrintf("[KaPvr::update] The image does not fit a %ux%u picture of format %d.\n", mWidth, mHeight,
            static_cast<int>(mFormat));
        return false;
    }
    if (pictureBytes != 0)
        std::memcpy(image.buffer(), mData.data() + mHeaderSize, pictureBytes);
    image.setLeftBorder(mLeftBorder);
    image.setRightBorder(mRightBorder);
    image.setBottomBorder(mBottomBorder);
    image.setTopBorder(mTopBorder);
    return true;
}

bool KaPvr::save(const KaImage&, KaStream&) const { return false; }

bool KaPvr::save(const KaImage&, const KaPath&) const { return false; }
