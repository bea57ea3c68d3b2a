// The typed reads of KaStream on every kind of stream the engine reads from.
// The first byte picks the mode (binary or text), the rest is both the program
// of reads (one byte a step, taken from the end) and the data (from the
// start). The same program runs over a memory stream, a file, a buffered file,
// a zlib block and a package entry holding the same bytes: all must read the
// same values.

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/core/KaBufferedFile.h"
#include "engine/core/KaFile.h"
#include "engine/core/KaPackage.h"
#include "engine/core/KaStream.h"
#include "engine/core/KaZLibStream.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

namespace {

// What one step read, as text, so that runs over different streams compare.
template <class T>
void record(std::string& log, unsigned int got, T value)
{
    log += std::to_string(got);
    log += ':';
    if (got)
        log += std::to_string(value);
    log += ' ';
}

void recordFloat(std::string& log, unsigned int got, double value)
{
    unsigned char bits[sizeof value];
    std::memcpy(bits, &value, sizeof value);
    log += std::to_string(got);
    log += ':';
    if (got) {
        // NaNs compare by their bits, which the text of a number hides.
        for (unsigned char b : bits)
            log += std::to_string(b) + ",";
    }
    log += ' ';
}

std::string run(KaStream& stream, const std::vector<uint8_t>& program)
{
    std::string log;
    for (uint8_t step : program) {
        switch (step % 20) {
        case 0: { unsigned char v = 0; record(log, stream.read(v), v); break; }
        case 1: { signed char v = 0; record(log, stream.read(v), v); break; }
        case 2: { bool v = false; record(log, stream.read(v), v); break; }
        case 3: { unsigned short v = 0; record(log, stream.read(v), v); break; }
        case 4: { short v = 0; record(log, stream.read(v), v); break; }
        case 5: { unsigned int v = 0; record(log, stream.read(v), v); break; }
        case 6: { int v = 0; record(log, stream.read(v), v); break; }
        case 7: { unsigned long long v = 0; record(log, stream.read(v), v); break; }
        case 8: { long long v = 0; record(log, stream.read(v), v); break; }
        case 9: { float v = 0; unsigned int got = stream.read(v); recordFloat(log, got, v); break; }
        case 10: { double v = 0; unsigned int got = stream.read(v); recordFloat(log, got, v); break; }
        case 11: { KaString line; stream.getLine(line); log += line.c_str(); log += '|'; break; }
        case 12: { KaString word = stream.getWord(); log += word.c_str(); log += '|'; break; }
        case 13: { KaString word = stream.getWord(",;"); log += word.c_str(); log += '|'; break; }
        case 14: { KaString word; stream >> word; log += word.c_str(); log += '|'; break; }
        case 15: { unsigned int v = 0; bool ok = stream.readBinaryU32(v); record(log, ok ? 4u : 0u, v); break; }
        case 16: { record(log, 1, stream.atos64()); break; }
        case 17: { recordFloat(log, 1, stream.atof32()); break; }
        case 18: {
            unsigned char bytes[37];
            const unsigned int got = stream.readData(bytes, step % 37);
            KaFuzzCheck(got <= step % 37u, "readData delivered more than asked");
            log += std::string(reinterpret_cast<const char*>(bytes), got);
            log += '|';
            break;
        }
        default: {
            // Back to an earlier position, always inside what was read.
            const unsigned long position = stream.getPos();
            const unsigned long back = step % 7;
            if (back <= position)
                stream.seek(position - back);
            break;
        }
        }
        log += std::to_string(stream.getPos());
        log += '\n';
    }
    return log;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const KaStream::Mode mode = data[0] & 1 ? KaStream::Text : KaStream::Binary;
    ++data;
    --size;
    // The program is the last quarter of the input, read backwards.
    const size_t programLength = size / 4;
    std::vector<uint8_t> program(data + size - programLength, data + size);
    std::reverse(program.begin(), program.end());
    const size_t dataLength = size - programLength;

    KaStream memory;
    KaFuzzFillStream(memory, data, dataLength);
    memory.setMode(mode);
    const std::string expected = run(memory, program);

    const KaPath path = KaFuzzWriteFile("stream.bin", data, dataLength);
    {
        KaFile file;
        KaFuzzCheck(file.open(path, KaFileSystem::Read), "the scratch file opens");
        file.setMode(mode);
        KaFuzzCheck(run(file, program) == expected, "a file reads as the memory stream does");
    }
    {
        KaBufferedFile file;
        KaFuzzCheck(file.open(path, KaFileSystem::Read), "the scratch file opens buffered");
        file.setMode(mode);
        KaFuzzCheck(run(file, program) == expected, "a buffered file reads as the memory stream does");
    }
    if (dataLength > 0) {
        // The same bytes packed into a zlib block.
        uLongf packedSize = compressBound(dataLength);
        std::vector<unsigned char> packed(packedSize);
        KaFuzzCheck(compress(packed.data(), &packedSize, data, dataLength) == Z_OK, "zlib packs the bytes");
        KaStream block;
        block.write(static_cast<unsigned char>(1));
        block.write(static_cast<unsigned int>(packedSize));
        block.write(static_cast<unsigned int>(dataLength));
        block.writeData(packed.data(), packedSize);
        block.seek(0);
        KaZLibStream zlib;
        KaFuzzCheck(zlib.open(block), "a good zlib block opens");
        zlib.setMode(mode);
        KaFuzzCheck(run(zlib, program) == expected, "a zlib block reads as the memory stream does");
    }
    {
        // A package whose one entry is the bytes, behind a few bytes of
        // another entry.
        static const char kName[] = "data/stream.bin";
        KaStream packageBytes;
        packageBytes.write(static_cast<unsigned char>(1));
        packageBytes.write(1u);
        KaString::serialize(packageBytes, KaString(kName));
        const unsigned int offset = static_cast<unsigned int>(packageBytes.getPos() + 8 + 5);
        packageBytes.write(offset);
        packageBytes.write(static_cast<unsigned int>(dataLength));
        packageBytes.writeData("other", 5);
        packageBytes.writeData(data, dataLength);
        packageBytes.seek(0);
        KaPackage package;
        KaFuzzCheck(package.open(packageBytes), "a good package opens");
        KaPackage::OpenedFile* entry = package.openFile(KaPath(kName));
        KaFuzzCheck(entry != nullptr, "the package has its entry");
        entry->setMode(mode);
        KaFuzzCheck(run(*entry, program) == expected, "a package entry reads as the memory stream does");
        delete entry;
    }
    return 0;
}
