#include "engine/graphics/KaImage.h"

#include <cstring>
#include <new>

#include "engine/base/KaStd.h"
#include "engine/core/KaBaseFile.h"
#include "engine/core/KaCore.h"
#include "engine/core/KaStream.h"
#include "engine/graphics/KaIVideoCodec.h"
#include "engine/graphics/KaImageCodecs.h"
#include "engine/graphics/KaPngImplementation.h"

namespace {

const char* const kBmpDeprecatedLoad
    = "[KaImage::load] Le format BMP est deprecated, l'image risque d'etre a l'envers\n";
const char* const kBmpDeprecatedSupported
    = "[KaImage::isExtensionSupported] Le format BMP est deprecated, l'image risque d'etre a l'envers\n";

// Bytes per pixel of the uncompressed formats whose pixels can be addressed
// one by one; 0 for the compressed formats and NONE.
unsigned int pixelBytes(KaImageFormat format)
{
    const unsigned int bits = KaImageFormatBits(format);
    return bits >= 8 ? bits / 8 : 0;
}

bool isCompressed(KaImageFormat format)
{
    return format == PVRTC2_RGB || format == PVRTC2_RGBA || format == PVRTC4_RGB || format == PVRTC4_RGBA
        || format == ETC1;
}

// Bytes of the picture's own pixels as serialised: the rows without padding,
// or the compressed blocks.
unsigned long pictureBytes(unsigned int width, unsigned int height, KaImageFormat format)
{
    return static_cast<unsigned long>(width) * height * KaImageFormatBits(format) / 8;
}

void writePixel(unsigned char* pixel, KaImageFormat format, const KaColor& color)
{
    switch (format) {
    case RGB888:
        pixel[0] = color.r;
        pixel[1] = color.g;
        pixel[2] = color.b;
        break;
    case RGBA8888:
        pixel[0] = color.r;
        pixel[1] = color.g;
        pixel[2] = color.b;
        pixel[3] = color.a;
        break;
    case BGR888:
        pixel[0] = color.b;
        pixel[1] = color.g;
        pixel[2] = color.r;
        break;
    case GREY8:
        pixel[0] = static_cast<unsigned char>((color.r + color.g + color.b) / 3);
        break;
    default:
        break;
    }
}

bool plotsFormat(KaImageFormat format)
{
    return format == RGB888 || format == RGBA8888 || format == BGR888 || format == GREY8;
}

} // namespace

KaImage::KaImage()
    : mUserFlag(false)
    , mUserFlag2(true)
    , mFormat(NONE)
    , mWidth(0)
    , mHeight(0)
    , mBufferWidth(0)
    , mBufferHeight(0)
    , mLeftBorder(0)
    , mRightBorder(0)
    , mBottomBorder(0)
    , mTopBorder(0)
    , mBuffer(nullptr)
    , mChanged(false)
    , mFlipped(false)
{
}

KaImage::KaImage(const KaImage& other)
    : KaObject(other)
    , KaResource(other)
    , KaSerialize(other)
    , mUserFlag(other.mUserFlag)
    , mUserFlag2(other.mUserFlag2)
    , mFormat(other.mFormat)
    , mWidth(other.mWidth)
    , mHeight(other.mHeight)
    , mBufferWidth(other.mBufferWidth)
    , mBufferHeight(other.mBufferHeight)
    , mLeftBorder(other.mLeftBorder)
    , mRightBorder(other.mRightBorder)
    , mBottomBorder(other.mBottomBorder)
    , mTopBorder(other.mTopBorder)
    , mBuffer(nullptr)
    , mChanged(true)
    // A copy keeps its row order, or its texture would come out upside down.
    , mFlipped(other.mFlipped)
{
    const unsigned long bytes = bufferSize();
    if (other.mBuffer && bytes > 0) {
        mBuffer = new unsigned char[bytes];
        std::memcpy(mBuffer, other.mBuffer, bytes);
    }
    KaPath base = other.getAccessName();
    const KaString extension = base.extension();
    base.removeExtension();
    KaString name;
    name.format("%s_cpy%p.%s", base.c_str(), static_cast<const void*>(this), extension.c_str());
    setAccessName(KaPath(name));
}

