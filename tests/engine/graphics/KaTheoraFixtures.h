#ifndef KA_THEORA_FIXTURES_H
#define KA_THEORA_FIXTURES_H

// Theora files for the video codecs' tests, encoded with libtheoraenc (and
// libvorbisenc for a sound stream muxed into the same file).
//
// By default every frame is a flat picture whose luma tells its number
// (KaTheoraFrameLuma) with neutral chroma, an odd-sized 4:2:0 picture, a key
// frame every keyFrameInterval frames (the granule shift is the smallest that
// allows it, so the key distance is the interval rounded up to a power of
// two), one Theora page per frame, and a Vorbis stream whose first page comes
// before the video's.

#include <theora/codec.h>

#include <functional>
#include <string>
#include <vector>

struct KaTheoraClip {
    // Displayed picture, and its offset in the coded frame from the top left
    // (the coded frame is the picture plus offset rounded up to 16).
    unsigned int width = 37;
    unsigned int height = 21;
    unsigned int pictureX = 0;
    unsigned int pictureY = 0;
    unsigned int frames = 120;
    unsigned int keyFrameInterval = 8;
    unsigned int fpsNumerator = 25;
    unsigned int fpsDenominator = 1;
    int quality = 63;
    th_pixel_fmt pixelFormat = TH_PF_420;
    // Video pages are flushed after that many frames; 0 lets libogg fill
    // pages as it likes.
    unsigned int framesPerPage = 1;
    bool withVorbis = true;
    // The Vorbis stream's first page comes before the video's.
    bool vorbisFirst = true;
    // "NAME=value" comments of the video stream.
    std::vector<std::string> comments;
    // Frames that repeat the frame before them, written as duplicate-frame
    // (empty) packets. Never frame 0, and a run shorter than the key-frame
    // interval.
    std::vector<unsigned int> duplicates;
    // Sample of the picture at (x, y) from its top left, in frame n. Empty:
    // KaTheoraFrameLuma(n) and 128 for both chroma planes. Chroma samples are
    // addressed in the half-size chroma plane of the picture.
    std::function<unsigned char(unsigned int frame, unsigned int x, unsigned int y)> luma;
    std::function<unsigned char(unsigned int frame, unsigned int x, unsigned int y)> cb;
    std::function<unsigned char(unsigned int frame, unsigned int x, unsigned int y)> cr;
};

// The flat luma of frame n in a default clip: 16 + 3 (n mod 74), inside the
// nominal luma range and far enough apart to tell frames by their grey.
unsigned char KaTheoraFrameLuma(unsigned int frame);

// The whole Ogg file. Empty (with a test failure) when the encoder refuses
// the clip.
std::string KaEncodeTheora(const KaTheoraClip& clip);

// The key-frame granule shift the encoder is given for an interval.
int KaTheoraGranuleShift(unsigned int keyFrameInterval);

#endif
