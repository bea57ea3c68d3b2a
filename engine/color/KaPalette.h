#ifndef KA_PALETTE_H
#define KA_PALETTE_H

#include <cstdint>

#include "engine/core/KaResource.h"
#include "engine/core/KaSerialize.h"
#include "engine/color/KaColor.h"

class KaStream;

// The 256-entry colour table of an indexed image, filled by the BMP and TGA
// codecs and shared by images through KaIntrusivePtr<KaPalette>.
//
// Entry i starts at byte 2i, 2i, 3i or 4i of the data block depending on the
// format; 16-bit entries are little-endian. A codec may also fill the block
// itself with its own words: the palette does not check them. The block,
// when there is one, always holds exactly getDataSize() bytes, and every
// access stays inside it.
class KaPalette : public KaResource, public KaSerialize {
public:
    enum PlttFormat : uint32_t {
        // rgb24to15 words: red in bits 0-4, green 5-9, blue 10-14.
        PlttRgb15 = 0,
        // rgb24to16 words: red in bits 0-4, green 5-10, blue 11-15.
        PlttRgb16 = 1,
        // Three bytes r, g, b.
        PlttRgb24 = 2,
        // Four bytes r, g, b, a.
        PlttRgba32 = 3,
        // What a palette holds before its first create(): no entries.
        PlttNone = 0xFFFFFFFFu
    };

    KaPalette();
    // The other's format and entries (no block when the other has none).
    KaPalette(const KaPalette& other);
    ~KaPalette() override;

    // Releases the block; for the four known formats allocates a new one of
    // the format's size, all entries zero. Stores the format in every case.
    void create(PlttFormat format);
    // Releases the block; the format stays.
    void create();
    void destroy();

    PlttFormat format() const { return mFormat; }
    // 512, 512, 768 or 1024 bytes; 0 for any other format.
    unsigned int getDataSize() const;
    static unsigned int dataSizeOf(PlttFormat format);
    // The block, or null; getDataSize() bytes when present.
    unsigned char* data() { return mData; }
    const unsigned char* data() const { return mData; }

    // Writes the entry in the palette's format (alpha is kept only by
    // PlttRgba32). Nothing without a block.
    void setColor(unsigned char index, const KaColor& color);
    // The entry decoded, each 5- or 6-bit field widened to 8 bits with its
    // low bits zero and alpha 255 where the format has none. Opaque black
    // without a block.
    KaColor getColor(unsigned char index) const;

    // Palettes come from image codecs, never from files of their own.
    bool load(const KaPath& path) override;

    // The record: the data size as an unsigned int, then the block raw. The
    // format is not written: the reader must already be of the same format.
    // A palette whose block was released writes zero entries of its size.
    // Returns the bytes written (the size plus 4 in binary mode).
    unsigned long serialize(KaStream& stream) override;
    // Reads a record into the block. A size other than this palette's
    // format's, or a record the stream cannot supply whole, is refused with
    // a message: the palette keeps its entries and the stream is not read
    // beyond the size (or the short data). Returns the entry bytes read (0 for
    // a refused size).
    unsigned long deSerialize(KaStream& stream) override;

    // PlttRgb15 only: every entry becomes the grey (r + g + b) / 3 of its
    // colour. Other formats print a message and stay as they are.
    void convertToBlackAndWhite();

private:
    PlttFormat mFormat;
    unsigned char* mData;
};

#endif