KaImage::~KaImage() { delete[] mBuffer; }

void KaImage::create()
{
    mUserFlag2 = true;
    mFlipped = false;
    mBuffer = nullptr;
    destroy();
}

void KaImage::destroy()
{
    delete[] mBuffer;
    mBuffer = nullptr;
    mFormat = NONE;
    mWidth = 0;
    mHeight = 0;
    mBufferWidth = 0;
    mBufferHeight = 0;
    mLeftBorder = 0;
    mRightBorder = 0;
    mBottomBorder = 0;
    mTopBorder = 0;
}

bool KaImage::create(
    unsigned int width, unsigned int height, const KaIntrusivePtr<KaPalette>& palette, KaImageFormat format)
{
    return create(width, height, palette, format, width, height);
}

bool KaImage::create(unsigned int width, unsigned int height, const KaIntrusivePtr<KaPalette>&, KaImageFormat format,
    unsigned int bufferWidth, unsigned int bufferHeight)
{
    destroy();
    if (!KaImageFormatIsValid(format)) {
        KaPrintf("KaImage::create: Wrong format %d\n", static_cast<int>(format));
        return false;
    }
    if (bufferWidth < width || bufferHeight < height) {
        KaPrintf("KaImage::create: Buffer size smaller than size\n");
        // Every writer addresses the picture's rows: a smaller buffer would
        // be written past its end.
        if (bufferWidth < width)
            bufferWidth = width;
        if (bufferHeight < height)
            bufferHeight = height;
    }
    if (!sizeAllowed(bufferWidth, bufferHeight, format)) {
        KaPrintf("KaImage::create: Size too large (%u x %u)\n", bufferWidth, bufferHeight);
        return false;
    }
    const unsigned long bytes = bufferBytes(bufferWidth, bufferHeight, format);
    if (bytes > 0) {
        mBuffer = new (std::nothrow) unsigned char[bytes];
        if (!mBuffer) {
            KaPrintf("KaImage::create: Out of memory (%lu bytes)\n", bytes);
            return false;
        }
    }
    mFormat = format;
    mWidth = width;
    mHeight = height;
    mBufferWidth = bufferWidth;
    mBufferHeight = bufferHeight;
    return true;
}

bool KaImage::sizeAllowed(unsigned int width, unsigned int height, int32_t format)
{
    if (!KaImageFormatIsValid(format))
        return false;
    if (width > mMaxSide || height > mMaxSide)
        return false;
    return bufferBytes(width, height, format) <= mMaxBufferBytes;
}

bool KaImage::sizeBackedBy(
    unsigned int width, unsigned int height, unsigned long bytes, unsigned long pixels, unsigned long perBytes)
{
    const unsigned long long declared = static_cast<unsigned long long>(width) * height;
    if (declared <= mFreePixels)
        return true;
    // declared * perBytes <= bytes * pixels, without overflow on either side.
    const unsigned long long most = ~0ull;
    const unsigned long long capacity
        = pixels != 0 && bytes > most / pixels ? most : static_cast<unsigned long long>(bytes) * pixels;
    return declared <= capacity / (perBytes != 0 ? perBytes : 1);
}

unsigned long KaImage::bytesFrom(const KaStream& stream, unsigned long position)
{
    const unsigned long length = stream.contentLength();
    return length > position ? length - position : 0;
}

unsigned long KaImage::bufferBytes(unsigned int bufferWidth, unsigned int bufferHeight, int32_t format)
{
    if (!KaImageFormatIsValid(format))
        return 0;
    return static_cast<unsigned long>(bufferWidth) * bufferHeight * KaImageFormatAllocationBits(format) / 8;
}

unsigned long KaImage::rowStride() const
{
    return static_cast<unsigned long>(mBufferWidth) * KaImageFormatBits(mFormat) / 8;
}

unsigned char* KaImage::row(unsigned int r)
{
    if (!mBuffer || r >= mBufferHeight)
        return nullptr;
    return mBuffer + r * rowStride();
}

