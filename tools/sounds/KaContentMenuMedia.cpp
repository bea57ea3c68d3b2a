// Writes the menus' video and sounds into <Resources>/: the looping harbour
// at dusk behind the menus ("menus/menu.ogv"), the menu and credits music,
// and the options screen's two test sounds.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/fixtures/KaTheoraFixture.h"
#include "tools/sounds/KaVoiceSynth.h"
#include "tools/sounds/KaVorbisWriter.h"

namespace {

const double kPi = 3.14159265358979;
const unsigned int kRate = 22050;

struct Rgb {
    double r, g, b;
};

Rgb mix(const Rgb& a, const Rgb& b, double f)
{
    return { a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f };
}

// The palette of the game's pictures.
const Rgb kInk { 0.03, 0.05, 0.09 };
const Rgb kNavy { 0.06, 0.10, 0.18 };
const Rgb kTeal { 0.18, 0.64, 0.66 };
const Rgb kAmber { 0.95, 0.71, 0.27 };
const Rgb kCream { 0.96, 0.93, 0.85 };

const unsigned int kWidth = 320;
const unsigned int kHeight = 180;
const unsigned int kFrames = 100;

// The harbour at dusk: a sky darkening upwards over an amber horizon, the
// sea in navy bands that roll towards the viewer, and a lighthouse on the
// right whose lamp pulses once a loop. Everything moves with the frame's
// phase, so the last frame leads back into the first.
Rgb harbour(unsigned int frame, unsigned int x, unsigned int y)
{
    const double phase = 2.0 * kPi * frame / kFrames;
    const double u = static_cast<double>(x) / kWidth;
    const double v = static_cast<double>(y) / kHeight;
    const double horizon = 0.52;
    const double lampX = 0.84, lampY = 0.30;
    const double pulse = 0.5 + 0.5 * std::cos(phase);
    if (v < horizon) {
        Rgb sky = mix(kInk, kNavy, v / horizon);
        sky = mix(sky, kAmber, std::pow(v / horizon, 6.0) * 0.55);
        // The lighthouse: a cream tower, its lamp amber.
        if (std::fabs(u - lampX) < 0.012 + 0.01 * (v - lampY) / (horizon - lampY) && v > lampY)
            return mix(kCream, kNavy, 0.35);
        const double d = std::hypot((u - lampX) * 1.78, v - lampY);
        sky = mix(sky, kAmber, std::max(0.0, 1.0 - d / (0.02 + 0.05 * pulse)));
        return sky;
    }
    const double depth = (v - horizon) / (1.0 - horizon);
    Rgb sea = mix(kNavy, kInk, depth * 0.8);
    const double wave = std::sin(1.0 / (depth + 0.08) * 6.0 - phase + std::sin(u * 9.0 + phase) * 0.6);
    sea = mix(sea, kTeal, std::max(0.0, wave) * 0.28 * (1.0 - depth * 0.5));
    // The lamp's reflection on the water.
    const double glint = std::max(0.0, 1.0 - std::fabs(u - lampX) * 30.0) * (1.0 - depth);
    return mix(sea, kAmber, glint * 0.5 * pulse);
}

unsigned char clampByte(double value)
{
    return static_cast<unsigned char>(value < 0 ? 0 : value > 255 ? 255 : std::lround(value));
}

bool writeVideo(const std::filesystem::path& path)
{
    KaTheoraClip clip;
    clip.width = kWidth;
    clip.height = kHeight;
    clip.frames = kFrames;
    clip.keyFrameInterval = 25;
    clip.quality = 40;
    clip.withVorbis = false;
    clip.luma = [](unsigned int frame, unsigned int x, unsigned int y) {
        const Rgb c = harbour(frame, x, y);
        return clampByte(16.0 + 65.481 * c.r + 128.553 * c.g + 24.966 * c.b);
    };
    clip.cb = [](unsigned int frame, unsigned int x, unsigned int y) {
        const Rgb c = harbour(frame, 2 * x, 2 * y);
        return clampByte(128.0 - 37.797 * c.r - 74.203 * c.g + 112.0 * c.b);
    };
    clip.cr = [](unsigned int frame, unsigned int x, unsigned int y) {
        const Rgb c = harbour(frame, 2 * x, 2 * y);
        return clampByte(128.0 + 112.0 * c.r - 93.786 * c.g - 18.214 * c.b);
    };
    const std::string bytes = KaEncodeTheora(clip);
    if (bytes.empty())
        return false;
    std::ofstream file(path, std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

double note(int semitonesFromA) { return 440.0 * std::pow(2.0, semitonesFromA / 12.0); }

// A slow arpeggio of soft plucked notes over a held low drone: one bar a
// chord, the chords given in semitones from A4.
std::vector<float> arpeggio(const std::vector<std::vector<int>>& chords, double barSeconds, double brightness)
{
    const size_t barSamples = static_cast<size_t>(barSeconds * kRate);
    std::vector<float> samples(barSamples * chords.size(), 0.0f);
    for (size_t bar = 0; bar < chords.size(); ++bar) {
        const std::vector<int>& chord = chords[bar];
        const double drone = note(chord[0] - 24);
        for (size_t i = 0; i < barSamples; ++i) {
            const double t = static_cast<double>(i) / kRate;
            const double swell = std::sin(kPi * i / barSamples);
            samples[bar * barSamples + i] += static_cast<float>(0.10 * swell * std::sin(2 * kPi * drone * t));
        }
        const size_t steps = 8;
        for (size_t step = 0; step < steps; ++step) {
            const double freq = note(chord[step % chord.size()] + (step >= chord.size() ? 12 : 0));
            const size_t start = bar * barSamples + step * barSamples / steps;
            for (size_t i = 0; start + i < samples.size() && i < barSamples; ++i) {
                const double t = static_cast<double>(i) / kRate;
                const double envelope = std::exp(-t * 3.0) * std::min(1.0, t * 200.0);
                const double tone = std::sin(2 * kPi * freq * t) + brightness * std::sin(4 * kPi * freq * t);
                samples[start + i] += static_cast<float>(0.16 * envelope * tone);
            }
        }
    }
    return samples;
}

std::vector<float> chime(double seconds)
{
    std::vector<float> samples(static_cast<size_t>(seconds * kRate));
    const double partials[3] = { note(3), note(10), note(15) };
    for (size_t i = 0; i < samples.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        double value = 0;
        for (int p = 0; p < 3; ++p)
            value += std::sin(2 * kPi * partials[p] * t) * std::exp(-t * (2.0 + p));
        samples[i] = static_cast<float>(0.25 * value * std::min(1.0, t * 400.0));
    }
    return samples;
}

}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <resources folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path root(argv[1]);
    for (const char* folder : { "menus", "menus/music", "menus/options" }) {
        std::error_code error;
        std::filesystem::create_directories(root / folder, error);
    }
    int failures = 0;
    if (!writeVideo(root / "menus/menu.ogv")) {
        std::fprintf(stderr, "cannot write menus/menu.ogv\n");
        ++failures;
    }
    struct Sound {
        const char* path;
        std::vector<float> samples;
    } sounds[] = {
        // A minor, F, C, G: the harbour at dusk.
        { "menus/music/menu.ogg", arpeggio({ { 0, 3, 7 }, { -4, 0, 3 }, { 3, 7, 10 }, { -2, 2, 5 } }, 3.0, 0.2) },
        // C, G, A minor, F, brighter: the credits.
        { "menus/music/credits.ogg", arpeggio({ { 3, 7, 10 }, { -2, 2, 5 }, { 0, 3, 7 }, { -4, 0, 3 } }, 2.5, 0.5) },
        { "menus/options/dialogTest.ogg", KaMumbledLine(1.6, 205.0, 7, kRate) },
        { "menus/options/videoTest.ogg", chime(1.6) },
    };
    for (const Sound& sound : sounds) {
        const std::string path = (root / sound.path).string();
        if (!KaWriteVorbisFile(path, sound.samples, kRate)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
