// Writes the sample game's movie and its sound track, the quay's ambient
// sounds and the door's sound under the folder given on the command line:
//   movies/QuayDusk.ogv            a short Theora film of the quay at dusk
//   movies/QuayDusk.ogg            its sound track (swell and a far gull)
//   sounds/Ambiances/Gull.ogg      a gull's two cries
//   sounds/Ambiances/Water.ogg     water lapping at the quay
//   sounds/Effects/Door.ogg        the office door: a creak and its thud
//   sounds/Ambiances/b_automatebike.ogg  the movie gallery's clockwork
//   sounds/Ambiances/b_engrenagebg.ogg   and the hum of its gears
// Everything is synthesised here, so the repository holds no binaries.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/fixtures/KaTheoraFixture.h"
#include "tools/sounds/KaVorbisWriter.h"

namespace {

const unsigned int kRate = 22050;
const double kPi = 3.14159265358979323846;

// The film: 2.4 s at 25 frames a second, 16:9.
const unsigned int kWidth = 192;
const unsigned int kHeight = 108;
const unsigned int kFrames = 60;
const double kFilmSeconds = kFrames / 25.0;

// A small deterministic noise source, so that a build writes the same bytes.
struct Noise {
    unsigned int state;
    double next()
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
    }
};

// One-pole low-pass filtered noise: the hiss of water.
std::vector<double> filteredNoise(unsigned long count, double cutoff, unsigned int seed)
{
    Noise noise { seed };
    const double a = std::exp(-2.0 * kPi * cutoff / kRate);
    std::vector<double> out(count);
    double y = 0.0;
    for (unsigned long i = 0; i < count; ++i) {
        y = (1.0 - a) * noise.next() + a * y;
        out[i] = y;
    }
    return out;
}

// Fades the first and last few milliseconds, so that no file starts or
// ends on a click.
void fadeEnds(std::vector<float>& samples, double seconds)
{
    const unsigned long fade = std::min<unsigned long>(samples.size() / 2, static_cast<unsigned long>(seconds * kRate));
    for (unsigned long i = 0; i < fade; ++i) {
        const float g = static_cast<float>(i) / fade;
        samples[i] *= g;
        samples[samples.size() - 1 - i] *= g;
    }
}

void normalise(std::vector<float>& samples, float peak)
{
    float top = 0.0f;
    for (float s : samples)
        top = std::max(top, std::fabs(s));
    if (top > 0.0f)
        for (float& s : samples)
            s *= peak / top;
}

// A gull's cry: a falling, slightly rough call with a bright harmonic.
void addGullCry(std::vector<float>& out, double start, double length, double from, double to, double gain)
{
    const unsigned long first = static_cast<unsigned long>(start * kRate);
    const unsigned long count = static_cast<unsigned long>(length * kRate);
    double phase = 0.0;
    for (unsigned long i = 0; i < count && first + i < out.size(); ++i) {
        const double t = static_cast<double>(i) / count;
        const double hz = from + (to - from) * t * t + 40.0 * std::sin(2.0 * kPi * 23.0 * i / kRate);
        phase += 2.0 * kPi * hz / kRate;
        const double envelope = std::sin(kPi * std::min(1.0, t * 1.6)) * (1.0 - 0.4 * t);
        const double voice = std::sin(phase) + 0.45 * std::sin(2.0 * phase + 0.3) + 0.2 * std::sin(3.0 * phase);
        out[first + i] += static_cast<float>(gain * envelope * voice);
    }
}

std::vector<float> gull()
{
    std::vector<float> out(static_cast<unsigned long>(1.3 * kRate), 0.0f);
    addGullCry(out, 0.05, 0.42, 1850.0, 1250.0, 0.5);
    addGullCry(out, 0.60, 0.55, 1950.0, 1150.0, 0.6);
    normalise(out, 0.7f);
    fadeEnds(out, 0.01);
    return out;
}

// Water lapping: low hiss rising and falling in slow uneven swells, with
// the soft slap of each wave on the stones.
std::vector<float> water(double seconds, unsigned int seed)
{
    const unsigned long count = static_cast<unsigned long>(seconds * kRate);
    const std::vector<double> hiss = filteredNoise(count, 600.0, seed);
    const std::vector<double> rumble = filteredNoise(count, 120.0, seed + 7);
    std::vector<float> out(count);
    for (unsigned long i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double swell = 0.55 + 0.45 * std::sin(2.0 * kPi * 0.7 * t) * std::sin(2.0 * kPi * 0.23 * t + 1.0);
        const double slapPhase = std::fmod(t, 1.4) / 1.4;
        const double slap = slapPhase < 0.12 ? std::sin(kPi * slapPhase / 0.12) : 0.0;
        out[i] = static_cast<float>(swell * (hiss[i] * 3.0 + rumble[i] * 6.0) + slap * hiss[i] * 4.0);
    }
    normalise(out, 0.6f);
    fadeEnds(out, 0.25);
    return out;
}

