#include "engine/sound/KaSoundManager.h"

#include <AL/al.h>

#include "engine/base/KaStd.h"
#include "engine/core/KaBaseFile.h"
#include "engine/core/KaCore.h"
#include "engine/sound/KaMusic.h"
#include "engine/sound/KaSFX.h"

KaSingleton<KaSoundManager> soundManager;

KaSoundManager::KaSoundManager()
    : mDevice(nullptr)
    , mContext(nullptr)
    , mMasterVolume(1.0f)
{
    create();
}

KaSoundManager::~KaSoundManager() { destroy(); }

void KaSoundManager::create()
{
    mDevice = alcOpenDevice(nullptr);
    if (mDevice) {
        mContext = alcCreateContext(mDevice, nullptr);
        alcMakeContextCurrent(mContext);
    }
    ALenum error = alGetError();
    if (error != AL_NO_ERROR)
        KaPrintf("[KaSoundManager::create()] error : %d\n", error);
}

void KaSoundManager::destroy()
{
    // The sounds' sources, buffers and threads must go while the context that
    // made them is still current: afterwards their names would be stale, and
    // a music thread would go on queueing into nothing.
    releaseSounds();
    if (!mDevice && !mContext)
        return;
    alcMakeContextCurrent(nullptr);
    if (mContext)
        alcDestroyContext(mContext);
    if (mDevice)
        alcCloseDevice(mDevice);
    mContext = nullptr;
    mDevice = nullptr;
}

void KaSoundManager::releaseSounds()
{
    for (KaList<KaMusic*>::KaIterator it = mMusics.firstElement(); it != mMusics.end(); ++it)
        (*it)->stop();
    mMusics.clear();

    // Taken off the list before it is destroyed, so that nothing its
    // destruction triggers finds it listed.
    while (!mFreeSounds.isEmpty()) {
        KaList<KaSFX*>::KaIterator first = mFreeSounds.firstElement();
        KaSFX* sound = *first;
        mFreeSounds.remove(first.node());
        delete sound;
    }

    for (KaList<KaSFX*>::KaIterator it = mSfxs.firstElement(); it != mSfxs.end(); ++it)
        (*it)->close();
    mSfxs.clear();
}

bool KaSoundManager::isValid() const { return mDevice != nullptr && mContext != nullptr; }

void KaSoundManager::update()
{
    for (KaList<KaSFX*>::KaIterator it = mFreeSounds.firstElement(); it != mFreeSounds.end(); ++it) {
        KaSFX* sound = *it;
        if (sound->isPlaying())
            continue;
        // Unlisted and destroyed before listeners hear of it: a listener may
        // stop or start sounds (even stopAll) without meeting this one again.
        KaString name = sound->getAccessName();
        mFreeSounds.remove(it.node());
        delete sound;
        mOnFreeSoundEnded.call(name);
    }

    for (KaList<KaSFX*>::KaIterator it = mSfxs.firstElement(); it != mSfxs.end(); ++it)
        (*it)->update();

    for (KaList<KaMusic*>::KaIterator it = mMusics.firstElement(); it != mMusics.end(); ++it)
        (*it)->update();
}

void KaSoundManager::playFreeSound(const KaString& path, float volume, const KaString& channel)
{
    KaSFX* sound = new KaSFX();
    sound->repeat(false);
    sound->setChannelName(channel);
    sound->load(path);
    sound->play();
    sound->volume(volume);
    mFreeSounds.pushBack(sound);
}

void KaSoundManager::stopFreeSound(const KaString& path)
{
    for (KaList<KaSFX*>::KaIterator it = mFreeSounds.firstElement(); it != mFreeSounds.end(); ++it) {
        if ((*it)->getAccessName() == path)
            (*it)->stop();
    }
}

void KaSoundManager::stopAll()
{
    for (KaList<KaMusic*>::KaIterator it = mMusics.firstElement(); it != mMusics.end(); ++it)
        (*it)->stop();
    mMusics.clear();

    while (!mFreeSounds.isEmpty()) {
        KaList<KaSFX*>::KaIterator first = mFreeSounds.firstElement();
        KaSFX* sound = *first;
        mFreeSounds.remove(first.node());
        sound->stop();
        delete sound;
    }

    for (KaList<KaSFX*>::KaIterator it = mSfxs.firstElement(); it != mSfxs.end(); ++it)
        (*it)->stop();
    mSfxs.clear();
}

void KaSoundManager::pauseAll()
{
    for (KaList<KaMusic*>::KaIterator it = mMusics.firstElement(); it != mMusics.end(); ++it)
        (*it)->pause();
    for (KaList<KaSFX*>::KaIterator it = mFreeSounds.firstElement(); it != mFreeSounds.end(); ++it)
        (*it)->pause();
    for (KaList<KaSFX*>::KaIterator it = mSfxs.firstElement(); it != mSfxs.end(); ++it)
        (*it)->pause();
}

void KaSoundManager::resumeAll()
{
    for (KaList<KaMusic*>::KaIterator it = mMusics.firstElement(); it != mMusics.end(); ++it)
        (*it)->resume();
    for (KaList<KaSFX*>::KaIterator it = mFreeSounds.firstElement(); it != mFreeSounds.end(); ++it)
        (*it)->pause();
    for (KaList<KaSFX*>::KaIterator it = mSfxs.firstElement(); it != mSfxs.end(); ++it)
        (*it)->pause();
}

void KaSoundManager::setMasterVolume(float volume)
{
    if (volume == mMasterVolume)
        return;
    mMasterVolume = volume;
    mOnVolumeChanged.call();
}

void KaSoundManager::setChannelVolume(const KaString& name, float volume)
{
    KaMap<KaString, float>::KaIterator found = mChannelVolumes.find(name);
    if (found != mChannelVolumes.end())
        found->value = volume;
    else
        mChannelVolumes.pushBack(name, volume);
    mOnVolumeChanged.call();
}

float KaSoundManager::channelVolume(const KaString& name) const
{
    KaMap<KaString, float>::KaIterator found = mChannelVolumes.find(name);
    if (found == mChannelVolumes.end())
        return 1.0f;
    return found->value;
}

float KaSoundManager::gain(float ownVolume, const KaString& channel) const
{
    return (ownVolume * mMasterVolume) * channelVolume(channel);
}

KaPath KaSoundManager::localizedPath(const KaPath& path) { return KaBaseFile::localizedPath(path); }

void KaSoundManager::checkError(const KaString&) { }

int KaSoundManager::getRecordDriver() { return -1; }

void KaSoundManager::releaseRecordDriver(int) { }
