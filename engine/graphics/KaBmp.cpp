#include "engine/graphics/KaBmp.h"

#include <climits>
#include <cstring>
#include <memory>
#include <new>

#include "engine/base/KaStd.h"
#include "engine/graphics/KaImage.h"

namespace {

const unsigned int kFileHeaderSize = 14;

unsigned int u16(const unsigned char* p) { return static_cast<unsigned int>(p[0]) | static_cast<unsigned int>(p[1]) << 8; }

unsigned int u32(const unsigned char* p)
{
    return static_cast<unsigned int>(p[0]) | static_cast<unsigned int>(p[1]) << 8
        | static_cast<unsigned int>(p[2]) << 16 | static_cast<unsigned int>(p[3]) << 24;
}

long long s32(const unsigned char* p) { return static_cast<long long>(static_cast<int32_t>(u32(p))); }

bool signatureKnown(const unsigned char* p)
{
    static const char* const kSignatures[] = {"BA", "BM", "CI", "CP", "IC", "PT"};
    for (const char* signature : kSignatures) {
        if (p[0] == static_cast<unsigned char>(signature[0]) && p[1] == static_cast<unsigned char>(signature[1]))
            return true;
    }
    return false;
}

} // namespace

KaBmp::KaBmp() : mStream(nullptr), mStart(0) { reset(); }

KaBmp::~KaBmp() = default;

void KaBmp::reset()
{
    mFileSize = 0;
    mDataOffset = 0;
    mHeaderSize = 0;
    mWidth = 0;
    mHeight = 0;
    mTopDown = false;
    mBitsPerPixel = 0;
    mCompression = 0;
    mPaletteSize = 0;
    mPalette.destroy();
}

bool KaBmp::matchFormat(const KaPath& path) { return matchExtension(path, "bmp"); }

bool KaBmp::load(const KaPath& path)
{
    mStream = nullptr;
    if (!openForReading(mFile, path)) {
        reset();
        return false;
    }
    mStream = &mFile;
    return load();
}

bool KaBmp::load(KaStream& stream)
{
    mFile.close();
    mStream = &stream;
    return load();
}

bool KaBmp::load()
{
    reset();
    if (!mStream)
        return false;
    mStart = mStream->getPos();
    if (!readHeader() || !readPalette()) {
        reset();
        return false;
    }
    // Only stored rows are decoded: a large picture the file is too short
    // for is refused before anything that size is allocated.
    const unsigned long available = KaImage::bytesFrom(*mStream, mStart + mDataOffset);
    if (imageFormat() != NONE && !KaImage::sizeBackedBy(mWidth, mHeight, available, 8, mBitsPerPixel)) {
        KaPrintf("KaBmp::load: picture data missing (%lu bytes for %ux%u)\n", available, mWidth, mHeight);
        reset();
        return false;
    }
    return true;
}

bool KaBmp::readHeader()
{
    // The file header and the size of the information header after it.
    unsigned char header[kFileHeaderSize + 4];
    if (mStream->readData(header, sizeof(header)) != sizeof(header) || !signatureKnown(header))
        return false;
    mFileSize = u32(header + 2);
    mDataOffset = u32(header + 10);
    mHeaderSize = u32(header + 14);

    long long width = 0;
    long long height = 0;
    if (mHeaderSize == 12) {
        // The oldest header: 16-bit width, height, planes and depth.
        unsigned char core[8];
        if (mStream->readData(core, sizeof(core)) != sizeof(core))
            return false;
        width = u16(core);
        height = u16(core + 2);
        mBitsPerPixel = static_cast<unsigned short>(u16(core + 6));
        mCompression = Rgb;
    } else if (mHeaderSize == 40 || mHeaderSize == 108 || mHeaderSize == 124 || mHeaderSize == 240) {
        unsigned char info[16];
        if (mStream->readData(info, sizeof(info)) != sizeof(info))
            return false;
        width = s32(info);
        height = s32(info + 4);
        mBitsPerPixel = static_cast<unsigned short>(u16(info + 10));
        mCompression = u32(info + 12);
    } else {
        return false;
    }

    // A negative height is a picture stored top row first.
    mTopDown = height < 0;
    if (mTopDown)
        height = -height;
    if (width <= 0 || height <= 0 || width > UINT_MAX || height > UINT_MAX)
        return false;
    mWidth = static_cast<unsigned int>(width);
    mHeight = static_cast<unsigned int>(height);
    return KaImage::sizeAllowed(mWidth, mHeight, imageFormat());
}

