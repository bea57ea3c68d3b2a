#include "engine/sound/KaMusic.h"

#include <AL/al.h>

#include "engine/base/KaStd.h"
#include "engine/core/KaTimer.h"
#include "engine/sound/KaSoundManager.h"

KaMusic::KaMusic()
    : mRepeatFlag(true)
    , mPaused(true)
    , mBuffers()
    , mSource(0)
    , mFormat(0)
    , mStopRequested(false)
    , mNextBuffer(0)
    , mQueued(0)
    , mPlaying(false)
    , mCurrentData(0)
    , mCopies()
    , mCopySizes()
    , mMusicVolume(1.0f)
    , mChannelName("music")
    , mDestroying(false)
{
    soundManager.get()->onVolumeChanged().add(this, &KaMusic::onSoundManagerVolumeChanged, 0.0f);
}

KaMusic::~KaMusic()
{
    mDestroying = true;
    stop();
    // A manager already gone (end of the program) must not be created again
    // just to be told.
    if (soundManager.exists()) {
        KaSoundManager* manager = soundManager.get();
        manager->musics().remove(this);
        manager->onVolumeChanged().remove(this, &KaMusic::onSoundManagerVolumeChanged);
    }
    freeCopies();
}

bool KaMusic::load(const KaPath& path)
{
    if (path.length() == 0)
        return false;
    if (path != mFilePath)
        setFilePath(path);
    return true;
}

void KaMusic::setFilePath(const KaPath& path)
{
    stop();
    setAccessName(path);
    mFilePath = path;
    mResolvedPath = KaSoundManager::localizedPath(path);
}

KaPath KaMusic::path() const
{
    mMutex.lock();
    KaPath copy(mFilePath);
    mMutex.unlock();
    return copy;
}

void KaMusic::repeat(bool repeat)
{
    mMutex.lock();
    mRepeatFlag = repeat;
    mMutex.unlock();
}

bool KaMusic::repeat() const
{
    mMutex.lock();
    bool repeat = mRepeatFlag;
    mMutex.unlock();
    return repeat;
}

bool KaMusic::play()
{
    if (mDestroying)
        return false;
    if (isPlaying())
        return true;
    if (mResolvedPath.length() == 0)
        return false;

    // A run that ended by itself (or a play that failed) left its source and
    // buffers behind: they are reused, with the ended queue taken off, rather
    // than made again. Its thread has ended; joining it makes that certain.
    KaThread::waitForTerminate();
    if (mSource == 0) {
        if (!createSource())
            return false;
    } else {
        alSourceStop(mSource);
        alSourcei(mSource, AL_BUFFER, 0);
    }

    if (!mStream.open(mResolvedPath)) {
        KaPrintf("KaMusic:play: can't open file \"%s\"\n", mResolvedPath.c_str());
        return false;
    }

    ALenum format = 0;
    if (mStream.nbBits() == 16) {
        switch (mStream.nbChannels()) {
        case 1:
            format = AL_FORMAT_MONO16;
            break;
        case 2:
            format = AL_FORMAT_STEREO16;
            break;
        case 4:
            format = alGetEnumValue("AL_FORMAT_QUAD16");
            break;
        case 6:
            format = alGetEnumValue("AL_FORMAT_51CHN16");
            break;
        default:
            break;
        }
    }
    if (format == 0) {
        // Queued under a format that does not match, the samples would play
        // as noise (or not at all).
        KaPrintf("[KaMusic::play()] file name : %s error : %s\n", mResolvedPath.c_str(), "Unsupported sample format.");
        mStream.close();
        return false;
    }
    mFormat = format;

    volume(mMusicVolume);

    mMutex.lock();
    mNextBuffer = 0;
    mQueued = 0;
    mMutex.unlock();

    KaSoundManager* manager = soundManager.get();
    manager->musics().remove(this);
    manager->musics().pushBack(this);

    mMutex.lock();
    mPlaying = true;
    mPaused = false;
    mStopRequested = false;
    mMutex.unlock();

    KaThread::start();
    if (!KaThread::isAttached()) {
        mMutex.lock();
        mPlaying = false;
        mMutex.unlock();
        return false;
    }
    return true;
}

bool KaMusic::createSource()
{
    // A failure is detected by the names staying 0, which is also what
    // OpenAL leaves when there is no context at all.
    ALuint buffers[mBufferCount] = {};
    ALuint source = 0;
    alGenBuffers(mBufferCount, buffers);
    alGenSources(1, &source);
    bool complete = source != 0;
    for (int i = 0; i < mBufferCount; ++i)
        complete = complete && buffers[i] != 0;
    if (!complete) {
        if (source != 0)
            alDeleteSources(1, &source);
        if (buffers[0] != 0)
            alDeleteBuffers(mBufferCount, buffers);
        // Without a device every sound is silent by design: nothing to say.
        if (soundManager.get()->isValid())
            KaPrintf("[KaMusic::play()] file name : %s error : %s\n", mResolvedPath.c_str(),
                "Can't create an OpenAL source.");
        return false;
    }
    mSource = source;
    for (int i = 0; i < mBufferCount; ++i)
        mBuffers[i] = buffers[i];
    return true;
}

void KaMusic::deleteSource()
{
    ALuint source = mSource;
    alDeleteSources(1, &source);
    mSource = 0;
    ALuint buffers[mBufferCount];
    for (int i = 0; i < mBufferCount; ++i) {
        buffers[i] = mBuffers[i];
        mBuffers[i] = 0;
    }
    alDeleteBuffers(mBufferCount, buffers);
}

