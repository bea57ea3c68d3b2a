#include "engine/graphics/KaTheora.h"

#include <ogg/ogg.h>
#include <theora/theoradec.h>

#include <cstring>
#include <limits>

#include "engine/base/KaStd.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaYuvToRgb.h"

namespace {

// The largest coded frame the decoder is allowed to allocate for: the pixels
// of the largest RGBA picture an image can hold. The decoder keeps a few
// 4:2:0 frames of that size, so a header asking for more is refused before
// anything is allocated.
const uint64_t kMaxFramePixels = KaImage::mMaxBufferBytes / 4;

void printHeaderError(int result)
{
    switch (result) {
    case TH_EVERSION:
        KaPrintf("KaTheora::readHeaders: th_decode_headerin error, _op was NULL, The packet data was a Theora info "
                 "header, but for a bitstream version not decodable with this version of libtheoradec. \n");
        break;
    case TH_EBADHEADER:
        KaPrintf("KaTheora::readHeaders: th_decode_headerin error, _op was NULL, the packet was not the next header "
                 "packet in the expected sequence, or the format of the header data was invalid. \n");
        break;
    case TH_EFAULT:
        KaPrintf("KaTheora::readHeaders: th_decode_headerin error, One of _info, _tc, or _setup was NULL\n");
        break;
    default:
        // Other streams (sound) answer "not a Theora header": nothing to say.
        break;
    }
}

void printDecodeError(int result)
{
    switch (result) {
    case TH_EFAULT:
        KaPrintf("[KaTheora::Update] Theora : An invalid pointer was provided.\n");
        break;
    case TH_EBADPACKET:
        KaPrintf("[KaTheora::Update] Theora : There were errors in the video data packet.\n");
        break;
    case TH_EIMPL:
        KaPrintf("[KaTheora::Update] Theora : The specified function is not implemented.\n");
        break;
    case TH_EVERSION:
        KaPrintf("[KaTheora::Update] Theora : The bitstream version is too high.\n");
        break;
    case TH_ENOTFORMAT:
        KaPrintf("[KaTheora::Update] Theora : The header does not belong to a Theora stream.\n");
        break;
    case TH_EBADHEADER:
        KaPrintf("[KaTheora::Update] Theora : The contents of the header were incomplete, invalid, or unexpected.\n");
        break;
    case TH_EINVAL:
        KaPrintf("[KaTheora::Update] Theora : An invalid argument was provided.\n");
        break;
    default:
        KaPrintf("[KaTheora::Update] Theora : Unknown error.\n");
        break;
    }
}

// Whether the comment declares full-range colour: it begins with
// "ColorRange" and holds "FullRange" somewhere.
bool declaresFullRange(const char* comment, int length)
{
    static const char kKey[] = "ColorRange";
    static const char kValue[] = "FullRange";
    const int keyLength = sizeof(kKey) - 1;
    const int valueLength = sizeof(kValue) - 1;
    if (!comment || length < keyLength || std::memcmp(comment, kKey, keyLength) != 0)
        return false;
    for (int i = 0; i + valueLength <= length; ++i) {
        if (std::memcmp(comment + i, kValue, valueLength) == 0)
            return true;
    }
    return false;
}

} // namespace

// Value-initialised, that is zeroed: the libogg and libtheora clear functions
// accept zeroed structures, so close() works on a codec that never loaded
// anything.
struct KaTheora::Ogg {
    ogg_sync_state syncState;
    ogg_page page;
    ogg_stream_state streamState;
    ogg_packet packet;
    th_info info;
    th_comment comment;
    ogg_page foundPage;
};

