// Serialised images (the header and the picture's rows), in both stream
// modes. What is accepted must write back the bytes it was read from, and a
// refused record must leave the image as it was.

#include <initializer_list>
#include <cstring>
#include <vector>

#include "engine/core/KaStream.h"
#include "engine/graphics/KaImage.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (KaStream::Mode mode : { KaStream::Binary, KaStream::Text }) {
        KaStream stream;
        stream.setMode(mode);
        KaFuzzFillStream(stream, data, size);

        KaImage image;
        KaIntrusivePtr<KaPalette> noPalette;
        image.create(3, 2, noPalette, RGB888);
        image.fill(7);
        const unsigned long read = image.deSerialize(stream);
        if (read == 0) {
            KaFuzzCheck(image.format() == RGB888 && image.width() == 3 && image.height() == 2,
                "a refused record leaves the image as it was");
            continue;
        }
        KaFuzzCheck(read == stream.getPos(), "the count read is what the stream gave");
        KaFuzzTouch(image.buffer(), image.bufferSize());
        if (mode == KaStream::Binary) {
            KaStream again;
            const unsigned long written = image.serialize(again);
            // The two flags are kept as booleans: any non-zero byte writes back as 1.
            std::vector<unsigned char> expected(data, data + read);
            expected[0] = expected[0] != 0;
            expected[1] = expected[1] != 0;
            KaFuzzCheck(written == read && again.bufferLength() == read
                    && std::memcmp(again.data(), expected.data(), read) == 0,
                "an accepted record writes back unchanged");
        }
        KaImage copy(image);
        KaFuzzCheck(copy.bufferSize() == image.bufferSize(), "a copy has the same buffer");
        (void)image.pixelColor(KaVector2s32(0, 0));
        image.drawPlot(0, 0, KaColor(1, 2, 3, 4));
    }
    return 0;
}