// The gallery's clockwork: a soft tick-tock, two ticks a second, each a
// short decaying knock of wood and brass.
std::vector<float> clockwork(double seconds)
{
    const unsigned long count = static_cast<unsigned long>(seconds * kRate);
    std::vector<float> out(count, 0.0f);
    for (unsigned int tick = 0; tick < static_cast<unsigned int>(seconds * 2.0); ++tick) {
        const unsigned long first = static_cast<unsigned long>((tick * 0.5 + 0.02) * kRate);
        const double pitch = tick % 2 ? 1650.0 : 1400.0;
        for (unsigned long i = 0; first + i < count && i < kRate / 20; ++i) {
            const double t = static_cast<double>(i) / kRate;
            const double knock = std::sin(2.0 * kPi * pitch * t) + 0.5 * std::sin(2.0 * kPi * 420.0 * t);
            out[first + i] += static_cast<float>(knock * std::exp(-t * 90.0));
        }
    }
    normalise(out, 0.5f);
    return out;
}

// The hum of the gallery's gears: a low drone beating slowly against its
// own fifth, with a little grit.
std::vector<float> gears(double seconds)
{
    const unsigned long count = static_cast<unsigned long>(seconds * kRate);
    const std::vector<double> grit = filteredNoise(count, 300.0, 11);
    std::vector<float> out(count);
    for (unsigned long i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double drone = std::sin(2.0 * kPi * 55.0 * t) + 0.6 * std::sin(2.0 * kPi * 82.7 * t)
            + 0.3 * std::sin(2.0 * kPi * 110.4 * t);
        out[i] = static_cast<float>(drone * (0.8 + 0.2 * std::sin(2.0 * kPi * 0.5 * t)) + grit[i] * 2.0);
    }
    normalise(out, 0.4f);
    fadeEnds(out, 0.2);
    return out;
}

// The office door: hinges creaking (a low buzz whose pitch wanders), then
// the door meeting its frame.
std::vector<float> door()
{
    const unsigned long count = static_cast<unsigned long>(1.0 * kRate);
    std::vector<float> out(count, 0.0f);
    Noise noise { 99 };
    double phase = 0.0;
    const unsigned long creak = static_cast<unsigned long>(0.62 * kRate);
    for (unsigned long i = 0; i < creak; ++i) {
        const double t = static_cast<double>(i) / creak;
        const double hz = 180.0 + 140.0 * t + 30.0 * std::sin(2.0 * kPi * 5.0 * t);
        phase += 2.0 * kPi * hz / kRate;
        // A narrow pulse train: the stick-slip of a dry hinge.
        const double pulse = std::pow(0.5 + 0.5 * std::cos(phase), 12.0);
        out[i] = static_cast<float>(std::sin(kPi * t) * (pulse - 0.08) * 0.8);
    }
    const unsigned long thud = static_cast<unsigned long>(0.66 * kRate);
    for (unsigned long i = thud; i < count; ++i) {
        const double t = static_cast<double>(i - thud) / kRate;
        const double decay = std::exp(-t * 18.0);
        out[i] += static_cast<float>(decay * (std::sin(2.0 * kPi * 70.0 * t) * 0.9 + noise.next() * 0.35));
    }
    normalise(out, 0.75f);
    fadeEnds(out, 0.005);
    return out;
}

// The film's sound: the quay's water under a soft low chord that fades in,
// and a gull far off in the middle.
std::vector<float> filmTrack()
{
    std::vector<float> out = water(kFilmSeconds, 11);
    const unsigned long count = out.size();
    const double chord[] = { 110.0, 164.8, 220.0, 277.2 };
    for (unsigned long i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double rise = std::min(1.0, t / 1.0) * std::min(1.0, (kFilmSeconds - t) / 0.5);
        double tone = 0.0;
        for (double hz : chord)
            tone += std::sin(2.0 * kPi * hz * t);
        out[i] = out[i] * 0.6f + static_cast<float>(0.08 * rise * tone);
    }
    std::vector<float> cry(count, 0.0f);
    addGullCry(cry, 0.9, 0.5, 1700.0, 1200.0, 0.18);
    for (unsigned long i = 0; i < count; ++i)
        out[i] += cry[i];
    normalise(out, 0.7f);
    fadeEnds(out, 0.05);
    return out;
}

struct Rgb {
    double r, g, b;
};

Rgb mix(const Rgb& a, const Rgb& b, double t)
{
    return { a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t };
}

