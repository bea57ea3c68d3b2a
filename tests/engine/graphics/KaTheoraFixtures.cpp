#include "tests/engine/graphics/KaTheoraFixtures.h"

#include <gtest/gtest.h>
#include <ogg/ogg.h>
#include <theora/theoraenc.h>
#include <vorbis/codec.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

const long kSampleRate = 44100;
const int kVideoSerial = 0x7E0;
const int kAudioSerial = 0x50;

void appendPage(std::string& out, const ogg_page& page)
{
    out.append(reinterpret_cast<const char*>(page.header), static_cast<size_t>(page.header_len));
    out.append(reinterpret_cast<const char*>(page.body), static_cast<size_t>(page.body_len));
}

void flushPages(std::string& out, ogg_stream_state& stream)
{
    ogg_page page;
    while (ogg_stream_flush(&stream, &page) != 0)
        appendPage(out, page);
}

void writeFullPages(std::string& out, ogg_stream_state& stream)
{
    ogg_page page;
    while (ogg_stream_pageout(&stream, &page) != 0)
        appendPage(out, page);
}

// One plane of the coded frame, with the picture's samples placed at the
// picture offset and the rest left at a fill value.
struct Plane {
    unsigned int width = 0;
    unsigned int height = 0;
    std::vector<unsigned char> samples;
};

// The sound stream: a quiet tone for as long as the video runs.
class VorbisTrack {
public:
    VorbisTrack()
    {
        vorbis_info_init(&mInfo);
        mReady = vorbis_encode_init_vbr(&mInfo, 1, kSampleRate, 0.1f) == 0;
        vorbis_comment_init(&mComment);
        if (mReady) {
            vorbis_analysis_init(&mDsp, &mInfo);
            vorbis_block_init(&mDsp, &mBlock);
        }
        ogg_stream_init(&mStream, kAudioSerial);
    }
    ~VorbisTrack()
    {
        ogg_stream_clear(&mStream);
        if (mReady) {
            vorbis_block_clear(&mBlock);
            vorbis_dsp_clear(&mDsp);
        }
        vorbis_comment_clear(&mComment);
        vorbis_info_clear(&mInfo);
    }
    bool ready() const { return mReady; }

    // The first header page (alone, as a first page must be), then the page
    // of the two other headers.
    void headers(std::string& firstPage, std::string& otherPages)
    {
        ogg_packet identification, comment, codebooks;
        vorbis_analysis_headerout(&mDsp, &mComment, &identification, &comment, &codebooks);
        ogg_stream_packetin(&mStream, &identification);
        flushPages(firstPage, mStream);
        ogg_stream_packetin(&mStream, &comment);
        ogg_stream_packetin(&mStream, &codebooks);
        flushPages(otherPages, mStream);
    }

    // Encodes the tone up to that sample and writes the full pages.
    void encodeUntil(long long sample, std::string& out)
    {
        while (mSamples < sample) {
            const int count = static_cast<int>(std::min<long long>(1024, sample - mSamples));
            float** buffer = vorbis_analysis_buffer(&mDsp, count);
            for (int i = 0; i < count; ++i)
                buffer[0][i] = 0.2f * std::sin(static_cast<float>(mSamples + i) * 0.05f);
            vorbis_analysis_wrote(&mDsp, count);
            mSamples += count;
            drain(out, false);
        }
    }

    void finish(std::string& out)
    {
        vorbis_analysis_wrote(&mDsp, 0);
        drain(out, true);
    }

private:
    void drain(std::string& out, bool flush)
    {
        while (vorbis_analysis_blockout(&mDsp, &mBlock) == 1) {
            vorbis_analysis(&mBlock, nullptr);
            vorbis_bitrate_addblock(&mBlock);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&mDsp, &packet) == 1)
                ogg_stream_packetin(&mStream, &packet);
        }
        if (flush)
            flushPages(out, mStream);
        else
            writeFullPages(out, mStream);
    }

    vorbis_info mInfo;
    vorbis_comment mComment;
    vorbis_dsp_state mDsp;
    vorbis_block mBlock;
    ogg_stream_state mStream;
    bool mReady = false;
    long long mSamples = 0;
};

} // namespace

unsigned char KaTheoraFrameLuma(unsigned int frame) { return static_cast<unsigned char>(16 + 3 * (frame % 74)); }

int KaTheoraGranuleShift(unsigned int keyFrameInterval)
{
    int shift = 0;
    while ((1u << shift) < keyFrameInterval && shift < 31)
        ++shift;
    return shift;
}