const unsigned char* KaImage::row(unsigned int r) const
{
    if (!mBuffer || r >= mBufferHeight)
        return nullptr;
    return mBuffer + r * rowStride();
}

void KaImage::padRow(unsigned int r)
{
    const unsigned int bytes = pixelBytes(mFormat);
    unsigned char* start = row(r);
    if (!start || bytes == 0 || mWidth == 0 || mBufferWidth <= mWidth)
        return;
    const unsigned char* last = start + static_cast<unsigned long>(mWidth - 1) * bytes;
    for (unsigned int c = mWidth; c < mBufferWidth; ++c)
        std::memcpy(start + static_cast<unsigned long>(c) * bytes, last, bytes);
}

void KaImage::padRows()
{
    if (!mBuffer || pixelBytes(mFormat) == 0 || mHeight == 0 || mBufferHeight <= mHeight)
        return;
    const unsigned char* last = row(mHeight - 1);
    const unsigned long stride = rowStride();
    for (unsigned int r = mHeight; r < mBufferHeight; ++r)
        std::memcpy(row(r), last, stride);
}

// ---------------------------------------------------------------------------
// Loading

bool KaImage::isExtensionSupported(const KaPath& path)
{
    if (KaIVideoCodec::matchExtension(path, "bmp"))
        KaPrintf("%s", kBmpDeprecatedSupported);
    return KaImageCodecs::supports(path);
}

bool KaImage::load(const KaPath& path)
{
    destroy();
    mFlipped = false;
    setAccessName(path);

    KaIVideoCodec* codec = KaImageCodecs::createForPath(path);
    if (!codec) {
        KaPrintf("[KaImage::load] wrong img type\n");
        return false;
    }
    // One resolution of the content name, language fallback included: the
    // codec opens the file it names as it stands.
    codec->setPathResolved(true);
    bool loaded = codec->load(KaBaseFile::localizedRealPath(path)) && loadFromCodec(*codec, false);
    delete codec;
    // The codec names the image after the file it opened, which may be the
    // language variant: the resource is known by the path it was asked for.
    setAccessName(path);
    return loaded;
}

bool KaImage::load(KaStream* stream, const KaPath& extension)
{
    destroy();
    mFlipped = false;
    if (!stream)
        return false;
    const KaString text = extension.toLowerCase();
    if (text == "bmp" || KaIVideoCodec::matchExtension(extension, "bmp"))
        KaPrintf("%s", kBmpDeprecatedLoad);
    KaIVideoCodec* codec = KaImageCodecs::createForExtension(extension);
    if (!codec)
        return false;
    bool loaded = codec->load(*stream) && loadFromCodec(*codec, true);
    delete codec;
    return loaded;
}

bool KaImage::loadFromCodec(KaIVideoCodec& codec, bool takeBorders)
{
    const KaImageFormat format = codec.imageFormat();
    if (format == NONE || !KaImageFormatIsValid(format)) {
        KaPrintf("[KaImage::load] Unsupported image content: %s\n", getAccessName().c_str());
        return false;
    }
    KaIntrusivePtr<KaPalette> noPalette;
    if (!create(codec.width(), codec.height(), noPalette, format))
        return false;
    if (!codec.update(0, *this)) {
        KaPrintf("[KaImage::load] Decoding failed: %s\n", getAccessName().c_str());
        destroy();
        return false;
    }
    if (takeBorders) {
        mLeftBorder = codec.leftBorderSize();
        mRightBorder = codec.rightBorderSize();
        mBottomBorder = codec.bottomBorderSize();
        mTopBorder = codec.topBorderSize();
    }
    return true;
}

// ---------------------------------------------------------------------------
// Pixels

void KaImage::fill(unsigned char value)
{
    if (mBuffer)
        std::memset(mBuffer, value, static_cast<unsigned long>(mBufferWidth) * mBufferHeight);
}

