#include "tools/sounds/KaVoiceSynth.h"

#include <cmath>

namespace {

// A small linear congruential generator: the lines must not change from
// one build to the next.
class Random {
public:
    explicit Random(unsigned int seed)
        : mState(seed * 2654435761u + 1u)
    {
    }
    // 0..1.
    double next()
    {
        mState = mState * 1664525u + 1013904223u;
        return static_cast<double>(mState >> 8) / static_cast<double>(1u << 24);
    }

private:
    unsigned int mState;
};

// Vowel formants (first and second), in Hz.
const double kVowels[][2] = { { 730, 1090 }, { 530, 1840 }, { 270, 2290 }, { 570, 840 }, { 300, 870 } };

// Gain of a harmonic at that frequency near two formants.
double formantGain(double hz, double f1, double f2)
{
    const double a = (hz - f1) / 120.0;
    const double b = (hz - f2) / 180.0;
    return std::exp(-a * a) + 0.6 * std::exp(-b * b) + 0.05;
}

}

std::vector<float> KaMumbledLine(double seconds, double pitch, unsigned int seed, unsigned int rate)
{
    const unsigned long total = static_cast<unsigned long>(seconds * rate);
    std::vector<float> samples(total, 0.0f);
    Random random(seed);
    const double twoPi = 2.0 * M_PI;
    unsigned long at = static_cast<unsigned long>(0.05 * rate);
    double phase = 0.0;
    int syllablesInWord = 0;
    while (at < total) {
        const double length = 0.11 + 0.12 * random.next();
        const unsigned long frames = static_cast<unsigned long>(length * rate);
        const double* vowel = kVowels[static_cast<int>(random.next() * 5) % 5];
        // The line falls in pitch towards its end, each syllable bends a little.
        const double progress = static_cast<double>(at) / static_cast<double>(total);
        const double base = pitch * (1.12 - 0.22 * progress) * (0.94 + 0.12 * random.next());
        const double bend = (random.next() - 0.5) * 0.12;
        for (unsigned long i = 0; i < frames && at + i < total; ++i) {
            const double t = static_cast<double>(i) / static_cast<double>(frames);
            const double hz = base * (1.0 + bend * t);
            phase += twoPi * hz / rate;
            if (phase > twoPi * 1000.0)
                phase -= twoPi * 1000.0;
            double value = 0.0;
            for (int h = 1; h <= 14; ++h)
                value += formantGain(hz * h, vowel[0], vowel[1]) * std::sin(phase * h) / h;
            // A soft attack and a longer decay, as a spoken syllable.
            const double envelope = std::sin(M_PI * std::pow(t, 0.7));
            samples[at + i] = static_cast<float>(0.32 * envelope * value);
        }
        at += frames;
        if (++syllablesInWord >= 2 + static_cast<int>(random.next() * 3)) {
            syllablesInWord = 0;
            at += static_cast<unsigned long>((0.06 + 0.1 * random.next()) * rate);
        }
    }
    // The last syllable is faded out at the line's end rather than cut.
    const unsigned long fade = rate / 50 < total ? rate / 50 : total;
    for (unsigned long i = 0; i < fade; ++i)
        samples[total - 1 - i] *= static_cast<float>(i) / static_cast<float>(fade);
    return samples;
}

std::vector<float> KaSilence(double seconds, unsigned int rate)
{
    return std::vector<float>(static_cast<unsigned long>(seconds * rate), 0.0f);
}