KaTheora::KaTheora()
    : mAtEnd(true)
    , mCurrentFrame(0)
    , mStream(nullptr)
    , mOgg(new Ogg())
    , mSetup(nullptr)
    , mDecoder(nullptr)
    , mLastReadSize(0)
    , mSkipping(false)
    , mFormat(RGB888)
    , mDuration(0.0f)
    , mFrameCount(0)
    , mColorKeyActivated(false)
    , mColorKeyTolerance(0.0f)
    , mLeftBorder(0)
    , mRightBorder(0)
    , mBottomBorder(0)
    , mTopBorder(0)
    , mFullRange(false)
    , mAlphaChannel(false)
{
}

KaTheora::~KaTheora()
{
    close();
    delete mOgg;
}

bool KaTheora::matchFormat(const KaPath& path) { return matchExtension(path, "ogv"); }

bool KaTheora::load(const KaPath& path)
{
    close();
    mPath = path;
    mAtEnd = false;
    if (!mFile.open(path, KaFileSystem::Read)) {
        KaPrintf("[KaTheora::open] Le fichier %s ne peut etre ouvert.\n", path.c_str());
        close();
        return false;
    }
    return open(mFile);
}

bool KaTheora::load(KaStream& stream)
{
    // A stream has no name: frames and messages of an earlier path must not
    // be given to it.
    close();
    mPath = KaPath();
    mAtEnd = false;
    return open(stream);
}

bool KaTheora::open(KaStream& stream)
{
    mStream = &stream;
    ogg_sync_init(&mOgg->syncState);

    if (!readHeaders()) {
        KaPrintf("[KaTheora::open] La lecture des headers du fichier %s a echoue.\n", mPath.c_str());
        close();
        return false;
    }
    if (!checkInfo()) {
        close();
        return false;
    }
    mDecoder = th_decode_alloc(&mOgg->info, mSetup);
    if (!mDecoder) {
        KaPrintf("[KaTheora::open] th_decode_alloc => Invalid parameters.\n");
        close();
        return false;
    }
    // The decoder holds what it needs; the pointer is cleared so that nothing
    // frees it a second time.
    th_setup_free(mSetup);
    mSetup = nullptr;

    if (mOgg->info.fps_numerator == 0 || mOgg->info.fps_denominator == 0) {
        KaPrintf("KaTheora::load: %s framerate == 0!\n", mPath.c_str());
        close();
        return false;
    }
    if (!scanDuration()) {
        close();
        return false;
    }
    // No frame is the next one: the first update seeks.
    mCurrentFrame = std::numeric_limits<uint64_t>::max();
    mSkipping = false;
    return true;
}

void KaTheora::close()
{
    ogg_stream_clear(&mOgg->streamState);
    std::memset(&mOgg->streamState, 0, sizeof(mOgg->streamState));
    ogg_sync_clear(&mOgg->syncState);
    std::memset(&mOgg->syncState, 0, sizeof(mOgg->syncState));
    th_info_clear(&mOgg->info);
    th_comment_clear(&mOgg->comment);
    if (mSetup) {
        th_setup_free(mSetup);
        mSetup = nullptr;
    }
    if (mDecoder) {
        th_decode_free(mDecoder);
        mDecoder = nullptr;
    }
    mFile.close();
    mStream = nullptr;
    mAtEnd = true;
    mCurrentFrame = 0;
    mSkipping = false;
    mDuration = 0.0f;
    mFrameCount = 0;
    mFullRange = false;
}

unsigned int KaTheora::width() const { return mOgg->info.pic_width; }

unsigned int KaTheora::height() const { return mOgg->info.pic_height; }

float KaTheora::frameRate() const
{
    if (mOgg->info.fps_denominator == 0)
        return 0.0f;
    return static_cast<float>(mOgg->info.fps_numerator) / static_cast<float>(mOgg->info.fps_denominator);
}

void KaTheora::setColorKeyActivated(bool activated)
{
    mColorKeyActivated = activated;
    mFormat = activated ? RGBA8888 : RGB888;
}

// ---------------------------------------------------------------------------
// Reading steps

