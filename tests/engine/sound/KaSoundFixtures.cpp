#include "tests/engine/sound/KaSoundFixtures.h"

#include <cmath>

#include <vorbis/vorbisenc.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "engine/core/KaFile.h"
#include "engine/core/KaStream.h"

std::vector<float> KaToneFrames(
    unsigned int channels, unsigned int rate, unsigned long frames, const std::vector<double>& hz, float amplitude)
{
    std::vector<float> samples(frames * channels);
    const double step = 2.0 * M_PI / rate;
    for (unsigned long i = 0; i < frames; ++i) {
        for (unsigned int c = 0; c < channels; ++c)
            samples[i * channels + c] = amplitude * static_cast<float>(std::sin(step * hz[c] * i));
    }
    return samples;
}

namespace {

void writePage(KaStream& out, const ogg_page& page)
{
    out.writeData(page.header, static_cast<unsigned long>(page.header_len));
    out.writeData(page.body, static_cast<unsigned long>(page.body_len));
}

} // namespace

bool KaEncodeVorbis(KaStream& out, const std::vector<float>& interleaved, unsigned int channels, unsigned int rate,
    float quality, int serial, unsigned int packetsPerPage)
{
    vorbis_info info;
    vorbis_info_init(&info);
    // libvorbisenc 1.3.7 loses a block of its setup for more than two
    // channels; that is the library's, not the code under test's.
#if defined(__SANITIZE_ADDRESS__)
    __lsan_disable();
#endif
    const int refused = vorbis_encode_init_vbr(&info, static_cast<long>(channels), static_cast<long>(rate), quality);
#if defined(__SANITIZE_ADDRESS__)
    __lsan_enable();
#endif
    if (refused != 0) {
        vorbis_info_clear(&info);
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, serial);

    ogg_packet identification;
    ogg_packet comments;
    ogg_packet codebooks;
    vorbis_analysis_headerout(&dsp, &comment, &identification, &comments, &codebooks);
    ogg_stream_packetin(&stream, &identification);
    ogg_stream_packetin(&stream, &comments);
    ogg_stream_packetin(&stream, &codebooks);
    ogg_page page;
    // The audio must start on a fresh page.
    while (ogg_stream_flush(&stream, &page) != 0)
        writePage(out, page);

    const unsigned long frames = interleaved.size() / channels;
    const unsigned long feed = 1024;
    unsigned long done = 0;
    unsigned long packets = 0;
    bool ended = false;
    while (!ended) {
        const unsigned long count = frames - done < feed ? frames - done : feed;
        if (count == 0) {
            vorbis_analysis_wrote(&dsp, 0);
        } else {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
            for (unsigned long i = 0; i < count; ++i) {
                for (unsigned int c = 0; c < channels; ++c)
                    buffer[c][i] = interleaved[(done + i) * channels + c];
            }
            vorbis_analysis_wrote(&dsp, static_cast<int>(count));
            done += count;
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1) {
                ogg_stream_packetin(&stream, &packet);
                ++packets;
                const bool close = packetsPerPage > 0 && packets % packetsPerPage == 0;
                while (close ? ogg_stream_flush(&stream, &page) != 0 : ogg_stream_pageout(&stream, &page) != 0) {
                    writePage(out, page);
                    if (ogg_page_eos(&page))
                        ended = true;
                }
            }
        }
    }

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return true;
}

bool KaEncodeVorbisTones(KaStream& out, unsigned int channels, unsigned int rate, unsigned long frames,
    const std::vector<double>& hz, float amplitude, unsigned int packetsPerPage)
{
    return KaEncodeVorbis(
        out, KaToneFrames(channels, rate, frames, hz, amplitude), channels, rate, 0.4f, 1234, packetsPerPage);
}

bool KaWriteStream(const KaStream& stream, const std::string& path)
{
    KaFile file;
    if (!file.open(path.c_str(), KaFileSystem::Write))
        return false;
    const unsigned long length = stream.bufferLength();
    return length == 0 || file.writeData(stream.data(), length) == length;
}

double KaTonePower(const short* samples, unsigned long frames, unsigned int channels, unsigned int channel, double hz,
    unsigned int rate)
{
    const double coefficient = 2.0 * std::cos(2.0 * M_PI * hz / rate);
    double previous = 0.0;
    double beforePrevious = 0.0;
    for (unsigned long i = 0; i < frames; ++i) {
        const double value = samples[i * channels + channel] / 32768.0;
        const double current = value + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    const double power
        = previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious;
    return frames ? power / frames : 0.0;
}

unsigned int KaDominantTone(const short* samples, unsigned long frames, unsigned int channels, unsigned int channel,
    const std::vector<double>& hz, unsigned int rate)
{
    unsigned int best = 0;
    double bestPower = -1.0;
    for (unsigned int i = 0; i < hz.size(); ++i) {
        const double power = KaTonePower(samples, frames, channels, channel, hz[i], rate);
        if (power > bestPower) {
            bestPower = power;
            best = i;
        }
    }
    return best;
}
