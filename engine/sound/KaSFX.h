#ifndef KA_SFX_H
#define KA_SFX_H

#include "engine/containers/KaSignal.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaResource.h"
#include "engine/core/KaString.h"
#include "engine/sound/KaSound.h"

// A short sound effect: the whole file is decoded at load into one OpenAL
// buffer and played once on a source of its own (it never loops). GUI click
// sounds and the sounds of XML GUI descriptions are effects.
//
// Its gain follows the sound manager's master and channel volumes (channel
// "sfx" unless told otherwise). Without an output device it loads but has no
// source, and play() answers false.
//
// Main thread only. Registered with the sound manager's signal by address.
class KaSFX : public KaResource {
public:
    KaSFX();
    KaSFX(const KaSFX&) = delete;
    KaSFX& operator=(const KaSFX&) = delete;
    ~KaSFX() override;

    // Decodes the file (with the language fallback of
    // KaSoundManager::localizedPath) into a new buffer and source, after
    // releasing the previous ones. The access name is the path as given.
    // False for a file that cannot be opened or whose samples have no OpenAL
    // format (more than two channels, widths other than 8 and 16 bits). A
    // file that decodes to nothing loads as a silent effect (true).
    bool load(const KaPath& path) override;

    // Starts the effect from its beginning, also when it is playing or
    // paused. False without a source, or when OpenAL refused one of the calls.
    bool play();
    // Stops the source and emits onStopped, whenever there is a source.
    void stop();
    // stop(), then frees the source and the buffer.
    void close();
    // Pauses a playing effect, resumes a paused one, leaves others alone.
    void pause();
    // A paused effect is not playing.
    bool isPlaying() const;

    void volume(float volume);
    float volume() const { return mSfxVolume; }
    // Connected to the manager's onVolumeChanged; never handles the event.
    bool onSoundManagerVolumeChanged();

    // Effects always play once: ignored.
    void repeat(bool repeat);
    void setChannelName(const KaString& name) { mChannelName = name; }
    const KaString& channelName() const { return mChannelName; }

    // Once per frame for the effects listed in the manager's sfxs(): an
    // effect that is not playing leaves that list and is stopped.
    void update();

    KaSignal0Param& onStopped() { return mOnStopped; }
    // The path given to load().
    const KaPath& path() const { return mPath; }
    // OpenAL names, 0 when there are none.
    unsigned int alSource() const { return mSource; }
    unsigned int alBuffer() const { return mBuffer; }

private:
    void applyGain();

    KaPath mPath;
    KaSound mSound;
    float mSfxVolume;
    KaSignal0Param mOnStopped;
    unsigned int mBuffer;
    unsigned int mSource;
    KaString mChannelName;
};

#endif
