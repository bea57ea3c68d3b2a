#include "engine/color/KaPalette.h"

#include <cstring>

#include "engine/base/KaStd.h"
#include "engine/core/KaStream.h"

namespace {

const unsigned int kEntryCount = 256;

unsigned short readWord(const unsigned char* entry) { return static_cast<unsigned short>(entry[0] | (entry[1] << 8)); }

void writeWord(unsigned char* entry, unsigned short word)
{
    entry[0] = static_cast<unsigned char>(word & 0xFF);
    entry[1] = static_cast<unsigned char>(word >> 8);
}

unsigned char* newBlock(unsigned int size)
{
    if (size == 0)
        return nullptr;
    unsigned char* block = new unsigned char[size];
    std::memset(block, 0, size);
    return block;
}

} // namespace

KaPalette::KaPalette()
    : mFormat(PlttNone)
    , mData(nullptr)
{
}

KaPalette::KaPalette(const KaPalette& other)
    : KaObject(other)
    , KaResource(other)
    , KaSerialize(other)
    , mFormat(PlttNone)
    , mData(nullptr)
{
    create(other.mFormat);
    if (!other.mData)
        destroy();
    else if (mData)
        std::memcpy(mData, other.mData, getDataSize());
}

KaPalette::~KaPalette() { destroy(); }

void KaPalette::create(PlttFormat format)
{
    destroy();
    mFormat = format;
    mData = newBlock(getDataSize());
}

void KaPalette::create() { destroy(); }

void KaPalette::destroy()
{
    delete[] mData;
    mData = nullptr;
}

unsigned int KaPalette::getDataSize() const { return dataSizeOf(mFormat); }

unsigned int KaPalette::dataSizeOf(PlttFormat format)
{
    switch (format) {
    case PlttRgb15:
    case PlttRgb16:
        return 2 * kEntryCount;
    case PlttRgb24:
        return 3 * kEntryCount;
    case PlttRgba32:
        return 4 * kEntryCount;
    default:
        return 0;
    }
}

void KaPalette::setColor(unsigned char index, const KaColor& color)
{
    if (!mData)
        return;
    switch (mFormat) {
    case PlttRgb15:
        writeWord(mData + 2 * index, KaColor::rgb24to15(color.r, color.g, color.b));
        break;
    case PlttRgb16:
        writeWord(mData + 2 * index, KaColor::rgb24to16(color.r, color.g, color.b));
        break;
    case PlttRgb24:
        mData[3 * index] = color.r;
        mData[3 * index + 1] = color.g;
        mData[3 * index + 2] = color.b;
        break;
    case PlttRgba32:
        mData[4 * index] = color.r;
        mData[4 * index + 1] = color.g;
        mData[4 * index + 2] = color.b;
        mData[4 * index + 3] = color.a;
        break;
    default:
        break;
    }
}

KaColor KaPalette::getColor(unsigned char index) const
{
    if (!mData)
        return KaColor();
    switch (mFormat) {
    case PlttRgb15: {
        const unsigned short word = readWord(mData + 2 * index);
        return KaColor(static_cast<unsigned char>((word & 0x1F) << 3),
            static_cast<unsigned char>(((word >> 5) & 0x1F) << 3),
            static_cast<unsigned char>(((word >> 10) & 0x1F) << 3), 255);
    }
    case PlttRgb16: {
        const unsigned short word = readWord(mData + 2 * index);
        return KaColor(static_cast<unsigned char>((word & 0x1F) << 3),
            static_cast<unsigned char>(((word >> 5) & 0x3F) << 2),
            static_cast<unsigned char>(((word >> 11) & 0x1F) << 3), 255);
    }
    case PlttRgb24:
        return KaColor(mData[3 * index], mData[3 * index + 1], mData[3 * index + 2], 255);
    case PlttRgba32:
        return KaColor(mData[4 * index], mData[4 * index + 1], mData[4 * index + 2], mData[4 * index + 3]);
    default:
        return KaColor();
    }
}

bool KaPalette::load(const KaPath&) { return false; }

unsigned long KaPalette::serialize(KaStream& stream)
{
    const unsigned int size = getDataSize();
    unsigned long written = stream.write(size);
    if (size == 0)
        return written;
    if (mData) {
        written += stream.writeData(mData, size);
    } else {
        const unsigned char zeros[4 * kEntryCount] = {};
        written += stream.writeData(zeros, size);
    }
    return written;
}

unsigned long KaPalette::deSerialize(KaStream& stream)
{
    unsigned int size = 0;
    const unsigned int fieldBytes = stream.read(size);
    const bool fieldRead = stream.mode() == KaStream::Binary ? fieldBytes == sizeof(size) : fieldBytes != 0;
    if (!fieldRead) {
        KaPrintf("[KaPalette::deSerialize] Can't read the size of the palette.\n");
        return 0;
    }
    // The record does not carry the format: a size that is not this
    // palette's would leave entries outside the block or uninitialised.
    const unsigned int expected = getDataSize();
    if (size != expected) {
        KaPrintf("[KaPalette::deSerialize] Wrong palette size %u, %u expected.\n", size, expected);
        return 0;
    }
    unsigned char* block = newBlock(size);
    const unsigned int got = size ? stream.readData(block, size) : 0;
    if (got < size) {
        KaPrintf("[KaPalette::deSerialize] The stream ends %u bytes into a palette of %u bytes.\n", got, size);
        delete[] block;
        return got;
    }
    destroy();
    mData = block;
    return got;
}

void KaPalette::convertToBlackAndWhite()
{
    if (mFormat != PlttRgb15) {
        KaPrintf("KaPalette::convertToBlackAndWhite: unknown format\n");
        return;
    }
    if (!mData)
        return;
    for (unsigned int i = 0; i < kEntryCount; ++i) {
        unsigned char* entry = mData + 2 * i;
        // The sum is the same whichever field is taken for red, so decoding
        // with the high-red constructor gives the right grey.
        const KaColor color(readWord(entry));
        const unsigned char grey = static_cast<unsigned char>((color.r + color.g + color.b) / 3);
        writeWord(entry, KaColor::rgb32to16(grey, grey, grey, color.a));
    }
}