std::string KaEncodeTheora(const KaTheoraClip& clip)
{
    th_info info;
    th_info_init(&info);
    info.frame_width = (clip.pictureX + clip.width + 15) & ~15u;
    info.frame_height = (clip.pictureY + clip.height + 15) & ~15u;
    info.pic_width = clip.width;
    info.pic_height = clip.height;
    info.pic_x = clip.pictureX;
    info.pic_y = clip.pictureY;
    info.fps_numerator = clip.fpsNumerator;
    info.fps_denominator = clip.fpsDenominator;
    info.aspect_numerator = 1;
    info.aspect_denominator = 1;
    info.colorspace = TH_CS_UNSPECIFIED;
    info.pixel_fmt = clip.pixelFormat;
    info.target_bitrate = 0;
    info.quality = clip.quality;
    info.keyframe_granule_shift = KaTheoraGranuleShift(clip.keyFrameInterval);

    th_enc_ctx* encoder = th_encode_alloc(&info);
    if (!encoder) {
        ADD_FAILURE() << "th_encode_alloc refused the clip";
        th_info_clear(&info);
        return std::string();
    }
    ogg_uint32_t interval = clip.keyFrameInterval;
    th_encode_ctl(encoder, TH_ENCCTL_SET_KEYFRAME_FREQUENCY_FORCE, &interval, sizeof(interval));

    th_comment comment;
    th_comment_init(&comment);
    for (const std::string& text : clip.comments) {
        std::vector<char> copy(text.begin(), text.end());
        copy.push_back('\0');
        th_comment_add(&comment, copy.data());
    }

    ogg_stream_state video;
    ogg_stream_init(&video, kVideoSerial);
    VorbisTrack audio;
    if (clip.withVorbis && !audio.ready())
        ADD_FAILURE() << "vorbis_encode_init_vbr failed";
    const bool withAudio = clip.withVorbis && audio.ready();

    // Headers: every first page before any other page.
    std::string videoFirst, videoOthers, audioFirst, audioOthers;
    ogg_packet packet;
    bool first = true;
    while (th_encode_flushheader(encoder, &comment, &packet) > 0) {
        ogg_stream_packetin(&video, &packet);
        if (first)
            flushPages(videoFirst, video);
        first = false;
    }
    flushPages(videoOthers, video);
    if (withAudio)
        audio.headers(audioFirst, audioOthers);
    std::string out;
    if (clip.vorbisFirst)
        out += audioFirst + videoFirst;
    else
        out += videoFirst + audioFirst;
    out += videoOthers + audioOthers;

    // Planes of the coded frame.
    const bool halfWidth = clip.pixelFormat != TH_PF_444;
    const bool halfHeight = clip.pixelFormat == TH_PF_420;
    Plane planes[3];
    planes[0].width = info.frame_width;
    planes[0].height = info.frame_height;
    for (int p = 1; p < 3; ++p) {
        planes[p].width = halfWidth ? info.frame_width / 2 : info.frame_width;
        planes[p].height = halfHeight ? info.frame_height / 2 : info.frame_height;
    }
    for (int p = 0; p < 3; ++p)
        planes[p].samples.assign(static_cast<size_t>(planes[p].width) * planes[p].height, p == 0 ? 0 : 128);

    auto isDuplicate = [&clip](unsigned int frame) {
        return std::find(clip.duplicates.begin(), clip.duplicates.end(), frame) != clip.duplicates.end();
    };

    unsigned int packets = 0;
    for (unsigned int n = 0; n < clip.frames; ++n) {
        if (n > 0 && isDuplicate(n))
            continue;
        int duplicates = 0;
        while (n + 1 + duplicates < clip.frames && isDuplicate(n + 1 + duplicates))
            ++duplicates;

        for (unsigned int y = 0; y < clip.height; ++y) {
            for (unsigned int x = 0; x < clip.width; ++x) {
                const unsigned char value = clip.luma ? clip.luma(n, x, y) : KaTheoraFrameLuma(n);
                planes[0].samples[static_cast<size_t>(clip.pictureY + y) * planes[0].width + clip.pictureX + x] = value;
            }
        }
        if (clip.pixelFormat == TH_PF_420) {
            for (unsigned int y = 0; y < (clip.height + 1) / 2; ++y) {
                for (unsigned int x = 0; x < (clip.width + 1) / 2; ++x) {
                    const size_t at
                        = static_cast<size_t>(clip.pictureY / 2 + y) * planes[1].width + clip.pictureX / 2 + x;
                    planes[1].samples[at] = clip.cb ? clip.cb(n, x, y) : 128;
                    planes[2].samples[at] = clip.cr ? clip.cr(n, x, y) : 128;
                }
            }
        }
        th_ycbcr_buffer buffer;
        for (int p = 0; p < 3; ++p) {
            buffer[p].width = static_cast<int>(planes[p].width);
            buffer[p].height = static_cast<int>(planes[p].height);
            buffer[p].stride = static_cast<int>(planes[p].width);
            buffer[p].data = planes[p].samples.data();
        }
        if (duplicates > 0 && th_encode_ctl(encoder, TH_ENCCTL_SET_DUP_COUNT, &duplicates, sizeof(duplicates)) != 0)
            ADD_FAILURE() << "the encoder refused " << duplicates << " duplicates after frame " << n;
        if (th_encode_ycbcr_in(encoder, buffer) != 0)
            ADD_FAILURE() << "th_encode_ycbcr_in failed at frame " << n;
        const bool last = n + duplicates + 1 >= clip.frames;
        while (th_encode_packetout(encoder, last ? 1 : 0, &packet) > 0) {
            ogg_stream_packetin(&video, &packet);
            ++packets;
            if (clip.framesPerPage != 0 && packets % clip.framesPerPage == 0)
                flushPages(out, video);
            else
                writeFullPages(out, video);
        }
        if (withAudio) {
            const long long end = static_cast<long long>(n + duplicates + 1) * kSampleRate * clip.fpsDenominator
                / std::max(1u, clip.fpsNumerator);
            audio.encodeUntil(end, out);
        }
    }
    flushPages(out, video);
    if (withAudio)
        audio.finish(out);

    ogg_stream_clear(&video);
    th_comment_clear(&comment);
    th_encode_free(encoder);
    th_info_clear(&info);
    return out;
}
