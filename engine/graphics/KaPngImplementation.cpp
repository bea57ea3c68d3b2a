#include "engine/graphics/KaPngImplementation.h"

#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "engine/base/KaStd.h"
#include "engine/graphics/KaImage.h"

// Everything between a setjmp below and the libpng calls it guards holds
// plain data only: a longjmp skips destructors.

const char* const KaPngImplementation::mTitleKey = "Title";
const char* const KaPngImplementation::mTitleValue = "";
const char* const KaPngImplementation::mAuthorKey = "Author";
const char* const KaPngImplementation::mAuthorValue = "Ka Engine";
const char* const KaPngImplementation::mDescriptionKey = "Description";
const char* const KaPngImplementation::mDescriptionValue = "";
const char* const KaPngImplementation::mCopyrightKey = "Copyright";
const char* const KaPngImplementation::mCopyrightValue = "";
const char* const KaPngImplementation::mEMailKey = "E-mail";
const char* const KaPngImplementation::mEMailValue = "";
const char* const KaPngImplementation::mUrlKey = "Url";
const char* const KaPngImplementation::mUrlValue = "https://ka-engine.example.org/";

namespace {

// The largest block libpng may take while reading. It decodes straight into
// the image's rows and needs little more than a row or two itself; without a
// ceiling, a text chunk whose length field was damaged is allocated at the
// length it announces (gigabytes) before its bytes are found missing.
const png_alloc_size_t kMaxReadAllocation = 32u * 1024u * 1024u;

// deflate packs at most a little over 1032 bytes into one, and a row of the
// picture takes its pixels' bits (depth x channels) plus a filter byte.
const unsigned long kDeflateRatio = 1032;

png_voidp limitedMalloc(png_structp, png_alloc_size_t size)
{
    // libpng reports a null block as "out of memory" through the error
    // callback: the load fails like any corrupt file.
    return size <= kMaxReadAllocation ? std::malloc(size) : nullptr;
}

void limitedFree(png_structp, png_voidp block) { std::free(block); }

// What the writer's jump point needs to clean up and report.
struct WriteState {
    png_structp png;
    png_infop info;
    // 0 until the output is installed, 1 afterwards: picks the message.
    int stage;
};

void writeCallback(png_structp png, png_bytep data, size_t length)
{
    KaStream* stream = static_cast<KaStream*>(png_get_io_ptr(png));
    if (stream->writeData(data, length) != length)
        png_error(png, "Write error");
}

// libpng's own flush would take the stream for a FILE*.
void flushCallback(png_structp) { }

void writeErrorCallback(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void writeWarningCallback(png_structp, png_const_charp message) { KaPrintf("png warning: %s\n", message); }

void setText(png_text& text, const char* key, const char* value)
{
    std::memset(&text, 0, sizeof(text));
    text.compression = PNG_TEXT_COMPRESSION_NONE;
    // libpng only reads them.
    text.key = const_cast<char*>(key);
    text.text = const_cast<char*>(value);
    text.text_length = std::strlen(value);
}

void writeRows(png_structp png, const KaImage& image)
{
    const unsigned int height = image.height();
    for (unsigned int i = 0; i < height; ++i)
        png_write_row(png, image.row(image.flipped() ? i : height - 1 - i));
}

} // namespace

KaPngImplementation::KaPngImplementation()
    : mPath()
    , mFile()
    , mStream(nullptr)
    , mStreamPosition(0)
    , mWidth(0)
    , mHeight(0)
    , mBitDepth(0)
    , mColourType(0)
    , mCompressionMethod(0)
    , mFilterMethod(0)
    , mInterlaceMethod(0)
    , mReadStruct(nullptr)
    , mInfoStruct(nullptr)
    , mFinished()
    , mHeaderRead(false)
{
}

KaPngImplementation::~KaPngImplementation() { release(); }

bool KaPngImplementation::matchFormat(const KaPath& path) { return matchExtension(path, "png"); }

bool KaPngImplementation::load(const KaPath& path)
{
    release();
    mPath = path;
    return openAndReadHeader();
}

bool KaPngImplementation::load(KaStream& stream)
{
    release();
    // A path left from an earlier load would be re-opened instead of the
    // stream.
    mPath.clear();
    mStream = &stream;
    mStreamPosition = stream.getPos();
    return openAndReadHeader();
}

KaImageFormat KaPngImplementation::imageFormat() const
{
    if (mInterlaceMethod != PNG_INTERLACE_NONE || mBitDepth != 8)
        return NONE;
    if (mColourType == PNG_COLOR_TYPE_RGB_ALPHA)
        return RGBA8888;
    if (mColourType == PNG_COLOR_TYPE_RGB)
        return RGB888;
    return NONE;
}

void KaPngImplementation::releaseDecoder()
{
    if (mReadStruct)
        png_destroy_read_struct(&mReadStruct, mInfoStruct ? &mInfoStruct : nullptr, nullptr);
    mReadStruct = nullptr;
    mInfoStruct = nullptr;
    mFile.close();
    mHeaderRead = false;
}

void KaPngImplementation::release()
{
    releaseDecoder();
    mWidth = 0;
    mHeight = 0;
    mBitDepth = 0;
    mColourType = 0;
    mCompressionMethod = 0;
    mFilterMethod = 0;
    mInterlaceMethod = 0;
    mHeaderRead = false;
}

bool KaPngImplementation::openAndReadHeader()
{
    if (mHeaderRead)
        return true;
    release();
    if (mPath.length() > 0) {
        if (!openForReading(mFile, mPath)) {
            KaPrintf("[KaPngImplementation::openAndReadHeader] Le fichier : %s n'existe pas.\n", mPath.c_str());
            return false;
        }
        mStream = &mFile;
    } else if (mStream) {
        if (!mStream->seek(static_cast<unsigned long>(mStreamPosition))) {
            KaPrintf("[KaPngImplementation::openAndReadHeader] Can't seek back to %llu\n",
                static_cast<unsigned long long>(mStreamPosition));
            return false;
        }
    } else {
        return false;
    }
    return readHeader();
}

bool KaPngImplementation::readHeader()
{
    mReadStruct = png_create_read_struct_2(
        PNG_LIBPNG_VER_STRING, this, errorCallback, warningCallback, nullptr, limitedMalloc, limitedFree);
    if (!mReadStruct) {
        KaPrintf("[KaPngImplementation::openAndReadHeader] png_create_read_struct failed (%s)\n", mPath.c_str());
        release();
        return false;
    }
    mInfoStruct = png_create_info_struct(mReadStruct);
    if (!mInfoStruct) {
        KaPrintf("[KaPngImplementation::openAndReadHeader] png_create_info_struct failed (%s)\n", mPath.c_str());
        release();
        return false;
    }
    if (setjmp(png_jmpbuf(mReadStruct))) {
        release();
        return false;
    }
    png_set_crc_action(mReadStruct, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
    // A header asking for more than an image may hold is refused before
    // anything is allocated for it.
    png_set_user_limits(mReadStruct, KaImage::mMaxSide, KaImage::mMaxSide);
    png_set_read_fn(mReadStruct, this, readCallback);
    png_read_info(mReadStruct, mInfoStruct);
    png_get_IHDR(mReadStruct, mInfoStruct, &mWidth, &mHeight, &mBitDepth, &mColourType, &mInterlaceMethod,
        &mCompressionMethod, &mFilterMethod);
    if (imageFormat() != NONE && !KaImage::sizeAllowed(mWidth, mHeight, imageFormat())) {
        KaPrintf(
            "[KaPngImplementation::openAndReadHeader] Image too large (%u x %u): %s\n", mWidth, mHeight, mPath.c_str());
        release();
        return false;
    }
    // The file's bytes bound what its image data can inflate to.
    const unsigned long available
        = KaImage::bytesFrom(*mStream, mPath.length() > 0 ? 0 : static_cast<unsigned long>(mStreamPosition));
    const unsigned long pixelBits = static_cast<unsigned long>(mBitDepth) * png_get_channels(mReadStruct, mInfoStruct);
    if (imageFormat() != NONE && !KaImage::sizeBackedBy(mWidth, mHeight, available, kDeflateRatio * 8, pixelBits)) {
        KaPrintf("[KaPngImplementation::openAndReadHeader] Image too large for its data (%u x %u, %lu bytes): %s\n",
            mWidth, mHeight, available, mPath.c_str());
        release();
        return false;
    }
    mHeaderRead = true;
    return true;
}

bool KaPngImplementation::update(unsigned long, KaImage& image)
{
    if (!openAndReadHeader())
        return false;
    if (imageFormat() == NONE) {
        KaPrintf("[KaPngImplementation::update] Unsupported PNG (colour type %d, depth %d, interlace %d): %s\n",
            mColourType, mBitDepth, mInterlaceMethod, mPath.c_str());
        releaseDecoder();
        return false;
    }
    if (!imageFits(image)) {
        KaPrintf("[KaPngImplementation::update] Image of format %d and buffer %u x %u can't take %u x %u: %s\n",
            static_cast<int>(image.format()), image.bufferWidth(), image.bufferHeight(), mWidth, mHeight,
            mPath.c_str());
        releaseDecoder();
        return false;
    }
    const bool decoded = decodeRows(image);
    if (decoded && mPath.length() > 0)
        image.setAccessName(mPath);
    releaseDecoder();
    return decoded;
}

bool KaPngImplementation::decodeRows(KaImage& image)
{
    if (setjmp(png_jmpbuf(mReadStruct)))
        return false;
    readRows(image);
    png_read_end(mReadStruct, nullptr);
    return true;
}

void KaPngImplementation::readRows(KaImage& image)
{
    const unsigned long bytes = ImgFormatBPP[imageFormat()] / 8;
    const unsigned int spare = image.bufferWidth() - mWidth;
    const bool topFirst = image.flipped();
    for (unsigned int i = 0; i < mHeight; ++i) {
        image.setChanged(true);
        unsigned char* target = image.row(topFirst ? i : mHeight - 1 - i);
        png_read_row(mReadStruct, target, nullptr);
        if (spare > 0) {
            const unsigned char* last = target + (mWidth - 1) * bytes;
            unsigned char* pad = target + mWidth * bytes;
            for (unsigned int c = 0; c < spare; ++c, pad += bytes)
                std::memcpy(pad, last, bytes);
        }
    }
    image.setChanged(true);
    // The last row written is the one that meets the spare rows.
    const unsigned long stride = image.rowStride();
    const unsigned char* edge = image.row(mHeight - 1);
    for (unsigned int r = mHeight; r < image.bufferHeight(); ++r)
        std::memcpy(image.row(r), edge, stride);
}

void KaPngImplementation::readCallback(png_struct_def* png, unsigned char* data, size_t length)
{
    KaPngImplementation* self = static_cast<KaPngImplementation*>(png_get_io_ptr(png));
    const unsigned long got = self->mStream ? self->mStream->readData(data, length) : 0;
    if (got != length)
        png_error(png, "Read error: unexpected end of data");
}

void KaPngImplementation::errorCallback(png_struct_def* png, const char* message)
{
    const KaPngImplementation* self = static_cast<const KaPngImplementation*>(png_get_error_ptr(png));
    KaPrintf("png error: %s (%s)\n", message, self ? self->mPath.c_str() : "");
    png_longjmp(png, 1);
}

void KaPngImplementation::warningCallback(png_struct_def* png, const char* message)
{
    const KaPngImplementation* self = static_cast<const KaPngImplementation*>(png_get_error_ptr(png));
    KaPrintf("png warning: %s (%s)\n", message, self ? self->mPath.c_str() : "");
}

// ---------------------------------------------------------------------------
// Writing

bool KaPngImplementation::save(const KaImage& image, const KaPath& path) const
{
    const KaImageFormat format = image.format();
    // Checked before the file is created, so that a refused image leaves
    // nothing behind.
    if (format != GREY8 && format != RGBA8888 && format != RGB888)
        return false;
    KaFile file;
    if (!file.open(path, KaFileSystem::Write)) {
        KaPrintf("[KaPngImplementation::Save] File %s could not be opened for writing", path.c_str());
        return false;
    }
    const bool saved = save(image, file);
    file.close();
    if (!saved)
        KaBaseFile::deleteFile(path);
    return saved;
}

bool KaPngImplementation::save(const KaImage& image, KaStream& stream) const
{
    const KaImageFormat format = image.format();
    if (format != GREY8 && format != RGBA8888 && format != RGB888)
        return false;
    return writePng(image, stream);
}

bool KaPngImplementation::writePng(const KaImage& image, KaStream& stream) const
{
    WriteState state;
    state.stage = 0;
    state.info = nullptr;
    state.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, writeErrorCallback, writeWarningCallback);
    if (!state.png) {
        KaPrintf("[KaPngImplementation::Save] png_create_write_struct failed");
        return false;
    }
    state.info = png_create_info_struct(state.png);
    if (!state.info) {
        KaPrintf("[KaPngImplementation::Save] png_create_info_struct failed");
        png_destroy_write_struct(&state.png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(state.png))) {
        KaPrintf(state.stage == 0 ? "[KaPngImplementation::Save] Error during init_io"
                                  : "[KaPngImplementation::Save] Error during writing header");
        png_destroy_write_struct(&state.png, &state.info);
        return false;
    }
    png_set_write_fn(state.png, &stream, writeCallback, flushCallback);
    state.stage = 1;

    png_set_compression_level(state.png, 9);
    int colourType = PNG_COLOR_TYPE_RGB;
    if (image.format() == GREY8)
        colourType = PNG_COLOR_TYPE_GRAY;
    else if (image.format() == RGBA8888)
        colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    png_set_IHDR(state.png, state.info, image.width(), image.height(), 8, colourType, PNG_INTERLACE_NONE,
        PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);

    png_time modification;
    png_convert_from_time_t(&modification, std::time(nullptr));
    png_set_tIME(state.png, state.info, &modification);

    png_text texts[6];
    setText(texts[0], mTitleKey, mTitleValue);
    setText(texts[1], mAuthorKey, mAuthorValue);
    setText(texts[2], mDescriptionKey, mDescriptionValue);
    setText(texts[3], mCopyrightKey, mCopyrightValue);
    setText(texts[4], mEMailKey, mEMailValue);
    setText(texts[5], mUrlKey, mUrlValue);
    png_set_text(state.png, state.info, texts, 6);

    png_write_info(state.png, state.info);
    writeRows(state.png, image);
    png_write_end(state.png, nullptr);
    png_destroy_write_struct(&state.png, &state.info);
    return true;
}
