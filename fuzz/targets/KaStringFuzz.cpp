// Serialised strings: the length field and the bytes after it, in both stream
// modes. A string read back must serialise to exactly the bytes it came from,
// and the everyday operations must hold on whatever bytes it carries.

#include <cstring>

#include "engine/core/KaStream.h"
#include "engine/core/KaString.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

namespace {

void readStrings(const uint8_t* data, size_t size, KaStream::Mode mode)
{
    KaStream stream;
    stream.setMode(mode);
    KaFuzzFillStream(stream, data, size);
    // Several strings one after another, as records hold them.
    for (int i = 0; i < 8; ++i) {
        const unsigned long start = stream.getPos();
        KaString text("left over");
        if (!KaString::deserialize(stream, text)) {
            KaFuzzCheck(text.length() == 0, "a refused string is left empty");
            break;
        }
        const unsigned long end = stream.getPos();
        KaFuzzCheck(end > start, "a string read consumes its length field");
        KaFuzzTouch(reinterpret_cast<const unsigned char*>(text.c_str()), text.length() + 1);
        KaFuzzCheck(text.c_str()[text.length()] == 0, "the text is terminated");

        if (mode == KaStream::Binary) {
            KaStream again;
            KaFuzzCheck(KaString::serialize(again, text), "a string read back serialises");
            KaFuzzCheck(again.bufferLength() == end - start, "the round trip has the same size");
            KaFuzzCheck(std::memcmp(again.data(), data + start, end - start) == 0, "the round trip has the same bytes");
        }

        // Everyday work on the bytes read.
        KaArray<KaString> pieces = text.split(KaString(","));
        for (unsigned long k = 0; k < pieces.size(); ++k)
            KaFuzzTouch(reinterpret_cast<const unsigned char*>(pieces[k].c_str()), pieces[k].length());
        KaString copy(text);
        copy.replace(KaString("a"), KaString("bb"), 16);
        copy.setLowerCase();
        unsigned long position = 0;
        copy.find(KaString("b"), &position);
        KaString tail = text.length() ? text.subString(text.length() / 2, text.length()) : KaString();
        KaFuzzCheck(tail.length() <= text.length(), "a substring is no longer than its text");
        (void)text.startWith(tail);
        (void)text.endWith(tail);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    readStrings(data, size, KaStream::Binary);
    readStrings(data, size, KaStream::Text);
    return 0;
}
