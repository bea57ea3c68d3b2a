#include "engine/graphics/KaJpegImplementation.h"

#include "engine/base/KaStd.h"
#include "engine/graphics/KaImage.h"

namespace {

// Rows handed to libjpeg per call: it returns at most its own output group,
// but never has to be called once per row when that group is taller.

} // namespace

KaJpegImplementation::KaJpegImplementation()
    : mStream(nullptr),
      mStreamPosition(0),
      mInputBuffer(),
      mDecompressor(),
      mErrorManager(),
      mSourceManager(),
      mRowStride(0),
      mWidth(0),
      mHeight(0),
      mFormat(NONE),
      mDecompressorCreated(false),
      mHeaderRead(false),
      mEndOfData(false),
      mLeftBorder(0),
      mRightBorder(0),
      mBottomBorder(0),
      mTopBorder(0)
{
}

KaJpegImplementation::~KaJpegImplementation() { release(); }

bool KaJpegImplementation::matchFormat(const KaPath& path)
{
    return matchExtension(path, "jpg") || matchExtension(path, "jpeg");
}

bool KaJpegImplementation::load(const KaPath& path)
{
    mPath = path;
    mHeaderRead = false;
    return openAndReadHeader();
}

bool KaJpegImplementation::load(KaStream& stream)
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

void KaJpegImplementation::release()
{
    if (mDecompressorCreated) {
        jpeg_destroy_decompress(&mDecompressor);
        mDecompressorCreated = false;
    }
    mFile.close();
    mHeaderRead = false;
}

bool KaJpegImplementation::openAndReadHeader()
{
    if (mHeaderRead)
        return true;
    release();
    mLeftBorder = 0;
    mRightBorder = 0;
    mBottomBorder = 0;
    mTopBorder = 0;
    mWidth = 0;
    mHeight = 0;
    mFormat = NONE;

    if (mPath.length() != 0) {
        if (!openForReading(mFile, mPath)) {
            KaPrintf("[KaJpegImplementation::LoadFromFile] Le fichier : %s n'existe pas.\n", mPath.c_str());
            return false;
        }
        mStream = &mFile;
    } else if (mStream) {
        mStream->seek(mStreamPosition);
    } else {
        return false;
    }

    if (!readHeader()) {
        release();
        return false;
    }
    if (mDecompressor.num_components == 3) {
        mFormat = RGB888;
        mDecompressor.out_color_space = JCS_RGB;
    } else if (mDecompressor.num_components == 1) {
        mFormat = GREY8;
        mDecompressor.out_color_space = JCS_GRAYSCALE;
    } else {
        KaPrintf("KaJpegImplementation::LoadFromStream: wrong format\n");
        mFormat = NONE;
        release();
        return false;
    }
    if (!KaImage::sizeAllowed(mDecompressor.image_width, mDecompressor.image_height, mFormat)) {
        KaPrintf("KaJpegImplementation::LoadFromStream: picture too large (%ux%u)\n", mDecompressor.image_width,
            mDecompressor.image_height);
        mFormat = NONE;
        release();
        return false;
    }
    const unsigned long available = KaImage::bytesFrom(*mStream, mPath.length() != 0 ? 0 : mStreamPosition);
    if (!KaJpegLibrary::sizeBacked(mDecompressor, available)) {
        KaPrintf("KaJpegImplementation::LoadFromStream: picture too large for its data (%ux%u, %lu bytes)\n",
            mDecompressor.image_width, mDecompressor.image_height, available);
        mFormat = NONE;
        release();
        return false;
    }
    mWidth = mDecompressor.image_width;
    mHeight = mDecompressor.image_height;
    mRowStride = mDecompressor.num_components * static_cast<int>(mDecompressor.image_width);
    mHeaderRead = true;
    return true;
}

