#include "tests/engine/sound/KaSoundTestDevice.h"

#include <AL/al.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "engine/sound/KaSoundManager.h"
#include "tests/engine/sound/KaSoundFixtures.h"

extern char** environ;

void KaUseNullSoundDevice()
{
    const char* chosen = getenv("ALSOFT_DRIVERS");
    if (!chosen || !*chosen)
        setenv("ALSOFT_DRIVERS", "null", 1);
}

void KaSoundTest::SetUp()
{
    KaUseNullSoundDevice();
    soundManager.destroy();
    manager = soundManager.get();
    ASSERT_TRUE(manager->isValid()) << "no OpenAL device, even the null one";
}

void KaSoundTest::TearDown()
{
    soundManager.destroy();
    manager = nullptr;
}

void KaWriteWav(
    KaStream& out, unsigned int channels, unsigned int rate, unsigned int bits, const std::vector<unsigned char>& pcm)
{
    const unsigned int frame = channels * (bits / 8);
    const unsigned int size = static_cast<unsigned int>(pcm.size());
    out.setMode(KaStream::Binary);
    out.write("RIFF");
    out.write(36u + size);
    out.write("WAVE");
    out.write("fmt ");
    out.write(16u);
    out.write(static_cast<unsigned short>(1));
    out.write(static_cast<unsigned short>(channels));
    out.write(rate);
    out.write(rate * frame);
    out.write(static_cast<unsigned short>(frame));
    out.write(static_cast<unsigned short>(bits));
    out.write("data");
    out.write(size);
    if (size > 0)
        out.writeData(pcm.data(), size);
}

bool KaWriteWavFile(const std::string& path, unsigned int channels, unsigned int rate, unsigned int bits,
    const std::vector<unsigned char>& pcm)
{
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    KaStream stream;
    KaWriteWav(stream, channels, rate, bits, pcm);
    return KaWriteStream(stream, path);
}

std::vector<unsigned char> KaSinePcm16(
    unsigned int channels, unsigned int rate, unsigned long frames, double hz, float amplitude)
{
    std::vector<unsigned char> pcm;
    pcm.reserve(frames * channels * 2);
    const double step = 2.0 * M_PI * hz / rate;
    for (unsigned long i = 0; i < frames; ++i) {
        const short value = static_cast<short>(std::lround(32767.0 * amplitude * std::sin(step * i)));
        for (unsigned int c = 0; c < channels; ++c) {
            pcm.push_back(static_cast<unsigned char>(value & 0xFF));
            pcm.push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
        }
    }
    return pcm;
}

bool KaWriteToneWav(const std::string& path, unsigned int milliseconds, double hz)
{
    const unsigned long frames = 44100ul * milliseconds / 1000;
    return KaWriteWavFile(path, 1, 44100, 16, KaSinePcm16(1, 44100, frames, hz));
}

bool KaWaitFor(const std::function<bool()>& condition, double seconds, const std::function<void()>& step)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        if (step)
            step();
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

int KaRunChildTest(
    const std::string& filter, const std::map<std::string, std::string>& environment, std::string* output)
{
    std::vector<std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        std::string variable(*entry);
        std::string name = variable.substr(0, variable.find('='));
        if (environment.find(name) == environment.end())
            variables.push_back(variable);
    }
    for (const auto& change : environment) {
        if (!change.second.empty())
            variables.push_back(change.first + "=" + change.second);
    }
    std::vector<char*> envp;
    for (std::string& variable : variables)
        envp.push_back(&variable[0]);
    envp.push_back(nullptr);

    std::string program = "/proc/self/exe";
    std::string filterArgument = "--gtest_filter=" + filter;
    std::string disabledArgument = "--gtest_also_run_disabled_tests";
    char* argv[] = { &program[0], &filterArgument[0], &disabledArgument[0], nullptr };

    char logName[] = "/tmp/ka_sound_child_XXXXXX";
    int log = mkstemp(logName);
    if (log < 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, log, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, log, STDERR_FILENO);
    pid_t child = 0;
    int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(log);

    int status = 0;
    bool ran = spawned == 0 && waitpid(child, &status, 0) == child;
    if (output) {
        std::ifstream in(logName, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        *output = text.str();
    }
    unlink(logName);
    if (!ran || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

int KaSourceInt(unsigned int source, int parameter)
{
    ALint value = -1;
    alGetSourcei(source, parameter, &value);
    return value;
}

int KaBufferInt(unsigned int buffer, int parameter)
{
    ALint value = -1;
    alGetBufferi(buffer, parameter, &value);
    return value;
}

float KaSourceGain(unsigned int source)
{
    ALfloat gain = -1.0f;
    alGetSourcef(source, AL_GAIN, &gain);
    return gain;
}