void KaMusic::stop()
{
    mMutex.lock();
    mStopRequested = true;
    mMutex.unlock();
    KaThread::waitForTerminate();
    mStream.close();
    if (mSource == 0)
        return;
    deleteSource();
    // Last: a listener may destroy this music.
    mOnStopped.call();
}

void KaMusic::close() { stop(); }

bool KaMusic::isPlaying() const
{
    mMutex.lock();
    bool playing = mPlaying;
    mMutex.unlock();
    return playing;
}

void KaMusic::pause()
{
    mMutex.lock();
    mPaused = true;
    if (mPlaying)
        alSourcePause(mSource);
    mMutex.unlock();
}

void KaMusic::resume()
{
    mMutex.lock();
    mPaused = false;
    if (mPlaying) {
        // Only a paused source is started here: OpenAL restarts a playing
        // one from the head of its queue, a jump back of up to a second. A
        // source that is not started yet or starved is the worker's to start.
        ALint state = AL_INITIAL;
        alGetSourcei(mSource, AL_SOURCE_STATE, &state);
        if (state == AL_PAUSED)
            alSourcePlay(mSource);
    }
    mMutex.unlock();
}

void KaMusic::volume(const float& volume)
{
    mMutex.lock();
    mMusicVolume = volume;
    applyGain();
    mMutex.unlock();
}

float KaMusic::volume() const
{
    mMutex.lock();
    float volume = mMusicVolume;
    mMutex.unlock();
    return volume;
}

bool KaMusic::onSoundManagerVolumeChanged()
{
    mMutex.lock();
    applyGain();
    mMutex.unlock();
    return false;
}

void KaMusic::applyGain()
{
    if (mSource == 0)
        return;
    alSourcef(mSource, AL_GAIN, soundManager.get()->gain(mMusicVolume, mChannelName));
}

unsigned char KaMusic::currentData() const
{
    mMutex.lock();
    unsigned char data = mCurrentData;
    mMutex.unlock();
    return data;
}

void KaMusic::update()
{
    // Whatever the repeat flag: a repeating music whose file failed to
    // reopen has ended too, and must give back its source.
    if (isPlaying())
        return;
    soundManager.get()->musics().remove(this);
    stop();
}

unsigned int KaMusic::alSource() const { return mSource; }

void KaMusic::entry()
{
    mMutex.lock();
    bool locked = true;
    bool running = !mStopRequested;
    while (running) {
        ALint state = AL_INITIAL;
        alGetSourcei(mSource, AL_SOURCE_STATE, &state);
        if (state != AL_PAUSED && mResolvedPath.length() == 0)
            break;

        ALint processed = 0;
        alGetSourcei(mSource, AL_BUFFERS_PROCESSED, &processed);
        if (processed > mQueued)
            processed = mQueued;
        if (processed > 0) {
            ALuint names[mBufferCount];
            alSourceUnqueueBuffers(mSource, processed, names);
            mQueued -= processed;
        }

        fillQueue();

        alGetSourcei(mSource, AL_SOURCE_STATE, &state);
        if (state != AL_PLAYING && !mPaused) {
            if (mQueued > 0) {
                // Not started yet, or starved: (re)start it.
                alSourcePlay(mSource);
            } else {
                // Played out, and nothing more to come.
                freeCopies();
                mCurrentData = 0;
                break;
            }
        }

        bool stopNow = mStopRequested;
        mMutex.unlock();
        locked = false;
        if (stopNow)
            break;
        KaSleep(50);
        mMutex.lock();
        locked = true;
        running = !mStopRequested;
    }
    if (!locked)
        mMutex.lock();
    mPlaying = false;
    mMutex.unlock();
}

void KaMusic::fillQueue()
{
    while (mQueued != mBufferCount && mStream.isOpened()) {
        // The decoder is this thread's alone while it runs: the main thread
        // must not wait for it to pause or change the volume.
        mMutex.unlock();
        unsigned char* chunk = nullptr;
        unsigned long size = 0;
        bool decoded = mStream.decode(&chunk, size);
        if (!decoded) {
            mStream.close();
            mMutex.lock();
            bool again = mRepeatFlag;
            mMutex.unlock();
            if (again && mStream.open(mResolvedPath)) {
                decoded = mStream.decode(&chunk, size);
                // A file that holds no sample at all would be reopened
                // forever, never sleeping: it ends like one without repeat.
                if (!decoded)
                    mStream.close();
            }
        }
        mMutex.lock();
        if (!decoded)
            continue;

        const int index = mNextBuffer;
        ALuint buffer = mBuffers[index];
        alBufferData(buffer, mFormat, chunk, static_cast<ALsizei>(size), static_cast<ALsizei>(mStream.frequency()));
        alSourceQueueBuffers(mSource, 1, &buffer);
        ++mQueued;

        if (mCopySizes[index] < size) {
            delete[] mCopies[index];
            mCopies[index] = new unsigned char[size];
            mCopySizes[index] = size;
        }
        KaMemcpy(mCopies[index], chunk, size);
        mNextBuffer = (mNextBuffer + 1) % mBufferCount;

        ALint offset = 0;
        alGetSourcei(mSource, AL_BYTE_OFFSET, &offset);
        mCurrentData = 0;
        const unsigned char* oldest = mCopies[mNextBuffer];
        if (oldest && offset >= 0 && static_cast<unsigned long long>(offset) < mCopySizes[mNextBuffer])
            mCurrentData = oldest[offset];
    }
}

void KaMusic::freeCopies()
{
    for (int i = 0; i < mBufferCount; ++i) {
        delete[] mCopies[i];
        mCopies[i] = nullptr;
        mCopySizes[i] = 0;
    }
}
