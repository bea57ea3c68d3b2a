#include "fuzz/support/KaFuzzSupport.h"

#include <fcntl.h>
#include <zlib.h>
#include <ftw.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/KaCore.h"
#include "engine/core/KaFile.h"
#include "engine/graphics/KaIVideoCodec.h"
#include "engine/graphics/KaImage.h"

namespace {

KaPath gFolder;

int removeEntry(const char* path, const struct stat*, int, struct FTW*) { return remove(path); }

void removeFolder()
{
    if (gFolder.length() != 0)
        nftw(gFolder.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

unsigned int roundUpToPowerOfTwo(unsigned int value)
{
    unsigned int power = 1;
    while (power < value && power < (1u << 31))
        power <<= 1;
    return power;
}

} // namespace

void KaFuzzSetUp()
{
    const char* verbose = std::getenv("KA_FUZZ_VERBOSE");
    if (!verbose || std::strcmp(verbose, "1") != 0) {
        const int sink = open("/dev/null", O_WRONLY);
        if (sink >= 0) {
            dup2(sink, STDOUT_FILENO);
            close(sink);
        }
    }

    char folder[] = "/tmp/ka-fuzz-XXXXXX";
    if (!mkdtemp(folder)) {
        std::perror("ka-fuzz: mkdtemp");
        std::abort();
    }
    gFolder = folder;
    std::atexit(removeFolder);

    // The save folder lives in the scratch folder too: a target that writes a
    // save never touches the user's.
    KaPath data(gFolder);
    data += "/data";
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    KaCore* theCore = core.get();
    theCore->setApplicationName("FuzzGame");
    theCore->setBackupPathTemplate("");
    theCore->setFlagsOn(false);
}

const KaPath& KaFuzzFolder() { return gFolder; }

KaPath KaFuzzWriteFile(const char* name, const uint8_t* data, size_t size)
{
    KaPath path(gFolder);
    path += "/";
    path += name;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::perror("ka-fuzz: fopen");
        std::abort();
    }
    if (size != 0 && std::fwrite(data, 1, size, file) != size) {
        std::perror("ka-fuzz: fwrite");
        std::abort();
    }
    std::fclose(file);
    return path;
}

void KaFuzzFillStream(KaStream& stream, const uint8_t* data, size_t size)
{
    stream.clear();
    stream.writeData(data, size);
    stream.seek(0);
}

unsigned long KaFuzzDrain(KaStream& stream, unsigned long chunk)
{
    if (chunk == 0)
        chunk = 1;
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[chunk]);
    unsigned long total = 0;
    unsigned long sum = 0;
    for (;;) {
        const unsigned int got = stream.readData(buffer.get(), chunk);
        KaFuzzCheck(got <= chunk, "readData delivered more bytes than asked");
        if (got == 0)
            break;
        sum += KaFuzzTouch(buffer.get(), got);
        total += got;
    }
    (void)sum;
    return total;
}

unsigned long KaFuzzTouch(const unsigned char* bytes, unsigned long count)
{
    unsigned long sum = 0;
    for (unsigned long i = 0; i < count; ++i)
        sum += bytes[i];
    // A branch on the sum keeps the reads alive under optimisation, so ASan
    // sees every byte that was handed out.
    if (sum == 0xFFFFFFFFFFFFFFFFul)
        std::fputc(0, stderr);
    return sum;
}

bool KaFuzzSameBytes(const KaStream& a, const KaStream& b)
{
    return a.bufferLength() == b.bufferLength() && KaMemcmp(a.data(), b.data(), a.bufferLength()) == 0;
}

void KaFuzzCheck(bool condition, const char* what)
{
    if (condition)
        return;
    std::fprintf(stderr, "ka-fuzz: property broken: %s\n", what);
    std::abort();
}

bool KaFuzzValidUtf8(const uint8_t* data, size_t size)
{
    for (size_t i = 0; i < size;) {
        const uint8_t lead = data[i];
        const size_t extra = lead < 0x80 ? 0 : (lead >> 5) == 6 ? 1 : (lead >> 4) == 14 ? 2 : (lead >> 3) == 30 ? 3 : 9;
        if (extra == 9 || size - i <= extra)
            return extra == 0;
        for (size_t k = 1; k <= extra; ++k)
            if ((data[i + k] & 0xC0) != 0x80)
                return false;
        i += extra + 1;
    }
    return true;
}

bool KaFuzzDecodeFrame(KaIVideoCodec& codec, unsigned long frame, bool padded, bool flipped)
{
    const KaImageFormat format = codec.imageFormat();
    if (!KaImageFormatIsValid(format) || format == NONE)
        return false;
    const unsigned int width = codec.width();
    const unsigned int height = codec.height();
    unsigned int bufferWidth = width;
    unsigned int bufferHeight = height;
    if (padded) {
        const unsigned int paddedWidth = roundUpToPowerOfTwo(width + 1);
        const unsigned int paddedHeight = roundUpToPowerOfTwo(height + 1);
        if (KaImage::sizeAllowed(paddedWidth, paddedHeight, format)) {
            bufferWidth = paddedWidth;
            bufferHeight = paddedHeight;
        }
    }
    KaImage image;
    image.setFlipped(flipped);
    KaIntrusivePtr<KaPalette> noPalette;
    if (!image.create(width, height, noPalette, format, bufferWidth, bufferHeight))
        return false;
    image.setFlipped(flipped);
    const bool decoded = codec.update(frame, image);
    if (decoded)
        KaFuzzTouch(image.buffer(), image.bufferSize());
    return decoded;
}

