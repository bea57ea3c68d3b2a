#include "engine/graphics/KaJpegLibrary.h"

#include "engine/graphics/KaImage.h"

#include <jerror.h>

#include "engine/base/KaStd.h"

namespace {

const char* nameOf(j_common_ptr info)
{
    const KaJpegLibrary::ErrorManager* error = reinterpret_cast<const KaJpegLibrary::ErrorManager*>(info->err);
    return error->name ? error->name : "";
}

void printMessage(j_common_ptr info, const char* kind)
{
    char text[JMSG_LENGTH_MAX];
    (*info->err->format_message)(info, text);
    KaPrintf("jpeg %s: %s (%s)\n", kind, text, nameOf(info));
}

void outputMessage(j_common_ptr info) { printMessage(info, "warning"); }

void emitMessage(j_common_ptr info, int level)
{
    // Trace messages (level 0 and above) are for debugging libjpeg itself.
    if (level >= 0)
        return;
    // A corrupt file tends to warn once per MCU: the first says it all.
    if (info->err->num_warnings == 0)
        printMessage(info, "warning");
    info->err->num_warnings++;
}

[[noreturn]] void errorExit(j_common_ptr info)
{
    printMessage(info, "error");
    KaJpegLibrary::ErrorManager* error = reinterpret_cast<KaJpegLibrary::ErrorManager*>(info->err);
    longjmp(error->jumpBuffer, 1);
}

// Handed out once the data has ended: the decoder then sees a clean end of
// image wherever it stopped.
const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

} // namespace

void KaJpegLibrary::installErrorManager(jpeg_decompress_struct& decompressor, ErrorManager& error, const char* name)
{
    decompressor.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = errorExit;
    error.manager.emit_message = emitMessage;
    error.manager.output_message = outputMessage;
    error.name = name;
}

void KaJpegLibrary::insertEndOfImage(jpeg_decompress_struct& decompressor)
{
    WARNMS(&decompressor, JWRN_JPEG_EOF);
    decompressor.src->next_input_byte = kEndOfImage;
    decompressor.src->bytes_in_buffer = sizeof(kEndOfImage);
}

namespace {
const unsigned int kRowsPerRead = 16;

// A Huffman-coded picture spends at least one bit on every 8 x 8 block of a
// scan that covers it (a DC difference of zero, its end of block sharing the
// byte or run of a progressive scan): 64 pixels a bit. Arithmetic coding can
// squeeze a flat picture further; the encoders pictures come from do not use
// it, and the allowance for it is a generous sixteenth of a bit a block.
const unsigned long kHuffmanPixelsPerByte = 64ul * 8ul;
const unsigned long kArithmeticPixelsPerByte = 16ul * kHuffmanPixelsPerByte;
} // namespace

bool KaJpegLibrary::sizeBacked(const jpeg_decompress_struct& decompressor, unsigned long bytes)
{
    return KaImage::sizeBackedBy(decompressor.image_width, decompressor.image_height, bytes,
        decompressor.arith_code ? kArithmeticPixelsPerByte : kHuffmanPixelsPerByte);
}

void KaJpegLibrary::readRows(jpeg_decompress_struct& decompressor, KaImage& image)
{
    jpeg_start_decompress(&decompressor);
    const unsigned int pictureHeight = decompressor.output_height;
    const bool topFirst = image.flipped();
    const bool padColumns = image.bufferWidth() > decompressor.output_width;
    JSAMPROW rows[kRowsPerRead];
    while (decompressor.output_scanline < pictureHeight) {
        const unsigned int first = decompressor.output_scanline;
        unsigned int count = pictureHeight - first;
        if (count > kRowsPerRead)
            count = kRowsPerRead;
        // Scanlines come top row first; the image keeps the bottom row first
        // unless it is flipped.
        for (unsigned int k = 0; k < count; ++k)
            rows[k] = image.row(topFirst ? first + k : pictureHeight - 1 - (first + k));
        const unsigned int read = jpeg_read_scanlines(&decompressor, rows, count);
        image.setChanged(true);
        if (padColumns) {
            for (unsigned int k = 0; k < read; ++k)
                image.padRow(topFirst ? first + k : pictureHeight - 1 - (first + k));
        }
        if (read == 0)
            break;
    }
    image.setChanged(true);
    if (image.bufferHeight() > pictureHeight)
        image.padRows();
}