void KaImage::fill(unsigned char red, unsigned char green, unsigned char blue, unsigned char alpha)
{
    if (!mBuffer)
        return;
    const unsigned long count = static_cast<unsigned long>(mBufferWidth) * mBufferHeight;
    switch (mFormat) {
    case RGB555:
    case RGB565: {
        const unsigned short word
            = mFormat == RGB555 ? KaColor::rgb24to15(red, green, blue) : KaColor::rgb24to16(red, green, blue);
        unsigned char bytes[2];
        std::memcpy(bytes, &word, 2);
        for (unsigned long i = 0; i < count; ++i)
            std::memcpy(mBuffer + i * 2, bytes, 2);
        break;
    }
    case RGB888:
        for (unsigned long i = 0; i < count; ++i) {
            mBuffer[i * 3] = red;
            mBuffer[i * 3 + 1] = green;
            mBuffer[i * 3 + 2] = blue;
        }
        break;
    case RGBA8888:
        for (unsigned long i = 0; i < count; ++i) {
            mBuffer[i * 4] = red;
            mBuffer[i * 4 + 1] = green;
            mBuffer[i * 4 + 2] = blue;
            mBuffer[i * 4 + 3] = alpha;
        }
        break;
    default:
        break;
    }
}

void KaImage::getBuff(unsigned int x, unsigned int y, unsigned char* out, unsigned int w, unsigned int h)
{
    const unsigned int bytes = pixelBytes(mFormat);
    if (!out || !mBuffer || bytes == 0 || w == 0 || h == 0 || x >= mWidth || y >= mHeight)
        return;
    mChanged = true;
    const unsigned int columns = w < mWidth - x ? w : mWidth - x;
    const unsigned int rows = h < mHeight - y ? h : mHeight - y;
    const unsigned long outStride = static_cast<unsigned long>(w) * bytes;
    for (unsigned int k = 0; k < rows; ++k)
        std::memcpy(out + k * outStride, row(y + k) + static_cast<unsigned long>(x) * bytes,
            static_cast<unsigned long>(columns) * bytes);
}

void KaImage::drawPlot(unsigned char* buffer, int x, int y, const KaVector2s32& size, const KaColor& color)
{
    mChanged = true;
    const unsigned int bytes = pixelBytes(mFormat);
    if (!buffer || !plotsFormat(mFormat) || x < 0 || y < 0 || x >= size.x || y >= size.y)
        return;
    const unsigned long offset = (static_cast<unsigned long>(y) * static_cast<unsigned long>(size.x) + x) * bytes;
    writePixel(buffer + offset, mFormat, color);
}

void KaImage::drawPlot(int x, int y, const KaColor& color)
{
    mChanged = true;
    if (!mBuffer || !plotsFormat(mFormat) || x < 0 || y < 0 || static_cast<unsigned int>(x) >= mWidth
        || static_cast<unsigned int>(y) >= mHeight)
        return;
    writePixel(row(static_cast<unsigned int>(y)) + static_cast<unsigned long>(x) * pixelBytes(mFormat), mFormat, color);
}

KaColor KaImage::pixelColor(const KaVector2s32& position) const
{
    mChanged = true;
    KaColor color;
    if (!mBuffer || position.x < 0 || position.y < 0 || static_cast<unsigned int>(position.x) >= mWidth
        || static_cast<unsigned int>(position.y) >= mHeight)
        return color;
    const unsigned char* pixel
        = row(static_cast<unsigned int>(position.y)) + static_cast<unsigned long>(position.x) * pixelBytes(mFormat);
    switch (mFormat) {
    case RGB888:
        color.r = pixel[0];
        color.g = pixel[1];
        color.b = pixel[2];
        break;
    case RGBA8888:
        color.r = pixel[0];
        color.g = pixel[1];
        color.b = pixel[2];
        color.a = pixel[3];
        break;
    case BGR888:
        color.b = pixel[0];
        color.g = pixel[1];
        color.r = pixel[2];
        break;
    case GREY8:
        color.r = pixel[0];
        color.g = pixel[0];
        color.b = pixel[0];
        break;
    default:
        break;
    }
    return color;
}

