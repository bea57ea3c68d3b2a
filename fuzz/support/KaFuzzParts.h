#ifndef KA_FUZZ_PARTS_H
#define KA_FUZZ_PARTS_H

// The layout of the inputs of the targets that need several files at once (a
// video and its alpha companion, the pictures of a sequence): each part but
// the last is a 32-bit little-endian byte count followed by that many bytes;
// the last part is whatever remains. A count beyond the end takes the rest,
// so every input splits into the same number of parts (some of them empty)
// and a mutated count only moves the boundaries. Header-only: the seed
// writer, which does not link the fuzz support, packs its seeds with it too.

#include <cstddef>
#include <cstdint>
#include <vector>

struct KaFuzzPart {
    const uint8_t* data;
    size_t size;
};

// Splits the input into exactly count parts (count >= 1).
inline std::vector<KaFuzzPart> KaFuzzSplit(const uint8_t* data, size_t size, size_t count)
{
    std::vector<KaFuzzPart> parts;
    size_t offset = 0;
    for (size_t i = 0; i + 1 < count; ++i) {
        size_t length = 0;
        if (size - offset >= 4) {
            length = static_cast<size_t>(data[offset]) | static_cast<size_t>(data[offset + 1]) << 8
                | static_cast<size_t>(data[offset + 2]) << 16 | static_cast<size_t>(data[offset + 3]) << 24;
            offset += 4;
        } else {
            offset = size;
        }
        if (length > size - offset)
            length = size - offset;
        parts.push_back(KaFuzzPart { data + offset, length });
        offset += length;
    }
    parts.push_back(KaFuzzPart { data + offset, size - offset });
    return parts;
}

// The inverse, for the seeds: every part but the last gets its count.
inline std::vector<unsigned char> KaFuzzJoin(const std::vector<std::vector<unsigned char>>& parts)
{
    std::vector<unsigned char> out;
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::vector<unsigned char>& part = parts[i];
        if (i + 1 < parts.size()) {
            const uint32_t length = static_cast<uint32_t>(part.size());
            for (int shift = 0; shift < 32; shift += 8)
                out.push_back(static_cast<unsigned char>(length >> shift));
        }
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

#endif
