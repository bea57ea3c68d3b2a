#ifndef KA_I_VIDEO_CODEC_H
#define KA_I_VIDEO_CODEC_H

#include "engine/containers/KaSignal.h"
#include "engine/core/KaPath.h"
#include "engine/graphics/KaImageFormat.h"
#include "engine/color/KaColor.h"

class KaBaseFile;
class KaImage;
class KaStream;

// The one interface through which the engine reads every picture source, a
// still image (one frame) as well as a video.
//
// Calling order:
// 1. get a codec: KaCore::createVideoCodec(path) (null when no codec takes
//    the path; the caller owns and deletes the codec), or construct a known one;
// 2. load(path) or load(stream): reads what width(), height(), imageFormat(),
//    nbFrames(), frameRate() and the border sizes answer; false when the file
//    cannot be opened or its header is refused;
// 3. KaImage::create at the codec's width, height and imageFormat(), with a
//    buffer at least that large (callers may pad it);
// 4. update(frame, image) for each frame wanted (0 for a still image);
// 5. delete the codec, or keep it for later frames.
//
// update() writes the frame into the image's buffer at the buffer-width
// stride, bottom picture row first unless the image is flipped() (a codec
// that produces rows top first sets the flag instead), in imageFormat();
// compressed formats are copied as their blocks to the start of the buffer.
// Decoders that fill the padding repeat each row's last pixel into the spare
// columns and the top picture row into the spare rows (KaImage::padRow,
// KaImage::padRows). The image must have been created in imageFormat() with
// a buffer of at least width() x height(); a codec refuses (false) an image
// that is not. It returns true when the frame was decoded. imageFormat()
// answers NONE for content the codec cannot decode; callers treat NONE as
// unusable.
//
// Every codec class also has a static matchFormat(const KaPath&) that the
// registry asks before constructing it (see matchExtension()).
//
// Codecs own files and decoder state: not copyable, never kept by value in a
// KaArray. Main thread only.
class KaIVideoCodec {
public:
    KaIVideoCodec() = default;
    KaIVideoCodec(const KaIVideoCodec&) = delete;
    KaIVideoCodec& operator=(const KaIVideoCodec&) = delete;
    virtual ~KaIVideoCodec();

    virtual bool load(const KaPath& path) = 0;
    virtual bool load(KaStream& stream) = 0;
    virtual unsigned int width() const = 0;
    virtual unsigned int height() const = 0;
    virtual unsigned long nbFrames() const { return 1; }
    virtual KaImageFormat imageFormat() const = 0;
    // Codecs without borders answer 0 and ignore the setters.
    virtual void setLeftBorderSize(unsigned int) { }
    virtual unsigned int leftBorderSize() const { return 0; }
    virtual void setRightBorderSize(unsigned int) { }
    virtual unsigned int rightBorderSize() const { return 0; }
    virtual void setBottomBorderSize(unsigned int) { }
    virtual unsigned int bottomBorderSize() const { return 0; }
    virtual void setTopBorderSize(unsigned int) { }
    virtual unsigned int topBorderSize() const { return 0; }
    // Frames per second; 0 for a still image.
    virtual float frameRate() const { return 0.0f; }
    virtual bool update(unsigned long frame, KaImage& image) = 0;
    virtual bool isAtEnd() const = 0;
    // Emitted by video codecs when playback reaches the end; still-image
    // codecs never emit it.
    virtual KaSignal0Param& onVideoFinished() = 0;
    virtual void setColorKeyActivated(bool) { }
    virtual void setColorKey(const KaColor&) { }
    virtual void setColorKeyTolerence(float) { }

    // The test behind the codecs' matchFormat: the path's extension, lower-
    // cased, equals the given lower-case extension. A two-part extension
    // ("pvr.zlib", "jpg.zlib") is compared with the last two dot-separated
    // parts of the file name.
    static bool matchExtension(const KaPath& path, const char* extension);

    // Whether an image can take a decode of this codec's frame: created in
    // imageFormat() with a buffer of at least width() x height().
    bool imageFits(const KaImage& image) const;

    // Set by a reader that resolved the content name itself
    // (KaBaseFile::localizedRealPath): load(path) then opens the path as it
    // stands instead of resolving it again. A codec that does not take the
    // hint resolves the path, which leads to the same file.
    virtual void setPathResolved(bool resolved) { mPathResolved = resolved; }
    bool pathResolved() const { return mPathResolved; }

protected:
    // Opens path for reading: as it stands when pathResolved(), else through
    // the content-path rules.
    bool openForReading(KaBaseFile& file, const KaPath& path) const;

private:
    bool mPathResolved = false;
};

#endif
