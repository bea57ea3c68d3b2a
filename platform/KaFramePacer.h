#ifndef KA_FRAME_PACER_H
#define KA_FRAME_PACER_H

class KaIClock;

// Keeps the frame loop at 60 frames a second by itself: buffer swaps do not
// wait for the display everywhere (a virtual X server has no vertical
// refresh), so the loop sleeps until the next frame's start.
class KaFramePacer {
public:
    typedef void (*SleepFunction)(unsigned long long microseconds);

    // Neither is owned. Without a sleep function the thread sleeps.
    explicit KaFramePacer(KaIClock& clock, SleepFunction sleep = nullptr);

    // Returns at the start of the next frame. Frames start on a fixed grid of
    // 1/60 s, so short sleeps do not drift; after a frame that overran the
    // grid by more than a whole frame (a stall, a debugger), the grid starts
    // again from now instead of rushing frames to catch up.
    void waitNextFrame();
    // The frame count since the last restart of the grid.
    unsigned long long framesOnGrid() const { return mFrame; }

    static const unsigned long long frameMicroseconds = 16667;

private:
    unsigned long long deadline() const;

    KaIClock& mClock;
    SleepFunction mSleep;
    unsigned long long mOrigin;
    unsigned long long mFrame;
};

#endif
