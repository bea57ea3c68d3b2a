#ifndef KA_FUZZ_SUPPORT_H
#define KA_FUZZ_SUPPORT_H

// What every fuzz target shares: a quiet console, a private scratch folder for
// the files the engine must open by path, the core set up as the game sets it,
// and small helpers that hand the fuzzer's bytes to the engine the way the
// game's own files reach it.

#include <cstddef>
#include <cstdint>

#include "engine/containers/KaIntrusivePtr.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaStream.h"

class KaIVideoCodec;
class KaImage;

// Called once from LLVMFuzzerInitialize. Console output goes to /dev/null
// unless KA_FUZZ_VERBOSE=1 (set it when replaying a crash to see the engine's
// messages); libFuzzer itself reports on standard error.
void KaFuzzSetUp();

// The scratch folder (absolute, no trailing separator), removed at exit.
const KaPath& KaFuzzFolder();

// Writes the bytes to <scratch>/<name> and returns that absolute path.
KaPath KaFuzzWriteFile(const char* name, const uint8_t* data, size_t size);

// A memory stream holding the bytes at its start, position 0.
void KaFuzzFillStream(KaStream& stream, const uint8_t* data, size_t size);

// Loads the bytes into a fresh counted T twice, from a memory stream and
// from the file fileName by path, and hands each T that loads to use.
template <class T, class Use> void KaFuzzLoadFromStreamAndFile(const uint8_t* data, size_t size, const char* fileName, Use use)
{
    {
        KaStream stream;
        KaFuzzFillStream(stream, data, size);
        KaIntrusivePtr<T> loaded(new T());
        if (loaded->load(stream))
            use(*loaded);
    }
    KaIntrusivePtr<T> loaded(new T());
    if (loaded->load(KaFuzzWriteFile(fileName, data, size)))
        use(*loaded);
}

// Reads the stream to its end in chunks of the given size (1 or more) and
// returns the number of bytes delivered. Every byte is touched, so a reader
// that hands out memory it never filled shows under the sanitizers.
unsigned long KaFuzzDrain(KaStream& stream, unsigned long chunk);

// Sums the bytes: used so that decoded pixels and samples are really read
// (and ASan sees freed or out-of-bounds memory handed out) without the
// compiler dropping the reads.
unsigned long KaFuzzTouch(const unsigned char* bytes, unsigned long count);

// Whether the two memory streams hold the same bytes: records read back
// from a written file are compared as written again, which also compares
// floats that are not numbers.
bool KaFuzzSameBytes(const KaStream& a, const KaStream& b);

// Stops the fuzzer with a report when a property that must hold does not:
// the message goes to standard error, then the process aborts.
void KaFuzzCheck(bool condition, const char* what);

// True when the bytes are well-formed UTF-8: each lead byte announces exactly
// the continuation bytes that follow. XML saves refuse other text when it
// would not read back the same.
bool KaFuzzValidUtf8(const uint8_t* data, size_t size);

// True when a Lua text can be run by a fuzz target: no word of it names a
// loop ("while", "repeat", "for", "goto"), a library that reaches the machine
// or the heap at large ("os", "io", "debug", "string", "load", ...) or the
// string repetition (gigabytes in one call). Lua's parser, the engine's
// bindings and what they build are what the targets look at; a script that
// loops is a hang of the fuzzer, not a fault of the reader. (A function that
// tail-calls itself still loops: libFuzzer's -timeout reports it.)
bool KaFuzzTameLua(const uint8_t* data, size_t size);

// A still-image codec run the ways the game runs one:
//  - KaImage::load(path) on a file of that extension when KaImage's own chain
//    takes it (imageChain), and KaImage::load(stream, extension);
//  - the codec made by make(), loaded from the file, decoded into an image
//    whose buffer is padded to powers of two and flipped, then decoded again
//    into an image of the exact size (the second decode re-reads the header);
//  - the same codec class loaded from a stream that does not start at 0.
typedef KaIVideoCodec* (*KaFuzzCodecFactory)();
void KaFuzzImageCodec(const uint8_t* data, size_t size, const char* extension, KaFuzzCodecFactory make,
    bool imageChain);

// Decodes one frame of a loaded codec into a new image sized from the codec.
// padded: the buffer is rounded up to powers of two (as textures do) when the
// image limits allow it. Returns the update's result.
bool KaFuzzDecodeFrame(KaIVideoCodec& codec, unsigned long frame, bool padded, bool flipped);

// The zlib-wrapped formats behind a checksum: mutating their bytes mostly
// breaks the Adler-32 and never reaches the format inside. This mutator
// unpacks the wrapper, lets libFuzzer mutate the content, and packs it again
// with the right sizes; one time in four it mutates the raw bytes instead, so
// the wrapper's own checks stay exercised.
enum KaFuzzWrapper {
    // u32 packed size, u32 unpacked size, zlib data (the image wrapper).
    KaFuzzPackedBlock,
    // u8 version 1, then as above (KaZLibStream's block).
    KaFuzzZLibBlock
};
size_t KaFuzzMutateWrapped(
    KaFuzzWrapper wrapper, uint8_t* data, size_t size, size_t maxSize, unsigned int seed);

#endif
