// A palette record read into a palette of each format, in both stream modes.
// What is accepted must write back the same record; what is refused must leave
// the entries as they were.

#include <initializer_list>
#include <cstring>
#include <vector>

#include "engine/core/KaStream.h"
#include "engine/color/KaPalette.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const KaPalette::PlttFormat kFormats[] = { KaPalette::PlttRgb15, KaPalette::PlttRgb16,
        KaPalette::PlttRgb24, KaPalette::PlttRgba32, KaPalette::PlttNone };
    for (KaStream::Mode mode : { KaStream::Binary, KaStream::Text }) {
        for (KaPalette::PlttFormat format : kFormats) {
            KaStream stream;
            stream.setMode(mode);
            KaFuzzFillStream(stream, data, size);
            KaPalette palette;
            palette.create(format);
            for (unsigned int i = 0; i < 256; ++i)
                palette.setColor(static_cast<unsigned char>(i), KaColor(i, 255 - i, i / 2, 255));
            const unsigned int dataSize = palette.getDataSize();
            std::vector<unsigned char> before(palette.data(), palette.data() + dataSize);

            const unsigned long read = palette.deSerialize(stream);
            KaFuzzCheck(read <= dataSize, "a palette reads at most its block");
            const bool accepted = dataSize != 0 && read == dataSize;
            if (!accepted) {
                KaFuzzCheck(dataSize == 0 || std::memcmp(before.data(), palette.data(), dataSize) == 0,
                    "a refused record leaves the entries as they were");
                continue;
            }
            for (unsigned int i = 0; i < 256; ++i)
                (void)palette.getColor(static_cast<unsigned char>(i));
            if (mode == KaStream::Binary) {
                KaStream again;
                palette.serialize(again);
                KaFuzzCheck(again.bufferLength() == 4ul + dataSize && size >= 4ul + dataSize
                        && std::memcmp(again.data(), data, 4ul + dataSize) == 0,
                    "an accepted record writes back unchanged");
            }
            KaPalette copy(palette);
            KaFuzzCheck(std::memcmp(copy.data(), palette.data(), dataSize) == 0, "a copy has the same entries");
            copy.convertToBlackAndWhite();
        }
    }
    return 0;
}
