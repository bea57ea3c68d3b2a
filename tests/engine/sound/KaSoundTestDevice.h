#ifndef KA_SOUND_TEST_DEVICE_H
#define KA_SOUND_TEST_DEVICE_H

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/core/KaStream.h"

class KaSoundManager;

// Test machines have no sound card: OpenAL Soft opens no device unless told
// to use its null output. Called before the first device open; a driver
// already chosen in the environment is kept (the child processes below
// choose theirs).
void KaUseNullSoundDevice();

// Each test gets a fresh sound manager on the null device, and the manager
// is destroyed after the test, so that no sound, list entry or channel volume
// leaks from one test into the next.
class KaSoundTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    KaSoundManager* manager = nullptr;
};

// Appends a RIFF/WAVE file holding the given PCM bytes to a stream.
void KaWriteWav(
    KaStream& out, unsigned int channels, unsigned int rate, unsigned int bits, const std::vector<unsigned char>& pcm);
// Writes a WAV file through the engine's file class; false when it could not.
bool KaWriteWavFile(const std::string& path, unsigned int channels, unsigned int rate, unsigned int bits,
    const std::vector<unsigned char>& pcm);
// Signed 16-bit little-endian frames of a sine at hz in every channel.
std::vector<unsigned char> KaSinePcm16(
    unsigned int channels, unsigned int rate, unsigned long frames, double hz, float amplitude = 0.5f);
// A mono 16-bit 44.1 kHz sine WAV of that many milliseconds.
bool KaWriteToneWav(const std::string& path, unsigned int milliseconds, double hz = 440.0);

// Calls the condition every few milliseconds (calling step before each try,
// when given) until it holds or about `seconds` have gone; returns its last
// answer. Waits for real-time playback, never measures it.
bool KaWaitFor(const std::function<bool()>& condition, double seconds = 5.0,
    const std::function<void()>& step = std::function<void()>());

// Runs the DISABLED_ tests matching the filter in a new process of this test
// program, with the environment changed as given (an empty value unsets the
// variable). Returns the exit status (-1 when it could not run or died on a
// signal) and, when output is given, what the child printed.
int KaRunChildTest(
    const std::string& filter, const std::map<std::string, std::string>& environment, std::string* output = nullptr);

// What OpenAL reports of one source or buffer (-1 when it answers nothing).
int KaSourceInt(unsigned int source, int parameter);
int KaBufferInt(unsigned int buffer, int parameter);
float KaSourceGain(unsigned int source);

// A signal listener that counts its calls and handles nothing.
class KaCallCounter {
public:
    bool onEvent()
    {
        ++count;
        return false;
    }
    int count = 0;
};

#endif