// The quay at dusk in the palette of the game (navy night, amber sun, teal
// sea): the sun sinks towards the sea while the sky darkens, waves run under
// it and the office and a bollard stand dark on the quay.
Rgb filmPixel(unsigned int frame, double x, double y)
{
    const double u = x / kWidth;
    const double v = y / kHeight;
    const double time = static_cast<double>(frame) / (kFrames - 1);
    const Rgb navy { 0.06, 0.10, 0.18 };
    const Rgb amber { 0.95, 0.71, 0.27 };
    const Rgb teal { 0.18, 0.64, 0.66 };
    const Rgb dusk { 0.62, 0.32, 0.30 };
    const double horizon = 0.62;
    const double sunX = 0.38;
    const double sunY = 0.36 + 0.24 * time;
    const double sunRadius = 0.075;
    if (v < horizon) {
        // Sky: dusk red low down, navy up high, darker as the film runs.
        Rgb sky = mix(navy, dusk, std::pow(v / horizon, 1.6) * (1.0 - 0.45 * time));
        const double dx = (u - sunX) * 16.0 / 9.0;
        const double d = std::hypot(dx, v - sunY);
        if (d < sunRadius)
            return amber;
        sky = mix(sky, amber, std::max(0.0, 0.35 - d) * (1.0 - 0.5 * time));
        // The office's dark gable and its lit window on the right.
        if (u > 0.70 && u < 0.94 && v > 0.30 - (u < 0.82 ? (u - 0.70) : (0.94 - u)) * 0.8) {
            if (u > 0.78 && u < 0.84 && v > 0.42 && v < 0.52)
                return mix(amber, navy, 0.15);
            return { 0.03, 0.05, 0.09 };
        }
        return sky;
    }
    // Quay stones along the bottom, a bollard on them.
    if (v > 0.86) {
        if (u > 0.12 && u < 0.17 && v > 0.80)
            return { 0.03, 0.05, 0.09 };
        return mix({ 0.16, 0.17, 0.21 }, navy, (v - 0.86) / 0.14);
    }
    if (u > 0.12 && u < 0.17 && v > 0.80)
        return { 0.03, 0.05, 0.09 };
    // Sea: teal darkening to navy, crests moving towards the quay, and the
    // sun's path on the water.
    const double depth = (v - horizon) / (0.86 - horizon);
    Rgb sea = mix(mix(teal, navy, 0.55), navy, 0.6 - 0.5 * depth + 0.3 * time);
    const double crest = std::sin(u * 38.0 + std::sin(u * 7.0) * 2.0 - frame * 0.35 + depth * 20.0);
    if (crest > 0.93)
        sea = mix(sea, teal, 0.6);
    const double glitter = std::exp(-std::pow((u - sunX) * 9.0, 2.0)) * (1.0 - 0.6 * time);
    if (crest > 0.6)
        sea = mix(sea, amber, glitter * 0.8);
    return sea;
}

unsigned char clampByte(double value)
{
    return static_cast<unsigned char>(std::max(0.0, std::min(255.0, std::round(value))));
}

std::string film()
{
    KaTheoraClip clip;
    clip.width = kWidth;
    clip.height = kHeight;
    clip.frames = kFrames;
    clip.keyFrameInterval = 16;
    clip.quality = 48;
    clip.withVorbis = false;
    clip.framesPerPage = 0;
    clip.luma = [](unsigned int frame, unsigned int x, unsigned int y) {
        const Rgb c = filmPixel(frame, x + 0.5, y + 0.5);
        return clampByte(16.0 + 65.481 * c.r + 128.553 * c.g + 24.966 * c.b);
    };
    clip.cb = [](unsigned int frame, unsigned int x, unsigned int y) {
        const Rgb c = filmPixel(frame, 2.0 * x + 1.0, 2.0 * y + 1.0);
        return clampByte(128.0 - 37.797 * c.r - 74.203 * c.g + 112.0 * c.b);
    };
    clip.cr = [](unsigned int frame, unsigned int x, unsigned int y) {
        const Rgb c = filmPixel(frame, 2.0 * x + 1.0, 2.0 * y + 1.0);
        return clampByte(128.0 + 112.0 * c.r - 93.786 * c.g - 18.214 * c.b);
    };
    return KaEncodeTheora(clip);
}

bool makeFolder(const std::filesystem::path& folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        std::fprintf(stderr, "cannot make %s: %s\n", folder.string().c_str(), error.message().c_str());
    return !error;
}

bool writeSound(const std::filesystem::path& file, const std::vector<float>& samples)
{
    if (!makeFolder(file.parent_path()))
        return false;
    if (!KaWriteVorbisFile(file.string(), samples, kRate)) {
        std::fprintf(stderr, "cannot write %s\n", file.string().c_str());
        return false;
    }
    return true;
}

bool writeFilm(const std::filesystem::path& file)
{
    const std::string bytes = film();
    if (bytes.empty()) {
        std::fprintf(stderr, "the Theora encoder refused the film\n");
        return false;
    }
    if (!makeFolder(file.parent_path()))
        return false;
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", file.string().c_str());
        return false;
    }
    return true;
}

}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <resources folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path root(argv[1]);
    int failures = 0;
    failures += !writeFilm(root / "movies" / "QuayDusk.ogv");
    failures += !writeSound(root / "movies" / "QuayDusk.ogg", filmTrack());
    failures += !writeSound(root / "sounds" / "Ambiances" / "Gull.ogg", gull());
    failures += !writeSound(root / "sounds" / "Ambiances" / "Water.ogg", water(3.0, 3));
    failures += !writeSound(root / "sounds" / "Effects" / "Door.ogg", door());
    failures += !writeSound(root / "sounds" / "Ambiances" / "b_automatebike.ogg", clockwork(4.0));
    failures += !writeSound(root / "sounds" / "Ambiances" / "b_engrenagebg.ogg", gears(4.0));
    return failures ? 1 : 0;
}