// No object with a destructor lives here: libjpeg may jump back to the
// setjmp below from inside any of its calls.
bool KaJpegImplementation::readHeader()
{
    KaJpegLibrary::installErrorManager(mDecompressor, mErrorManager, mPath.c_str());
    if (setjmp(mErrorManager.jumpBuffer))
        return false;
    jpeg_CreateDecompress(&mDecompressor, KaJpegLibrary::mVersion, sizeof(mDecompressor));
    mDecompressorCreated = true;
    mDecompressor.client_data = this;
    mSourceManager.init_source = initSource;
    mSourceManager.fill_input_buffer = fillInputBuffer;
    mSourceManager.skip_input_data = skipInputData;
    mSourceManager.resync_to_restart = jpeg_resync_to_restart;
    mSourceManager.term_source = termSource;
    mSourceManager.next_input_byte = nullptr;
    mSourceManager.bytes_in_buffer = 0;
    mDecompressor.src = &mSourceManager;
    mEndOfData = false;
    jpeg_read_header(&mDecompressor, TRUE);
    return true;
}

bool KaJpegImplementation::update(unsigned long, KaImage& image)
{
    if (!openAndReadHeader())
        return false;
    if (!imageFits(image)) {
        KaPrintf("[KaJpegImplementation::update] The image does not fit a %ux%u picture of format %d (%s).\n",
            width(), height(), static_cast<int>(mFormat), mPath.c_str());
        release();
        return false;
    }
    const bool decoded = decode(image);
    if (decoded) {
        if (mPath.length() != 0)
            image.setAccessName(mPath);
        image.setLeftBorder(mLeftBorder);
        image.setRightBorder(mRightBorder);
        image.setBottomBorder(mBottomBorder);
        image.setTopBorder(mTopBorder);
    }
    release();
    return decoded;
}

// The jump point is set in this frame, which stays active for every libjpeg
// call of the decode (they all happen in KaJpegLibrary::readRows, below it,
// or here).
bool KaJpegImplementation::decode(KaImage& image)
{
    if (setjmp(mErrorManager.jumpBuffer))
        return false;
    KaJpegLibrary::readRows(mDecompressor, image);
    // Rows decoded past the end of the data are filler: the picture is not
    // there, whatever libjpeg produced for it.
    if (mEndOfData)
        return false;
    jpeg_finish_decompress(&mDecompressor);
    return !mEndOfData;
}


void KaJpegImplementation::initSource(j_decompress_ptr decompressor)
{
    KaJpegImplementation* self = static_cast<KaJpegImplementation*>(decompressor->client_data);
    self->mSourceManager.next_input_byte = self->mInputBuffer;
    self->mSourceManager.bytes_in_buffer = 0;
}

boolean KaJpegImplementation::fillInputBuffer(j_decompress_ptr decompressor)
{
    KaJpegImplementation* self = static_cast<KaJpegImplementation*>(decompressor->client_data);
    const unsigned int got = self->mStream ? self->mStream->readData(self->mInputBuffer, mInputBufferSize) : 0;
    if (got == 0) {
        self->mEndOfData = true;
        KaJpegLibrary::insertEndOfImage(*decompressor);
        return TRUE;
    }
    self->mSourceManager.next_input_byte = self->mInputBuffer;
    self->mSourceManager.bytes_in_buffer = got;
    return TRUE;
}

void KaJpegImplementation::skipInputData(j_decompress_ptr decompressor, long count)
{
    if (count <= 0)
        return;
    KaJpegImplementation* self = static_cast<KaJpegImplementation*>(decompressor->client_data);
    jpeg_source_mgr& source = self->mSourceManager;
    while (count > static_cast<long>(source.bytes_in_buffer)) {
        count -= static_cast<long>(source.bytes_in_buffer);
        fillInputBuffer(decompressor);
        // A skip past the end stops at the end: what is left to read is the
        // end-of-image marker just handed out.
        if (self->mEndOfData)
            return;
    }
    source.next_input_byte += count;
    source.bytes_in_buffer -= static_cast<size_t>(count);
}

void KaJpegImplementation::termSource(j_decompress_ptr decompressor)
{
    KaJpegImplementation* self = static_cast<KaJpegImplementation*>(decompressor->client_data);
    // Give back what was read ahead, so the stream rests just past the JPEG
    // data (whatever follows it in the stream is the caller's).
    if (self->mStream && !self->mEndOfData) {
        const unsigned long position = self->mStream->getPos();
        const unsigned long unread = self->mSourceManager.bytes_in_buffer;
        if (unread <= position)
            self->mStream->seek(position - unread);
    }
}

bool KaJpegImplementation::save(const KaImage&, KaStream&) const { return false; }

bool KaJpegImplementation::save(const KaImage&, const KaPath&) const { return false; }
