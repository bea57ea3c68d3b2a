#include "engine/graphics/KaJpegZLibImplementation.h"

#include "engine/base/KaStd.h"
#include "engine/core/KaFile.h"
#include "engine/graphics/KaImage.h"

namespace {


} // namespace

KaJpegZLibImplementation::KaJpegZLibImplementation()
    : mStream(nullptr),
      mReadPosition(0),
      mWidth(0),
      mHeight(0),
      mFormat(NONE),
      mDecompressor(),
      mSourceManager(),
      mErrorManager(),
      mDecompressorCreated(false),
      mEndOfData(false)
{
}

KaJpegZLibImplementation::~KaJpegZLibImplementation() { releaseDecoder(); }

void KaJpegZLibImplementation::releaseDecoder()
{
    if (mDecompressorCreated) {
        jpeg_destroy_decompress(&mDecompressor);
        mDecompressorCreated = false;
    }
    mUnpacked.release();
    mReadPosition = 0;
}

bool KaJpegZLibImplementation::load(const KaPath& path)
{
    KaFile file;
    if (!openForReading(file, path)) {
        KaPrintf("[KaJpeg::LoadFromFile] Le fichier : %s n'existe pas.\n", path.c_str());
        return false;
    }
    const bool loaded = unpackAndReadHeader(file, path);
    // The stream was the local file: nothing may point at it any more.
    mStream = nullptr;
    return loaded;
}

bool KaJpegZLibImplementation::load(KaStream& stream) { return unpackAndReadHeader(stream, KaPath()); }

bool KaJpegZLibImplementation::unpackAndReadHeader(KaStream& stream, const KaPath& name)
{
    releaseDecoder();
    mStream = &stream;
    mName = name;
    mWidth = 0;
    mHeight = 0;
    mFormat = NONE;

    switch (mUnpacked.unpack(stream)) {
    case KaPackedBlock::Unpacked:
        break;
    case KaPackedBlock::UncompressError:
        KaPrintf("KaJpegZLibImplementation::LoadFromStream: uncompress error\n");
        return false;
    case KaPackedBlock::SizeError:
        KaPrintf("KaJpegZLibImplementation::LoadFromStream: wrong packed or unpacked size\n");
        return false;
    case KaPackedBlock::ReadError:
        KaPrintf("KaJpegZLibImplementation::LoadFromStream: read error\n");
        return false;
    }

    if (!readHeader()) {
        releaseDecoder();
        return false;
    }
    KaImageFormat format = NONE;
    if (mDecompressor.num_components == 3) {
        format = RGB888;
        mDecompressor.out_color_space = JCS_RGB;
    } else if (mDecompressor.num_components == 1) {
        format = GREY8;
        mDecompressor.out_color_space = JCS_GRAYSCALE;
    } else {
        KaPrintf("KaJpeg::LoadFromStream: wrong format");
        releaseDecoder();
        return false;
    }
    if (!KaImage::sizeAllowed(mDecompressor.image_width, mDecompressor.image_height, format)) {
        KaPrintf("KaJpegZLibImplementation::LoadFromStream: picture too large (%ux%u)\n",
            mDecompressor.image_width, mDecompressor.image_height);
        releaseDecoder();
        return false;
    }
    // The wrapper's own ratio already bounds the unpacked bytes by the packed
    // ones (KaPackedBlock).
    if (!KaJpegLibrary::sizeBacked(mDecompressor, mUnpacked.size())) {
        KaPrintf("KaJpegZLibImplementation::LoadFromStream: picture too large for its data (%ux%u, %lu bytes)\n",
            mDecompressor.image_width, mDecompressor.image_height, mUnpacked.size());
        releaseDecoder();
        return false;
    }
    mFormat = format;
    mWidth = mDecompressor.image_width;
    mHeight = mDecompressor.image_height;
    return true;
}

// No object with a destructor lives here: libjpeg may jump back to the
// setjmp below from inside any of its calls.
bool KaJpegZLibImplementation::readHeader()
{
    KaJpegLibrary::installErrorManager(mDecompressor, mErrorManager, mName.c_str());
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
    mReadPosition = 0;
    mEndOfData = false;
    jpeg_read_header(&mDecompressor, TRUE);
    return true;
}

bool KaJpegZLibImplementation::update(unsigned long, KaImage& image)
{
    // The data went with the previous decode.
    if (!mDecompressorCreated)
        return false;
    if (!imageFits(image)) {
        KaPrintf("[KaJpegZLibImplementation::update] The image does not fit a %ux%u picture of format %d (%s).\n",
            mWidth, mHeight, static_cast<int>(mFormat), mName.c_str());
        releaseDecoder();
        return false;
    }
    const bool decoded = decode(image);
    releaseDecoder();
    return decoded;
}

// The jump point is set in this frame, which stays active for every libjpeg
// call of the decode.
bool KaJpegZLibImplementation::decode(KaImage& image)
{
    if (setjmp(mErrorManager.jumpBuffer))
        return false;
    KaJpegLibrary::readRows(mDecompressor, image);
    if (mEndOfData)
        return false;
    jpeg_finish_decompress(&mDecompressor);
    return !mEndOfData;
}


void KaJpegZLibImplementation::initSource(j_decompress_ptr decompressor)
{
    KaJpegZLibImplementation* self = static_cast<KaJpegZLibImplementation*>(decompressor->client_data);
    self->mSourceManager.next_input_byte = nullptr;
    self->mSourceManager.bytes_in_buffer = 0;
}

// Hands out the unpacked bytes in place, a slice at a time.
boolean KaJpegZLibImplementation::fillInputBuffer(j_decompress_ptr decompressor)
{
    KaJpegZLibImplementation* self = static_cast<KaJpegZLibImplementation*>(decompressor->client_data);
    const unsigned long size = self->mUnpacked.size();
    if (self->mReadPosition >= size) {
        self->mEndOfData = true;
        KaJpegLibrary::insertEndOfImage(*decompressor);
        return TRUE;
    }
    unsigned long count = size - self->mReadPosition;
    if (count > mInputBufferSize)
        count = mInputBufferSize;
    self->mSourceManager.next_input_byte = self->mUnpacked.data() + self->mReadPosition;
    self->mSourceManager.bytes_in_buffer = count;
    self->mReadPosition += count;
    return TRUE;
}

void KaJpegZLibImplementation::skipInputData(j_decompress_ptr decompressor, long count)
{
    if (count <= 0)
        return;
    KaJpegZLibImplementation* self = static_cast<KaJpegZLibImplementation*>(decompressor->client_data);
    jpeg_source_mgr& source = self->mSourceManager;
    const unsigned long wanted = static_cast<unsigned long>(count);
    if (wanted <= source.bytes_in_buffer) {
        source.next_input_byte += wanted;
        source.bytes_in_buffer -= wanted;
        return;
    }
    // Past the slice: move the read position instead, never beyond the data,
    // so the next fill starts at the skipped-to byte or hands out the end.
    const unsigned long beyond = wanted - source.bytes_in_buffer;
    const unsigned long left = self->mUnpacked.size() - self->mReadPosition;
    self->mReadPosition += beyond < left ? beyond : left;
    source.bytes_in_buffer = 0;
}

void KaJpegZLibImplementation::termSource(j_decompress_ptr) {}

bool KaJpegZLibImplementation::save(const KaImage&, KaStream&) const { return false; }

bool KaJpegZLibImplementation::save(const KaImage&, const KaPath&) const { return false; }
