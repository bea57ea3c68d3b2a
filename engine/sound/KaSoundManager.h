#ifndef KA_SOUND_MANAGER_H
#define KA_SOUND_MANAGER_H

#include <AL/alc.h>

#include "engine/containers/KaList.h"
#include "engine/containers/KaMap.h"
#include "engine/containers/KaSignal.h"
#include "engine/containers/KaSingleton.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaString.h"

class KaMusic;
class KaSFX;

// The engine's one sound service, reached through the holder `soundManager`.
//
// It owns the OpenAL output device and context, the master volume and the
// named channel volumes ("music", "sfx", "dialog", "video"...), and the lists
// of sounds the frame loop looks after: fire-and-forget free sounds (owned),
// effects and streamed musics (not owned; each registers and unregisters
// itself). Every sound's OpenAL gain is
//     (own volume x master volume) x volume of its channel
// with a channel never set counting 1.0; sounds recompute it when they start,
// when their own volume changes and on every onVolumeChanged.
//
// When no output device opens, the manager stays invalid and keeps working:
// every source and buffer name is then 0 and sounds never play, so the game
// runs silent.
//
// Main thread only. The music worker threads never call into the manager.
class KaSoundManager {
public:
    // Opens the default device (create()).
    KaSoundManager();
    // Stops every listed sound and frees their OpenAL objects, then closes
    // the context and the device (destroy()).
    virtual ~KaSoundManager();
    KaSoundManager(const KaSoundManager&) = delete;
    KaSoundManager& operator=(const KaSoundManager&) = delete;

    // Opens the default device and makes a context on it current; prints the
    // pending OpenAL error, if any (there is one when no device opened).
    void create();
    // Stops the musics (joining their threads), destroys the free sounds,
    // closes the listed effects, then releases the context and the device.
    // Safe to call twice.
    void destroy();
    bool isValid() const;

    // Once per frame: destroys the free sounds that stopped playing (a
    // paused one counts as stopped) and reports each with onFreeSoundEnded,
    // then lets the listed effects and musics drop out when they ended.
    void update();

    // Plays a file once on its own effect, owned by the manager until it
    // ends. The effect is listed even when the file fails to load: the next
    // update() then reports it as ended.
    void playFreeSound(const KaString& path, float volume, const KaString& channel);
    // Stops every free sound with that access name; update() removes them.
    void stopFreeSound(const KaString& path);
    // Stops everything and empties the three lists, without onFreeSoundEnded.
    void stopAll();
    void pauseAll();
    // Resumes the musics; an effect's pause() toggles, so the effects are
    // paused once more, which resumes the paused ones.
    void resumeAll();

    // Emits onVolumeChanged only when the value changes.
    void setMasterVolume(float volume);
    float masterVolume() const { return mMasterVolume; }
    // Always emits onVolumeChanged, even with the value already stored.
    void setChannelVolume(const KaString& name, float volume);
    // 1.0 for a channel never set.
    float channelVolume(const KaString& name) const;
    // The OpenAL gain of a sound of that own volume on that channel.
    float gain(float ownVolume, const KaString& channel) const;

    // The file a sound of that path opens (KaBaseFile::localizedPath).
    static KaPath localizedPath(const KaPath& path);

    // Hook for OpenAL error reporting; reports nothing.
    void checkError(const KaString& operation);
    // Recording is not supported: always -1.
    int getRecordDriver();
    void releaseRecordDriver(int driver);

    // Carries the access name (file path) of each free sound update() removes.
    KaSignal1Param<const KaString&>& onFreeSoundEnded() { return mOnFreeSoundEnded; }
    KaSignal0Param& onVolumeChanged() { return mOnVolumeChanged; }

    KaList<KaSFX*>& freeSounds() { return mFreeSounds; }
    KaList<KaSFX*>& sfxs() { return mSfxs; }
    KaList<KaMusic*>& musics() { return mMusics; }
    ALCdevice* device() const { return mDevice; }
    ALCcontext* context() const { return mContext; }

private:
    void releaseSounds();

    KaList<KaSFX*> mFreeSounds;
    KaList<KaSFX*> mSfxs;
    KaList<KaMusic*> mMusics;
    ALCdevice* mDevice;
    ALCcontext* mContext;
    KaSignal1Param<const KaString&> mOnFreeSoundEnded;
    float mMasterVolume;
    KaSignal0Param mOnVolumeChanged;
    KaMap<KaString, float> mChannelVolumes;
};

extern KaSingleton<KaSoundManager> soundManager;

#endif