unsigned int KaImage::countPixelsOfColor(const KaColor& color)
{
    if (!mBuffer || (mFormat != RGB888 && mFormat != RGBA8888))
        return 0;
    mChanged = true;
    const unsigned int bytes = pixelBytes(mFormat);
    unsigned int count = 0;
    for (unsigned int r = 0; r < mHeight; ++r) {
        const unsigned char* pixel = row(r);
        for (unsigned int c = 0; c < mWidth; ++c, pixel += bytes) {
            if (pixel[0] == color.r && pixel[1] == color.g && pixel[2] == color.b
                && (mFormat == RGB888 || pixel[3] == color.a))
                ++count;
        }
    }
    return count;
}

void KaImage::copy(KaImage& destination, const KaVector2s32& destinationPosition, const KaVector2s32& sourcePosition,
    const KaVector2s32& size) const
{
    if (sourcePosition.x > static_cast<long long>(mWidth) || sourcePosition.y > static_cast<long long>(mHeight)
        || destinationPosition.x < 0 || destinationPosition.y < 0 || size.x <= 0 || size.y <= 0)
        return;
    long long sourceX = sourcePosition.x;
    long long sourceY = sourcePosition.y;
    long long blockWidth = size.x;
    long long blockHeight = size.y;
    if (sourceX < 0) {
        blockWidth += sourceX;
        sourceX = 0;
    }
    if (sourceY < 0) {
        blockHeight += sourceY;
        sourceY = 0;
    }
    // The destination must hold position + size, not only the size: a block
    // copied to (x, y) of a re-created image would otherwise land past its end.
    const long long neededWidth = static_cast<long long>(destinationPosition.x) + size.x;
    const long long neededHeight = static_cast<long long>(destinationPosition.y) + size.y;
    if (destination.mFormat != mFormat || destination.mWidth < neededWidth || destination.mHeight < neededHeight) {
        // Re-creating the source itself would free the pixels being copied.
        if (&destination == this)
            return;
        if (neededWidth > mMaxSide || neededHeight > mMaxSide)
            return;
        KaIntrusivePtr<KaPalette> noPalette;
        if (!destination.create(
                static_cast<unsigned int>(neededWidth), static_cast<unsigned int>(neededHeight), noPalette, mFormat))
            return;
    }
    const long long rows = blockHeight < mHeight - sourceY ? blockHeight : mHeight - sourceY;
    const long long columns = blockWidth < mWidth - sourceX ? blockWidth : mWidth - sourceX;
    const unsigned int bytes = pixelBytes(mFormat);
    if (rows <= 0 || columns <= 0 || bytes == 0 || !mBuffer || !destination.mBuffer)
        return;
    const unsigned long rowBytes = static_cast<unsigned long>(columns) * bytes;
    // Within one image a block moved up must be copied from its top row
    // down, or its lower rows would overwrite source rows not yet copied.
    const bool topDown = &destination == this && destinationPosition.y > sourceY;
    for (long long k = 0; k < rows; ++k) {
        const long long i = topDown ? rows - 1 - k : k;
        mChanged = true;
        destination.mChanged = true;
        const unsigned char* from
            = row(static_cast<unsigned int>(sourceY + i)) + static_cast<unsigned long>(sourceX) * bytes;
        unsigned char* to = destination.row(static_cast<unsigned int>(destinationPosition.y + i))
            + static_cast<unsigned long>(destinationPosition.x) * bytes;
        std::memmove(to, from, rowBytes);
    }
}

// ---------------------------------------------------------------------------
// Serialisation

unsigned long KaImage::serialize(KaStream& stream)
{
    unsigned long written = 0;
    written += stream.write(static_cast<unsigned char>(mUserFlag ? 1 : 0));
    written += stream.write(static_cast<unsigned char>(mUserFlag2 ? 1 : 0));
    written += stream.write(static_cast<int>(mFormat));
    written += stream.write(mWidth);
    written += stream.write(mHeight);
    const unsigned long payload = pictureBytes(mWidth, mHeight, mFormat);
    if (payload == 0 || !mBuffer)
        return written;
    mChanged = true;
    if (isCompressed(mFormat)) {
        // The blocks are not rows of whole bytes: they go as one run from the
        // start of the buffer, where the codecs put them.
        written += stream.writeData(mBuffer, payload);
        return written;
    }
    const unsigned long rowBytes = static_cast<unsigned long>(mWidth) * pixelBytes(mFormat);
    for (unsigned int r = 0; r < mHeight; ++r)
        written += stream.writeData(row(r), rowBytes);
    return written;
}