void KaFuzzImageCodec(const uint8_t* data, size_t size, const char* extension, KaFuzzCodecFactory make,
    bool imageChain)
{
    KaString name("input.");
    name += extension;
    const KaPath path = KaFuzzWriteFile(name.c_str(), data, size);

    if (imageChain) {
        KaImage fromFile;
        if (fromFile.load(path))
            KaFuzzTouch(fromFile.buffer(), fromFile.bufferSize());

        KaStream stream;
        KaFuzzFillStream(stream, data, size);
        KaImage fromStream;
        if (fromStream.load(&stream, KaPath(extension)))
            KaFuzzTouch(fromStream.buffer(), fromStream.bufferSize());
    }

    {
        std::unique_ptr<KaIVideoCodec> codec(make());
        if (codec->load(path)) {
            KaFuzzDecodeFrame(*codec, 0, true, true);
            KaFuzzDecodeFrame(*codec, 0, false, false);
        }
    }

    {
        // Bytes before the file's own start: the codec must count from where
        // it found the stream, not from 0.
        static const uint8_t kLead[3] = { 'K', 'a', 0 };
        KaStream stream;
        stream.writeData(kLead, sizeof kLead);
        stream.writeData(data, size);
        stream.seek(sizeof kLead);
        std::unique_ptr<KaIVideoCodec> codec(make());
        if (codec->load(stream)) {
            KaFuzzDecodeFrame(*codec, 0, false, false);
            KaFuzzDecodeFrame(*codec, 0, true, false);
        }
    }
}

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {

uint32_t readU32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

void writeU32(uint8_t* p, uint32_t value)
{
    for (int k = 0; k < 4; ++k)
        p[k] = static_cast<uint8_t>(value >> (8 * k));
}

// Content larger than this is not unpacked for mutation.
const size_t kMaxContent = 1u << 20;

} // namespace

size_t KaFuzzMutateWrapped(KaFuzzWrapper wrapper, uint8_t* data, size_t size, size_t maxSize, unsigned int seed)
{
    const size_t header = wrapper == KaFuzzZLibBlock ? 9 : 8;
    const size_t sizes = header - 8;
    if (seed % 4 == 0 || size < header || maxSize <= header + 16)
        return LLVMFuzzerMutate(data, size, maxSize);
    const uint32_t packedSize = readU32(data + sizes);
    const uint32_t unpackedSize = readU32(data + sizes + 4);
    if (packedSize > size - header || unpackedSize == 0 || unpackedSize > kMaxContent)
        return LLVMFuzzerMutate(data, size, maxSize);

    // Room for the content to grow, within what the packed form may take.
    static std::vector<uint8_t> content(kMaxContent);
    uLongf contentSize = unpackedSize;
    if (uncompress(content.data(), &contentSize, data + header, packedSize) != Z_OK)
        return LLVMFuzzerMutate(data, size, maxSize);
    const size_t room = (maxSize - header) / 2;
    contentSize = LLVMFuzzerMutate(content.data(), contentSize, room < kMaxContent ? room : kMaxContent);

    uLongf packedRoom = maxSize - header;
    if (compressBound(contentSize) > packedRoom
        || compress(data + header, &packedRoom, content.data(), contentSize) != Z_OK)
        return LLVMFuzzerMutate(data, size, maxSize);
    if (wrapper == KaFuzzZLibBlock)
        data[0] = 1;
    writeU32(data + sizes, static_cast<uint32_t>(packedRoom));
    writeU32(data + sizes + 4, static_cast<uint32_t>(contentSize));
    return header + packedRoom;
}

bool KaFuzzTameLua(const uint8_t* data, size_t size)
{
    static const char* const refused[] = { "while", "repeat", "for", "goto", "rep", "os", "io", "debug", "load",
        "loadstring", "dofile", "loadfile", "require", "package", "collectgarbage", "coroutine", "setmetatable",
        "getmetatable", "rawset", "rawget", "_ENV", "_G", "string", "table", "pcall", "xpcall" };
    // Every identifier-like word of the text, strings and comments included.
    for (size_t i = 0; i < size;) {
        const auto starts = [](uint8_t c) { return c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
        const auto continues = [&](uint8_t c) { return starts(c) || (c >= '0' && c <= '9'); };
        if (!starts(data[i])) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < size && continues(data[end]))
            ++end;
        const std::string word(reinterpret_cast<const char*>(data) + i, end - i);
        for (const char* name : refused)
            if (word == name)
                return false;
        i = end;
    }
    return true;
}
