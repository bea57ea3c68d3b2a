#ifndef KA_MUSIC_H
#define KA_MUSIC_H

#include "engine/containers/KaSignal.h"
#include "engine/core/KaMutex.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaResource.h"
#include "engine/core/KaString.h"
#include "engine/core/KaThread.h"
#include "engine/sound/KaSoundStreamed.h"

// A sound file played by streaming: music, ambient loops, voiced dialog lines
// and movie sound tracks.
//
// play() starts a worker thread of the music's own that decodes the file in
// 250 ms chunks and keeps four OpenAL buffers queued on one source, looking
// again every 50 ms; with repeat on (the default) it reopens the file at its
// end without a gap. While it plays, the music is listed in the sound
// manager's musics(); the manager's update() notices a music whose thread has
// ended and stops it, which frees the source and buffers and emits onStopped.
//
// Its gain follows the sound manager's master and channel volumes (channel
// "music" unless told otherwise).
//
// Threads: every operation is for the main thread. The worker shares the
// music's state with it under the music's own recursive mutex, released only
// while it decodes (the decoder is the worker's alone while it runs) and
// while it sleeps. stop() joins the worker, which sees the request at the
// end of its pass or after its sleep.
//
// Registered with the sound manager by address; owns a thread and a mutex.
class KaMusic : public KaResource, private KaThread {
public:
    KaMusic();
    KaMusic(const KaMusic&) = delete;
    KaMusic& operator=(const KaMusic&) = delete;
    // Stops (onStopped may be emitted from here) and leaves the manager.
    ~KaMusic() override;

    // False for an empty path. A new path goes to setFilePath (which stops
    // the music); the same path changes nothing. The file itself is opened
    // only by play().
    bool load(const KaPath& path) override;
    // Stops, names the music after the path and finds the file to open: the
    // path, else its copy in the language folder beside it, else in "en".
    void setFilePath(const KaPath& path);
    const KaPath& filePath() const { return mFilePath; }
    // A copy of filePath() taken under the lock.
    KaPath path() const;
    // The file play() opens.
    const KaPath& resolvedPath() const { return mResolvedPath; }

    void repeat(bool repeat);
    bool repeat() const;

    // Starts the stream from the beginning and the worker. True when it
    // plays, also when it was already playing (nothing else happens then).
    // False without a path, for a file that cannot be opened or whose samples
    // have no OpenAL format (only 16-bit mono, stereo, 4.0 and 5.1 are
    // streamed), when there is no output device, and from the destructor.
    bool play();
    // Ends the worker and waits for it, closes the file, frees the source and
    // the buffers and emits onStopped when there was a source.
    void stop();
    // The same as stop().
    void close();
    // True from play() until the worker ends: a paused music plays.
    bool isPlaying() const;
    // The worker keeps the queue full while the source is paused.
    void pause();
    void resume();

    void volume(const float& volume);
    float volume() const;
    // Connected to the manager's onVolumeChanged; never handles the event.
    bool onSoundManagerVolumeChanged();
    // Takes effect at the next play or volume change.
    void setChannelName(const KaString& name) { mChannelName = name; }
    const KaString& channelName() const { return mChannelName; }

    // One byte of the PCM being played, taken by the worker after each queued
    // chunk: the byte at the source's byte offset within the copy of the
    // oldest queued buffer. A coarse level meter for lip movement.
    unsigned char currentData() const;

    // Once per frame from the sound manager: a music whose worker has ended
    // (the stream ran out, or a repeating file failed to reopen) leaves the
    // manager's list and is stopped.
    void update();

    KaSignal0Param& onStopped() { return mOnStopped; }
    // The OpenAL source name, 0 when there is none.
    unsigned int alSource() const;

protected:
    // The worker: refills the queue until the stream and the queue are
    // exhausted or a stop is asked for.
    void entry() override;

private:
    static const int mBufferCount = 4;

    bool createSource();
    void deleteSource();
    // Both with the mutex held.
    void fillQueue();
    void applyGain();
    void freeCopies();

    KaSignal0Param mOnStopped;
    KaPath mFilePath;
    KaPath mResolvedPath;
    bool mRepeatFlag;
    KaSoundStreamed mStream;
    mutable KaMutex mMutex;
    bool mPaused;
    unsigned int mBuffers[mBufferCount];
    unsigned int mSource;
    int mFormat;
    bool mStopRequested;
    int mNextBuffer;
    int mQueued;
    bool mPlaying;
    unsigned char mCurrentData;
    unsigned char* mCopies[mBufferCount];
    unsigned long long mCopySizes[mBufferCount];
    float mMusicVolume;
    KaString mChannelName;
    bool mDestroying;
};

#endif
