#include "tests/engine/sound/KaSoundFixtures.h"

#include <cmath>

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