unsigned long KaTheora::readStream(unsigned long size)
{
    char* buffer = ogg_sync_buffer(&mOgg->syncState, static_cast<long>(size));
    if (!buffer) {
        KaPrintf("[KaTheora::readStream] %s ogg_sync_buffer error\n", mPath.c_str());
        return 0;
    }
    if (!mStream)
        return 0;
    const unsigned long count = mStream->readData(buffer, size);
    if (ogg_sync_wrote(&mOgg->syncState, static_cast<long>(count)) != 0) {
        KaPrintf("[KaTheora::readStream] %s ogg_sync_wrote error\n", mPath.c_str());
        return 0;
    }
    return count;
}

bool KaTheora::readPage()
{
    for (;;) {
        const int result = ogg_sync_pageout(&mOgg->syncState, &mOgg->page);
        if (result == 1)
            return true;
        if (result == -1) {
            // libogg reports a loss of sync once, then resynchronises.
            KaPrintf("KaTheora::readPage: ogg_sync_pageout warning, byte skipped\n");
            continue;
        }
        if (result != 0) {
            KaPrintf("KaTheora::readPage: ogg_sync_pageout unknown error\n");
            return false;
        }
        mLastReadSize = static_cast<int64_t>(readStream(mReadSize));
        if (mLastReadSize == 0) {
            mAtEnd = true;
            return false;
        }
    }
}

bool KaTheora::readPacket() { return nextPacket(false); }

bool KaTheora::peekPacket() { return nextPacket(true); }

// Takes (or only looks at) the next packet of the video stream, feeding the
// stream the video's pages as it needs them.
bool KaTheora::nextPacket(bool peek)
{
    const char* const name = peek ? "KaTheora::peakPacket" : "KaTheora::readPacket";
    const char* const call = peek ? "ogg_stream_packetpeek" : "ogg_stream_packetout";
    for (;;) {
        const int result = peek ? ogg_stream_packetpeek(&mOgg->streamState, &mOgg->packet)
                                : ogg_stream_packetout(&mOgg->streamState, &mOgg->packet);
        if (result == 1)
            return true;
        if (result == -1) {
            KaPrintf("%s: %s warning, out of sync or there is a gap in the data\n", name, call);
            // libogg passes the gap as it reports it, peeking or not.
            continue;
        }
        if (result != 0) {
            KaPrintf("%s: %s unknown error\n", name, call);
            return false;
        }
        if (!readPage())
            return false;
        if (ogg_page_serialno(&mOgg->page) != mOgg->streamState.serialno)
            continue;
        if (ogg_stream_pagein(&mOgg->streamState, &mOgg->page) != 0) {
            KaPrintf("%s: %s ogg_stream_pagein error!\n", name, mPath.c_str());
            close();
            return false;
        }
    }
}

bool KaTheora::seekPage(unsigned long& offset)
{
    ogg_page& page = mOgg->foundPage;
    for (;;) {
        const long result = ogg_sync_pageseek(&mOgg->syncState, &page);
        if (result > 0) {
            offset += static_cast<unsigned long>(result);
            return true;
        }
        if (result < 0) {
            offset += static_cast<unsigned long>(-result);
            continue;
        }
        if (readStream(mReadSize) == 0)
            return false;
    }
}

// ---------------------------------------------------------------------------
// Headers and length