bool KaBmp::readPalette()
{
    if (mBitsPerPixel > 8)
        return true;
    // Only the entries that lie between the headers and the pixels: a file
    // may store fewer than 2^bits, and the pixels are not colours.
    const unsigned int entryBytes = mHeaderSize == 12 ? 3 : 4;
    const unsigned long start = kFileHeaderSize + mHeaderSize;
    unsigned long count = 1ul << mBitsPerPixel;
    const unsigned long room = mDataOffset > start ? (mDataOffset - start) / entryBytes : 0;
    if (room < count)
        count = room;

    mPalette.create(KaPalette::PlttRgb24);
    if (count == 0)
        return true;
    unsigned char entries[256 * 4];
    if (!mStream->seek(mStart + start) || mStream->readData(entries, count * entryBytes) != count * entryBytes)
        return false;
    for (unsigned long i = 0; i < count; ++i) {
        const unsigned char* entry = entries + i * entryBytes;
        const unsigned char alpha = entryBytes == 4 ? entry[3] : 255;
        mPalette.setColor(static_cast<unsigned char>(i), KaColor(entry[2], entry[1], entry[0], alpha));
    }
    mPaletteSize = static_cast<unsigned int>(count);
    return true;
}

KaImageFormat KaBmp::imageFormat() const
{
    if (mCompression != Rgb)
        return NONE;
    switch (mBitsPerPixel) {
    case 8:
        return PALETTE8;
    case 16:
        return RGB565;
    case 24:
        return RGB888;
    case 32:
        return RGBA8888;
    default:
        return NONE;
    }
}

bool KaBmp::update(unsigned long, KaImage& image)
{
    if (!mStream || mWidth == 0)
        return false;
    switch (mBitsPerPixel) {
    case 1:
    case 4:
        if (mBitsPerPixel == 4 && mCompression == Rle4)
            KaPrintf("BI_RLE4 n'est pas géré.\n");
        return false;
    case 8:
        if (mCompression == Rle8)
            KaPrintf("BI_RLE8 n'est pas géré.\n");
        break;
    case 16:
    case 32:
        if (mCompression == BitFields)
            KaPrintf("BI_BITFIELDS n'est pas géré.\n");
        break;
    case 24:
        break;
    default:
        return false;
    }
    if (mCompression != Rgb)
        return false;
    if (!imageFits(image)) {
        KaPrintf("[KaBmp::update] The image does not fit a %ux%u picture of format %d.\n", mWidth, mHeight,
            static_cast<int>(imageFormat()));
        return false;
    }
    return readRows(image, mBitsPerPixel / 8);
}

bool KaBmp::readRows(KaImage& image, unsigned int bytesPerPixel)
{
    // Stored rows are padded to a multiple of 4 bytes.
    const unsigned long storedBytes = (static_cast<unsigned long>(mBitsPerPixel) * mWidth + 31) / 32 * 4;
    std::unique_ptr<unsigned char[]> stored(new (std::nothrow) unsigned char[storedBytes]);
    if (!stored || !mStream->seek(mStart + mDataOffset))
        return false;

    const bool imageTopFirst = image.flipped();
    for (unsigned int r = 0; r < mHeight; ++r) {
        if (mStream->readData(stored.get(), storedBytes) != storedBytes)
            return false;
        // Stored rows run from the bottom of the picture up, unless the height
        // was negative.
        const unsigned int fromTop = mTopDown ? r : mHeight - 1 - r;
        const unsigned int row = imageTopFirst ? fromTop : mHeight - 1 - fromTop;
        unsigned char* out = image.row(row);
        const unsigned char* in = stored.get();
        switch (bytesPerPixel) {
        case 1:
            std::memcpy(out, in, mWidth);
            break;
        case 2:
            // x1r5g5b5 words to the engine's RGB565 (red in the low bits).
            for (unsigned int c = 0; c < mWidth; ++c, in += 2, out += 2) {
                const unsigned int word = u16(in);
                const unsigned int red = (word >> 10) & 31;
                const unsigned int green = (word >> 5) & 31;
                const unsigned int blue = word & 31;
                const unsigned int packed = red | ((green << 1) | (green >> 4)) << 5 | blue << 11;
                out[0] = static_cast<unsigned char>(packed);
                out[1] = static_cast<unsigned char>(packed >> 8);
            }
            break;
        case 3:
            for (unsigned int c = 0; c < mWidth; ++c, in += 3, out += 3) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
            }
            break;
        default:
            for (unsigned int c = 0; c < mWidth; ++c, in += 4, out += 4) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
                out[3] = in[3];
            }
            break;
        }
        image.padRow(row);
    }
    // Textures sample past the picture's edge: the spare rows repeat it.
    image.padRows();
    return true;
}

bool KaBmp::save(const KaImage&, KaStream&) const { return false; }

bool KaBmp::save(const KaImage&, const KaPath&) const { return false; }