unsigned long KaImage::deSerialize(KaStream& stream)
{
    unsigned char userFlag = 0;
    unsigned char userFlag2 = 0;
    int format = NONE;
    unsigned int width = 0;
    unsigned int height = 0;
    unsigned long read = 0;
    // A binary value read short leaves its target as it was; in text mode a
    // number is complete whatever its length.
    const bool binary = stream.mode() == KaStream::Binary;
    auto complete4 = [binary](unsigned int got) { return binary ? got == 4 : got > 0; };
    unsigned int got = stream.read(userFlag);
    read += got;
    bool complete = got == 1;
    if (complete) {
        got = stream.read(userFlag2);
        read += got;
        complete = got == 1;
    }
    if (complete) {
        got = stream.read(format);
        read += got;
        complete = complete4(got);
    }
    if (complete) {
        got = stream.read(width);
        read += got;
        complete = complete4(got);
    }
    if (complete) {
        got = stream.read(height);
        read += got;
        complete = complete4(got);
    }
    if (!complete) {
        KaPrintf("KaImage::deSerialize: Unexpected end of stream\n");
        return 0;
    }
    if (!KaImageFormatIsValid(format)) {
        KaPrintf("KaImage::deSerialize: Wrong format %d\n", format);
        return 0;
    }
    const KaImageFormat imageFormat = static_cast<KaImageFormat>(format);
    if (!sizeAllowed(width, height, imageFormat)) {
        KaPrintf("KaImage::deSerialize: Size too large (%u x %u)\n", width, height);
        return 0;
    }

    // The picture must be in the stream before a buffer is taken for it: a
    // damaged header of a few bytes may announce the largest image allowed.
    const unsigned long payload = pictureBytes(width, height, imageFormat);
    // A record without a format stores no pixels: nothing backs a large
    // buffer for one.
    if (payload == 0 && !sizeBackedBy(width, height, 0, 1)) {
        KaPrintf("KaImage::deSerialize: Size too large (%u x %u)\n", width, height);
        return 0;
    }
    const unsigned long streamLength = stream.contentLength();
    const unsigned long position = stream.getPos();
    if (payload > (position < streamLength ? streamLength - position : 0)) {
        KaPrintf("KaImage::deSerialize: Unexpected end of stream\n");
        return 0;
    }

    // Read into a fresh image first: a stream that runs short leaves this one
    // as it was.
    KaImage incoming;
    KaIntrusivePtr<KaPalette> noPalette;
    if (!incoming.create(width, height, noPalette, imageFormat))
        return 0;
    if (payload > 0) {
        if (isCompressed(imageFormat)) {
            got = stream.readData(incoming.mBuffer, payload);
            read += got;
            complete = got == payload;
        } else {
            const unsigned long rowBytes = static_cast<unsigned long>(width) * pixelBytes(imageFormat);
            for (unsigned int r = 0; complete && r < height; ++r) {
                got = stream.readData(incoming.row(r), rowBytes);
                read += got;
                complete = got == rowBytes;
            }
        }
    }
    if (!complete) {
        KaPrintf("KaImage::deSerialize: Unexpected end of stream\n");
        return 0;
    }

    destroy();
    mUserFlag = userFlag != 0;
    mUserFlag2 = userFlag2 != 0;
    mFormat = imageFormat;
    mWidth = width;
    mHeight = height;
    mBufferWidth = incoming.mBufferWidth;
    mBufferHeight = incoming.mBufferHeight;
    mBuffer = incoming.mBuffer;
    incoming.mBuffer = nullptr;
    mChanged = true;
    return read;
}

// ---------------------------------------------------------------------------
// Saving

bool KaImage::save(const KaString& path, ImageType type) const
{
    if (type != PNG)
        return false;
    KaPngImplementation writer;
    return writer.save(*this, KaPath(path));
}
