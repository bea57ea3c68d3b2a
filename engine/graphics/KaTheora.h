#ifndef KA_THEORA_H
#define KA_THEORA_H

#include <cstdint>

#include "engine/core/KaFile.h"
#include "engine/core/KaPath.h"
#include "engine/graphics/KaIVideoCodec.h"

// The Theora video codec ("ogv"): the Theora stream of an Ogg file, other
// logical streams (sound) skipped. Only 4:2:0 video is read.
//
// load() reads the headers, then measures the video by scanning the end of
// the file backwards in 4096-byte windows for the last Theora page with a
// granule position (its frame gives nbFrames(), its time the duration).
//
// update(frame) decodes exactly that frame. Playing forward decodes packet
// by packet; a gap of fewer than 20 frames is decoded through. A backward
// step or a longer jump seeks: the target is the frame minus one key-frame
// distance (2 to the power of the granule shift), and the file is bisected
// for a Theora page ending at most 20 frames before it; decoding resumes at
// the first key frame after the target, packets before the target being
// dropped undecoded. When no such page is found (always so for targets below
// 20), decoding restarts from the beginning of the file. The first update()
// after load() always seeks.
//
// Frames are written top row first, so the image is marked flipped. The
// image's format chooses the output: RGB888, RGBA8888 (alpha 0, or only the
// alpha byte when the codec is an alpha channel: see setIsAlphaChannel) or
// GREY8. A stream whose comments hold one beginning with "ColorRange" that
// contains "FullRange" takes the luma byte as alpha and grey unchanged;
// otherwise they are the limited-range red value of the pixel.
//
// The colour key is stored only: nothing applies it to pixels; activating it
// turns imageFormat() into RGBA8888.
//
// Owns a file and decoder state. Main thread only.
struct th_dec_ctx;
struct th_setup_info;

class KaTheora : public KaIVideoCodec {
public:
    KaTheora();
    ~KaTheora() override;

    // The lower-cased extension is "ogv".
    static bool matchFormat(const KaPath& path);

    // Opens the file and reads it as load(KaStream&) does; the path names
    // decoded frames ("%s-%04d.tt") and messages.
    bool load(const KaPath& path) override;
    // Reads from the stream, which must stay alive and unchanged while the
    // codec uses it; decoding seeks in it. Frames are then named without a
    // path.
    bool load(KaStream& stream) override;
    // Frees the decoder and the Ogg state and closes the file. The colour
    // key, the borders and the path stay.
    void close();

    // The displayed picture's size, not the coded frame's.
    unsigned int width() const override;
    unsigned int height() const override;
    unsigned long nbFrames() const override { return mFrameCount; }
    KaImageFormat imageFormat() const override { return mFormat; }
    void setLeftBorderSize(unsigned int size) override { mLeftBorder = size; }
    unsigned int leftBorderSize() const override { return mLeftBorder; }
    void setRightBorderSize(unsigned int size) override { mRightBorder = size; }
    unsigned int rightBorderSize() const override { return mRightBorder; }
    void setBottomBorderSize(unsigned int size) override { mBottomBorder = size; }
    unsigned int bottomBorderSize() const override { return mBottomBorder; }
    void setTopBorderSize(unsigned int size) override { mTopBorder = size; }
    unsigned int topBorderSize() const override { return mTopBorder; }
    // 0 while nothing is loaded.
    float frameRate() const override;
    // Decodes the frame into an image of format RGB888, RGBA8888 or GREY8
    // whose buffer holds at least the picture, repeating the edge pixels into
    // the spare columns and rows; the image gets the codec's border sizes and
    // the name "%s-%04d.tt" of the path and frame (a duplicate frame keeps the
    // name it had). False for a frame at or past nbFrames(), an image that
    // cannot take the picture (reported), data that ends before the frame, or
    // a frame whose packet does not decode: the image then keeps its pixels.
    bool update(unsigned long frame, KaImage& image) override;
    // True once a read found no more data; a seek clears it.
    bool isAtEnd() const override { return mAtEnd; }
    // Never emitted by the codec itself: its owners emit it.
    KaSignal0Param& onVideoFinished() override { return mVideoFinished; }
    void setColorKeyActivated(bool activated) override;
    void setColorKey(const KaColor& color) override { mColorKey = color; }
    void setColorKeyTolerence(float tolerance) override { mColorKeyTolerance = tolerance; }

    // An alpha-channel codec writes only byte 3 of each pixel of an RGBA8888
    // image, leaving the colour another decoder put there.
    void setIsAlphaChannel(bool alphaChannel) { mAlphaChannel = alphaChannel; }
    bool isAlphaChannel() const { return mAlphaChannel; }
    void dumpComments() { }

    // Length in seconds (end time of the last frame), 0 when unknown.
    float duration() const { return mDuration; }
    bool fullRange() const { return mFullRange; }

    // A gap of at least this many frames ahead is sought rather than decoded
    // through; a bisection page is taken when it lies within this many
    // frames before the target.
    static const unsigned long mSeekThreshold = 20;
    // Bytes of one read, and the smallest span the bisection still splits.
    static const unsigned long mReadSize = 4096;

private:
    // Reading steps; each loops until it can answer.
    unsigned long readStream(unsigned long size);
    bool readPage();
    bool readPacket();
    bool peekPacket();
    bool nextPacket(bool peek);
    // The next complete page after a seek to anywhere in the file, passing
    // silently over the bytes before the first page boundary; offset is
    // advanced past the page. False once the data ends.
    // The next page at or after the read position, into mOgg->foundPage.
    bool seekPage(unsigned long& offset);

    bool open(KaStream& stream);
    bool readHeaders();
    // Refuses what the converters cannot read and sizes no image can hold.
    bool checkInfo();
    bool scanDuration();
    bool seek(unsigned long frame);
    bool imageAccepted(const KaImage& image) const;
    bool extractFrame(KaImage& image);
    unsigned long keyDistance() const;

    bool mAtEnd;
    uint64_t mCurrentFrame;
    KaFile mFile;
    KaStream* mStream;
    // The Ogg and Theora decoding state, kept out of this header so that its
    // includers do not depend on those libraries.
    struct Ogg;
    Ogg* mOgg;
    th_setup_info* mSetup;
    th_dec_ctx* mDecoder;
    int64_t mLastReadSize;
    bool mSkipping;
    KaPath mPath;
    KaImageFormat mFormat;
    float mDuration;
    uint64_t mFrameCount;
    KaSignal0Param mVideoFinished;
    bool mColorKeyActivated;
    KaColor mColorKey;
    float mColorKeyTolerance;
    unsigned int mLeftBorder;
    unsigned int mRightBorder;
    unsigned int mBottomBorder;
    unsigned int mTopBorder;
    bool mFullRange;
    bool mAlphaChannel;
};

#endif
