#ifndef KA_SOUND_FIXTURES_H
#define KA_SOUND_FIXTURES_H

#include <string>
#include <vector>

class KaStream;

// Sound content made on the spot for the sound tests: Ogg Vorbis encoded with
// libvorbisenc, tones, and a way to tell which tone a decoded channel holds.

// Interleaved float frames (-1..1): channel c is a sine at hz[c] (hz must
// hold one frequency per channel).
std::vector<float> KaToneFrames(
    unsigned int channels, unsigned int rate, unsigned long frames, const std::vector<double>& hz, float amplitude);

// Appends to out a complete Ogg Vorbis file (one logical stream, VBR at the
// given quality, -0.1..1) holding the interleaved frames. False when the
// encoder refuses the channel count or rate. packetsPerPage > 0 closes a page
// after that many audio packets (small pages for tests that cut or drop
// pages); 0 leaves the page size to libogg (about 4 KiB).
bool KaEncodeVorbis(KaStream& out, const std::vector<float>& interleaved, unsigned int channels, unsigned int rate,
    float quality = 0.4f, int serial = 1234, unsigned int packetsPerPage = 0);

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
