#include "engine/graphics/KaTga.h"


#include "engine/base/KaStd.h"
#include "engine/graphics/KaImage.h"

namespace {

const unsigned int kMaxPaletteEntries = 256;
// Image types 9 to 11 are the run-length forms of 1 to 3.
const unsigned char kRunLengthType = 8;
// Descriptor bit: the first stored row is the top one.
const unsigned char kTopOrigin = 0x20;

unsigned int u16(const unsigned char* p) { return static_cast<unsigned int>(p[0]) | static_cast<unsigned int>(p[1]) << 8; }

// 5 bits widened to 8, the top bits repeated into the low ones.
unsigned char widen5(unsigned int value) { return static_cast<unsigned char>((value << 3) | (value >> 2)); }

} // namespace

KaTga::KaTga() : mStream(nullptr), mStart(0) { reset(); }

KaTga::~KaTga() = default;

void KaTga::reset()
{
    mPixelStart = 0;
    mIdLength = 0;
    mColourMapType = 0;
    mImageType = 0;
    mColourMapLength = 0;
    mColourMapEntrySize = 0;
    mWidth = 0;
    mHeight = 0;
    mBitsPerPixel = 0;
    mDescriptor = 0;
    mPaletteData = nullptr;
    mPalette.destroy();
}

bool KaTga::matchFormat(const KaPath& path) { return matchExtension(path, "tga"); }

bool KaTga::load(const KaPath& path)
{
    mStream = nullptr;
    if (!openForReading(mFile, path)) {
        reset();
        return false;
    }
    mStream = &mFile;
    return load();
}

bool KaTga::load(KaStream& stream)
{
    mFile.close();
    mStream = &stream;
    return load();
}

bool KaTga::load()
{
    reset();
    if (!mStream)
        return false;
    mStart = mStream->getPos();
    if (!readHeader() || !readColourMap()) {
        reset();
        return false;
    }
    // Pixels are stored as they are: a large picture the file is too short
    // for is refused before anything that size is allocated.
    const unsigned long available = KaImage::bytesFrom(*mStream, mPixelStart);
    if (imageFormat() != NONE && !KaImage::sizeBackedBy(mWidth, mHeight, available, 8, mBitsPerPixel)) {
        KaPrintf("KaTga::load: picture data missing (%lu bytes for %ux%u)\n", available, mWidth, mHeight);
        reset();
        return false;
    }
    return true;
}

bool KaTga::readHeader()
{
    unsigned char header[mHeaderSize];
    if (mStream->readData(header, mHeaderSize) != mHeaderSize)
        return false;
    mIdLength = header[0];
    mColourMapType = header[1];
    mImageType = header[2];
    mColourMapLength = u16(header + 5);
    mColourMapEntrySize = header[7];
    mWidth = u16(header + 12);
    mHeight = u16(header + 14);
    mBitsPerPixel = header[16];
    mDescriptor = header[17];
    return KaImage::sizeAllowed(mWidth, mHeight, imageFormat());
}

bool KaTga::readColourMap()
{
    if (!mStream->seek(mStart + mHeaderSize + mIdLength))
        return false;
    if (mColourMapType != 0) {
        const unsigned int entryBytes = (mColourMapEntrySize + 7u) / 8u;
        unsigned int kept = mColourMapLength < kMaxPaletteEntries ? mColourMapLength : kMaxPaletteEntries;
        KaPalette::PlttFormat format = KaPalette::PlttNone;
        switch (mColourMapEntrySize) {
        case 15:
            format = KaPalette::PlttRgb15;
            break;
        case 16:
            format = KaPalette::PlttRgb16;
            break;
        case 24:
            format = KaPalette::PlttRgb24;
            break;
        case 32:
            format = KaPalette::PlttRgba32;
            break;
        default:
            // An entry size the palette cannot hold: the map is only skipped.
            kept = 0;
            break;
        }
        if (kept != 0) {
            unsigned char entries[kMaxPaletteEntries * 4];
            if (mStream->readData(entries, kept * entryBytes) != kept * entryBytes)
                return false;
            mPalette.create(format);
            for (unsigned int i = 0; i < kept; ++i) {
                const unsigned char* entry = entries + i * entryBytes;
                KaColor colour;
                if (entryBytes == 2) {
                    // a1r5g5b5, little-endian.
                    const unsigned int word = u16(entry);
                    colour = KaColor(widen5((word >> 10) & 31), widen5((word >> 5) & 31), widen5(word & 31), 255);
                } else {
                    colour = KaColor(entry[2], entry[1], entry[0], entryBytes == 4 ? entry[3] : 255);
                }
                mPalette.setColor(static_cast<unsigned char>(i), colour);
            }
            mPaletteData = mPalette.data();
        }
        // Entries the palette has no room for are stepped over, so that the
        // pixels are read from where they are.
        const unsigned long skipped = static_cast<unsigned long>(mColourMapLength - kept) * entryBytes;
        if (skipped != 0 && !mStream->seek(mStream->getPos() + skipped))
            return false;
    }
    mPixelStart = mStream->getPos();
    return true;
}

KaImageFormat KaTga::imageFormat() const
{
    if (mImageType & kRunLengthType)
        return NONE;
    switch (mBitsPerPixel) {
    case 8:
        if (mColourMapEntrySize == 15 || mColourMapEntrySize == 16 || mColourMapEntrySize == 24
            || mColourMapEntrySize == 32)
            return PALETTE8;
        return NONE;
    case 16:
        return RGB555;
    case 24:
        return RGB888;
    case 32:
        return RGBA8888;
    default:
        return NONE;
    }
}

bool KaTga::update(unsigned long, KaImage& image)
{
    if (!mStream || imageFormat() == NONE)
        return false;
    if (!imageFits(image)) {
        KaPrintf("[KaTga::update] The image does not fit a %ux%u picture of format %d.\n", mWidth, mHeight,
            static_cast<int>(imageFormat()));
        return false;
    }
    if (!mStream->seek(mPixelStart))
        return false;
    const bool imageTopFirst = image.flipped();
    const bool fileTopFirst = (mDescriptor & kTopOrigin) != 0;

    const unsigned int bytesPerPixel = mBitsPerPixel / 8;
    const unsigned long rowBytes = static_cast<unsigned long>(mWidth) * bytesPerPixel;
    for (unsigned int r = 0; r < mHeight; ++r) {
        const unsigned int fromTop = fileTopFirst ? r : mHeight - 1 - r;
        const unsigned int row = imageTopFirst ? fromTop : mHeight - 1 - fromTop;
        unsigned char* out = image.row(row);
        if (mStream->readData(out, rowBytes) != rowBytes)
            return false;
        if (bytesPerPixel == 2) {
            // a1r5g5b5 to the engine's RGB555 (red in the low bits).
            for (unsigned int c = 0; c < mWidth; ++c, out += 2) {
                const unsigned int word = u16(out);
                const unsigned int packed = ((word >> 10) & 31) | (word & (31u << 5)) | (word & 31) << 10;
                out[0] = static_cast<unsigned char>(packed);
                out[1] = static_cast<unsigned char>(packed >> 8);
            }
        } else if (bytesPerPixel >= 3) {
            for (unsigned int c = 0; c < mWidth; ++c, out += bytesPerPixel) {
                const unsigned char blue = out[0];
                out[0] = out[2];
                out[2] = blue;
            }
        }
        image.padRow(row);
    }
    // Textures sample past the picture's edge: the spare rows repeat it.
    image.padRows();
    return true;
}

bool KaTga::save(const KaImage&, KaStream&) const { return false; }

bool KaTga::save(const KaImage&, const KaPath&) const { return false; }
