#include "engine/sound/KaSFX.h"

#include <AL/al.h>

#include "engine/base/KaStd.h"
#include "engine/sound/KaSoundManager.h"

namespace {

// The OpenAL format of whole-file samples; 0 when OpenAL has none.
ALenum formatOf(unsigned char channels, unsigned int bits)
{
    if (bits != 8 && bits != 16)
        return 0;
    if (channels == 1)
        return bits == 8 ? AL_FORMAT_MONO8 : AL_FORMAT_MONO16;
    if (channels == 2)
        return bits == 8 ? AL_FORMAT_STEREO8 : AL_FORMAT_STEREO16;
    return 0;
}

} // namespace

KaSFX::KaSFX()
    : mSfxVolume(1.0f)
    , mBuffer(0)
    , mSource(0)
    , mChannelName("sfx")
{
    soundManager.get()->onVolumeChanged().add(this, &KaSFX::onSoundManagerVolumeChanged, 0.0f);
}

KaSFX::~KaSFX()
{
    close();
    // A manager already gone (end of the program) must not be created again
    // just to be told.
    if (soundManager.exists()) {
        KaSoundManager* manager = soundManager.get();
        manager->onVolumeChanged().remove(this, &KaSFX::onSoundManagerVolumeChanged);
        manager->sfxs().remove(this);
    }
}

bool KaSFX::load(const KaPath& path)
{
    close();
    KaPath resolved = KaSoundManager::localizedPath(path);
    setAccessName(path);
    mPath = path;

    if (!mSound.open(resolved)) {
        KaPrintf("KaSFX:Load: can't open file \"%s\"\n", path.c_str());
        return false;
    }

    const unsigned char channels = mSound.nbChannels();
    const unsigned int bits = mSound.nbBits();
    const ALenum format = formatOf(channels, bits);
    if (format == 0) {
        // Sent as 16-bit stereo these would play as noise.
        KaPrintf("[KaSFX::load(const KaString& path)] file name : %s error : %s\n", path.c_str(),
            "Unsupported sample format.");
        mSound.close();
        return false;
    }

    ALuint buffer = 0;
    ALuint source = 0;
    alGenBuffers(1, &buffer);
    alGenSources(1, &source);
    mBuffer = buffer;
    mSource = source;

    unsigned long size = 0;
    unsigned char* samples = mSound.data(size);
    // OpenAL takes whole frames only: a truncated last frame is dropped
    // rather than the whole effect.
    const unsigned long frame = static_cast<unsigned long>(channels) * (bits / 8);
    size -= size % frame;
    if (size == 0 || !samples) {
        KaPrintf("[KaSFX::load(const KaString& path)] file name : %s error : %s\n", path.c_str(), "Decoding failed.");
    } else {
        alBufferData(mBuffer, format, samples, static_cast<ALsizei>(size), static_cast<ALsizei>(mSound.frequency()));
    }
    mSound.close();
    return true;
}

bool KaSFX::play()
{
    if (mSource == 0)
        return false;
    // Only the errors of the calls below count, not one left by anyone else.
    alGetError();
    // A playing source refuses a new buffer: stopped first, it takes it and
    // starts again from the beginning.
    alSourceStop(mSource);
    alSourcei(mSource, AL_BUFFER, static_cast<ALint>(mBuffer));
    volume(mSfxVolume);
    alSourcePlay(mSource);
    ALenum error = alGetError();
    if (error != AL_NO_ERROR) {
        KaPrintf("[KaSFX::play()] file name : %s error : %d\n", mPath.c_str(), error);
        return false;
    }
    return true;
}

void KaSFX::stop()
{
    if (mSource == 0)
        return;
    alSourceStop(mSource);
    mOnStopped.call();
}

void KaSFX::close()
{
    stop();
    if (mSource != 0) {
        ALuint source = mSource;
        alDeleteSources(1, &source);
        mSource = 0;
    }
    // Apart from the source: a buffer may have been made when the source
    // could not.
    if (mBuffer != 0) {
        ALuint buffer = mBuffer;
        alDeleteBuffers(1, &buffer);
        mBuffer = 0;
    }
}

void KaSFX::pause()
{
    if (mSource == 0)
        return;
    ALint state = AL_INITIAL;
    alGetSourcei(mSource, AL_SOURCE_STATE, &state);
    if (state == AL_PAUSED)
        alSourcePlay(mSource);
    else if (state == AL_PLAYING)
        alSourcePause(mSource);
}

bool KaSFX::isPlaying() const
{
    if (mSource == 0)
        return false;
    ALint state = AL_INITIAL;
    alGetSourcei(mSource, AL_SOURCE_STATE, &state);
    return state == AL_PLAYING;
}

void KaSFX::volume(float volume)
{
    mSfxVolume = volume;
    applyGain();
}

bool KaSFX::onSoundManagerVolumeChanged()
{
    applyGain();
    return false;
}

void KaSFX::applyGain()
{
    if (mSource == 0)
        return;
    alSourcef(mSource, AL_GAIN, soundManager.get()->gain(mSfxVolume, mChannelName));
}

void KaSFX::repeat(bool) { }

void KaSFX::update()
{
    if (isPlaying())
        return;
    soundManager.get()->sfxs().remove(this);
    stop();
}
