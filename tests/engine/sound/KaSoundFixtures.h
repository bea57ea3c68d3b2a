#ifndef KA_SOUND_FIXTURES_H
#define KA_SOUND_FIXTURES_H

#include <string>
#include <vector>

#include "tools/fixtures/KaVorbisFixture.h"

class KaStream;

// Sound content made on the spot for the sound tests: Ogg Vorbis encoded with
// libvorbisenc, tones, and a way to tell which tone a decoded channel holds.

// Interleaved float frames (-1..1): channel c is a sine at hz[c] (hz must
// hold one frequency per channel).
std::vector<float> KaToneFrames(
    unsigned int channels, unsigned int rate, unsigned long frames, const std::vector<double>& hz, float amplitude);
// KaToneFrames encoded by KaEncodeVorbis.
bool KaEncodeVorbisTones(KaStream& out, unsigned int channels, unsigned int rate, unsigned long frames,
    const std::vector<double>& hz, float amplitude = 0.5f, unsigned int packetsPerPage = 0);

// Writes the stream's memory data to a file through the engine's file class.
bool KaWriteStream(const KaStream& stream, const std::string& path);

// Power of the hz component in one channel of interleaved signed 16-bit
// frames (Goertzel), normalised by the frame count.
double KaTonePower(const short* samples, unsigned long frames, unsigned int channels, unsigned int channel, double hz,
    unsigned int rate);

// Index in hz of the strongest of those tones in that channel.
unsigned int KaDominantTone(const short* samples, unsigned long frames, unsigned int channels, unsigned int channel,
    const std::vector<double>& hz, unsigned int rate);

#endif