bool KaTheora::readHeaders()
{
    th_info_init(&mOgg->info);
    th_comment_init(&mOgg->comment);

    // The first stream whose first packet is a Theora info header is the
    // video; every other stream is skipped.
    for (;;) {
        if (!readPage())
            return false;
        if (!ogg_page_bos(&mOgg->page))
            continue;
        ogg_stream_state candidate;
        if (ogg_stream_init(&candidate, ogg_page_serialno(&mOgg->page)) != 0)
            return false;
        ogg_packet first;
        int result = TH_ENOTFORMAT;
        if (ogg_stream_pagein(&candidate, &mOgg->page) == 0 && ogg_stream_packetout(&candidate, &first) == 1)
            result = th_decode_headerin(&mOgg->info, &mOgg->comment, &mSetup, &first);
        if (result >= 0) {
            mOgg->streamState = candidate;
            break;
        }
        printHeaderError(result);
        ogg_stream_clear(&candidate);
    }

    // The remaining headers, up to the first video packet, which stays in the
    // stream.
    for (;;) {
        if (!peekPacket())
            return false;
        const int result = th_decode_headerin(&mOgg->info, &mOgg->comment, &mSetup, &mOgg->packet);
        if (result == 0)
            break;
        if (result < 0)
            printHeaderError(result);
        ogg_packet consumed;
        ogg_stream_packetout(&mOgg->streamState, &consumed);
    }

    mFullRange = false;
    for (int i = 0; i < mOgg->comment.comments; ++i) {
        if (declaresFullRange(mOgg->comment.user_comments[i], mOgg->comment.comment_lengths[i]))
            mFullRange = true;
    }
    return true;
}

bool KaTheora::checkInfo()
{
    // The converters read 4:2:0 planes only; other layouts would be read past
    // the chroma planes' ends or shown with the wrong colours.
    if (mOgg->info.pixel_fmt != TH_PF_420) {
        KaPrintf("[KaTheora::open] %s: only 4:2:0 video can be decoded (pixel format %d).\n", mPath.c_str(),
            static_cast<int>(mOgg->info.pixel_fmt));
        return false;
    }
    const uint64_t framePixels = static_cast<uint64_t>(mOgg->info.frame_width) * mOgg->info.frame_height;
    if (mOgg->info.pic_width == 0 || mOgg->info.pic_height == 0
        || !KaImage::sizeAllowed(mOgg->info.pic_width, mOgg->info.pic_height, RGBA8888) || framePixels > kMaxFramePixels) {
        KaPrintf("[KaTheora::open] %s: picture size %ux%u (frame %ux%u) refused.\n", mPath.c_str(),
            static_cast<unsigned int>(mOgg->info.pic_width), static_cast<unsigned int>(mOgg->info.pic_height),
            static_cast<unsigned int>(mOgg->info.frame_width), static_cast<unsigned int>(mOgg->info.frame_height));
        return false;
    }
    return true;
}

bool KaTheora::scanDuration()
{
    mDuration = 0.0f;
    mFrameCount = 0;
    const unsigned long size = mStream->contentLength();
    // Pages that begin at or past windowEnd were looked at by the window
    // before; a page that begins inside a window is read to its end even when
    // it runs past the window, so a large last page is never missed.
    unsigned long windowEnd = size;
    bool found = false;
    for (unsigned long k = 1; !found; ++k) {
        const unsigned long back = k * mReadSize;
        const unsigned long start = back < size ? size - back : 0;
        ogg_sync_reset(&mOgg->syncState);
        if (!mStream->seek(start)) {
            KaPrintf("KaTheora::load: %s seek error!\n", mPath.c_str());
            return false;
        }
        unsigned long offset = start;
        for (;;) {
            ogg_page page;
            const long result = ogg_sync_pageseek(&mOgg->syncState, &page);
            if (result < 0) {
                offset += static_cast<unsigned long>(-result);
                continue;
            }
            if (result == 0) {
                if (offset >= windowEnd || readStream(mReadSize) == 0)
                    break;
                continue;
            }
            const unsigned long pageStart = offset;
            offset += static_cast<unsigned long>(result);
            if (pageStart >= windowEnd)
                break;
            const ogg_int64_t granule = ogg_page_granulepos(&page);
            if (ogg_page_serialno(&page) != mOgg->streamState.serialno || granule < 0)
                continue;
            mDuration = static_cast<float>(th_granule_time(mDecoder, granule));
            const ogg_int64_t last = th_granule_frame(mDecoder, granule);
            mFrameCount = last >= 0 ? static_cast<uint64_t>(last) + 1 : 0;
            found = true;
        }
        windowEnd = start;
        if (start == 0)
            break;
    }
    if (!found)
        KaPrintf("KaTheora::load: %s unable to determine file duration!\n", mPath.c_str());
    return true;
}

