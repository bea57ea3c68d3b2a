#ifndef KA_JPEG_LIBRARY_H
#define KA_JPEG_LIBRARY_H

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

class KaImage;

// What the two JPEG decoders share around libjpeg: an error manager that
// prints through the console and jumps back to the decoder, and the end of
// data that their source managers hand out when the bytes run short.
//
// libjpeg reports an error by jumping to the point the decoder set before the
// call: every function that calls into libjpeg with such a point set holds no
// object with a destructor, and sets the point again before each group of
// calls, so a jump never lands in a frame that has already returned.
class KaJpegLibrary {
public:
    // libjpeg's error manager followed by the jump point. name, when set, is
    // added to every message (the file being decoded).
    struct ErrorManager {
        jpeg_error_mgr manager;
        jmp_buf jumpBuffer;
        const char* name;
    };

    // Fills error with libjpeg's standard manager whose exit prints "jpeg
    // error: %s (%s)\n" and jumps to error.jumpBuffer, and whose first
    // warning of a decode prints "jpeg warning: %s (%s)\n"; installs it in
    // the decompressor.
    static void installErrorManager(jpeg_decompress_struct& decompressor, ErrorManager& error, const char* name);

    // What a source manager supplies when its data has ended before the
    // decoder did: a warning and an end-of-image marker, so the decoder
    // finishes instead of waiting for bytes that will never come.
    static void insertEndOfImage(jpeg_decompress_struct& decompressor);

    // Whether a JPEG stream of that many bytes can hold the picture whose
    // header the decompressor has read (KaImage::sizeBackedBy()).
    static bool sizeBacked(const jpeg_decompress_struct& decompressor, unsigned long bytes);

    // Starts the decompression and reads every scanline into the image at its
    // buffer-width stride, bottom row first unless the image is flipped,
    // filling the padding columns and rows. Calls into libjpeg: the caller's
    // jump point must be set.
    static void readRows(jpeg_decompress_struct& decompressor, KaImage& image);

    // The interface version every decompressor is created with.
    static const int mVersion = 62;
};

#endif