// ---------------------------------------------------------------------------
// Decoding

unsigned long KaTheora::keyDistance() const
{
    const int shift = mOgg->info.keyframe_granule_shift;
    return shift > 0 && shift < 64 ? 1ul << shift : 1ul;
}

bool KaTheora::seek(unsigned long frame)
{
    if (ogg_stream_reset(&mOgg->streamState) != 0)
        KaPrintf("KaTheora::_seek: ogg_stream_reset error\n");
    const unsigned long distance = keyDistance();
    const uint64_t target = frame > distance ? frame - distance : 0;

    unsigned long low = 0;
    unsigned long high = mStream->contentLength();
    while (high - low > mReadSize) {
        const unsigned long middle = low + (high - low) / 2;
        ogg_sync_reset(&mOgg->syncState);
        bool found = false;
        ogg_page& page = mOgg->foundPage;
        if (mStream->seek(middle)) {
            unsigned long offset = middle;
            while (seekPage(offset)) {
                if (!ogg_page_bos(&page) && ogg_page_serialno(&page) == mOgg->streamState.serialno
                    && ogg_page_granulepos(&page) >= 0) {
                    found = true;
                    break;
                }
            }
        }
        if (!found) {
            // Nothing of the video after the middle: look before it.
            high = middle;
            continue;
        }
        const int64_t pageFrame = th_granule_frame(mDecoder, ogg_page_granulepos(&page)) + 1;
        const int64_t signedTarget = static_cast<int64_t>(target);
        if (target >= mSeekThreshold && signedTarget - static_cast<int64_t>(mSeekThreshold) < pageFrame
            && pageFrame <= signedTarget) {
            if (ogg_stream_pagein(&mOgg->streamState, &page) != 0)
                KaPrintf("KaTheora::seek: %s ogg_stream_pagein error!\n", mPath.c_str());
            // The packets that end on this page come before pageFrame; a
            // packet that goes on into the next page is frame pageFrame.
            for (;;) {
                ogg_packet drained;
                const int result = ogg_stream_packetout(&mOgg->streamState, &drained);
                if (result == 0)
                    break;
                if (result == -1) {
                    KaPrintf("KaTheora::seek: ogg_stream_packetout warning, out of sync or there is a gap in the "
                             "data\n");
                    continue;
                }
                if (result != 1) {
                    KaPrintf("KaTheora::seek: ogg_stream_packetout unknown error\n");
                    break;
                }
            }
            mAtEnd = false;
            mCurrentFrame = static_cast<uint64_t>(pageFrame);
            mSkipping = true;
            return true;
        }
        if (pageFrame >= signedTarget)
            high = middle;
        else
            low = middle;
    }

    // No page close enough before the target: decode from the start.
    mAtEnd = false;
    mCurrentFrame = 0;
    mSkipping = true;
    ogg_sync_reset(&mOgg->syncState);
    return mStream->seek(0);
}

bool KaTheora::imageAccepted(const KaImage& image) const
{
    const KaImageFormat format = image.format();
    if (format != RGB888 && format != RGBA8888 && format != GREY8)
        return false;
    if (image.bufferWidth() < width() || image.bufferHeight() < height())
        return false;
    return image.buffer() != nullptr;
}

bool KaTheora::update(unsigned long frame, KaImage& image)
{
    if (!mDecoder || frame >= nbFrames())
        return false;
    if (!imageAccepted(image)) {
        KaPrintf("[KaTheora::Update] %s: the image (format %d, buffer %ux%u) cannot take a %ux%u frame.\n",
            mPath.c_str(), static_cast<int>(image.format()), image.bufferWidth(), image.bufferHeight(), width(),
            height());
        return false;
    }

    if (frame < mCurrentFrame || (!mSkipping && frame - mCurrentFrame >= mSeekThreshold)) {
        if (!seek(frame))
            return false;
    }

    const unsigned long distance = keyDistance();
    const uint64_t lowerBound = frame > distance ? frame - distance : 0;
    // The frame's own packet may be dropped (no key frame came before it) or
    // fail to decode: the image then keeps what it held and that is no
    // success.
    bool extracted = false;
    while (mCurrentFrame <= frame) {
        if (!readPacket())
            return false;
        // Once the headers are read, video packets answer 0 (or "not a
        // header" when the setup has been freed); header packets met again
        // after a restart from the start answer otherwise and are passed.
        const int header = th_decode_headerin(&mOgg->info, &mOgg->comment, &mSetup, &mOgg->packet);
        if (header != 0 && header != TH_ENOTFORMAT)
            continue;
        if (mCurrentFrame < lowerBound) {
            ++mCurrentFrame;
            mSkipping = true;
            continue;
        }
        if (mSkipping) {
            if (th_packet_iskeyframe(&mOgg->packet) != 1) {
                ++mCurrentFrame;
                continue;
            }
            mSkipping = false;
        }
        const int result = th_decode_packetin(mDecoder, &mOgg->packet, nullptr);
        if (result == 0) {
            if (mCurrentFrame == frame) {
                extracted = extractFrame(image);
                KaString name;
                name.format("%s-%04lu.tt", mPath.c_str(), frame);
                image.setAccessName(KaPath(name));
            }
        } else if (result == TH_DUPFRAME) {
            if (mCurrentFrame == frame) {
                extracted = extractFrame(image);
                ++mCurrentFrame;
                break;
            }
        } else {
            // The packet still takes its frame's place: counting on keeps the
            // following frames' numbers right.
            printDecodeError(result);
        }
        ++mCurrentFrame;
    }
    return extracted;
}

bool KaTheora::extractFrame(KaImage& image)
{
    th_ycbcr_buffer planes;
    if (th_decode_ycbcr_out(mDecoder, planes) != 0)
        return false;
    const int x = static_cast<int>(mOgg->info.pic_x);
    const int y = static_cast<int>(mOgg->info.pic_y);
    const int yStride = planes[0].stride;
    const int uvStride = planes[1].stride;
    const unsigned char* luma = planes[0].data + (x & ~1) + static_cast<long>(y & ~1) * yStride;
    const long chromaOffset = x / 2 + static_cast<long>(y / 2) * uvStride;
    const unsigned char* cb = planes[1].data + chromaOffset;
    const unsigned char* cr = planes[2].data + chromaOffset;
    const int w = static_cast<int>(width());
    const int h = static_cast<int>(height());
    const int destinationStride = static_cast<int>(image.rowStride());
    unsigned char* destination = image.buffer();

    switch (image.format()) {
    case RGB888:
        yuv420_2_rgb888(destination, luma, cb, cr, w, h, yStride, uvStride, destinationStride);
        break;
    case RGBA8888:
        if (mAlphaChannel)
            yuv420_2_luma8(destination + 3, 4, luma, cr, w, h, yStride, uvStride, destinationStride, mFullRange);
        else
            yuv420_2_rgb8888(
                reinterpret_cast<uint32_t*>(destination), luma, cb, cr, w, h, yStride, uvStride, destinationStride);
        break;
    case GREY8:
        yuv420_2_luma8(destination, 1, luma, cr, w, h, yStride, uvStride, destinationStride, mFullRange);
        break;
    default:
        // update() refuses every other format.
        return false;
    }

    for (unsigned int r = 0; r < height(); ++r)
        image.padRow(r);
    image.padRows();
    image.setChanged(true);
    image.setFlipped(true);
    image.setLeftBorder(mLeftBorder);
    image.setRightBorder(mRightBorder);
    image.setBottomBorder(mBottomBorder);
    image.setTopBorder(mTopBorder);
    return true;
}
