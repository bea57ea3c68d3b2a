// The plain memory stream writes and reads typed binary values straight to
// and from its buffer; a derived stream goes through the byte operations.
// Both must leave exactly the same bytes, positions, lengths, results and
// targets, at every boundary of the buffer and the data.

#include <cstring>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "engine/core/KaStream.h"

namespace {

// Nothing replaced: the base's memory operations, reached through the
// virtual calls, since the type is not KaStream itself.
class KaByteOperationsStream : public KaStream {
};

typedef std::function<unsigned int(KaStream&)> Step;

// One stream of each kind, a step applied to both, everything compared.
void expectSame(const std::vector<Step>& steps, KaStream::Mode mode = KaStream::Binary)
{
    KaStream direct;
    KaByteOperationsStream bytes;
    direct.setMode(mode);
    bytes.setMode(mode);
    for (size_t k = 0; k < steps.size(); ++k) {
        SCOPED_TRACE(testing::Message() << "step " << k);
        EXPECT_EQ(steps[k](direct), steps[k](bytes));
        ASSERT_EQ(direct.getPos(), bytes.getPos());
        ASSERT_EQ(direct.bufferLength(), bytes.bufferLength());
        if (direct.bufferLength()) {
            EXPECT_EQ(std::memcmp(direct.data(), bytes.data(), direct.bufferLength()), 0);
        }
    }
}

template <class T>
Step writing(T value)
{
    return [value](KaStream& stream) { return stream.write(value); };
}

// The value read, or the untouched target, is folded into the step's result.
template <class T>
Step reading(T initial)
{
    return [initial](KaStream& stream) {
        T value = initial;
        const unsigned int got = stream.read(value);
        unsigned int bits = 0;
        std::memcpy(&bits, &value, sizeof value < sizeof bits ? sizeof value : sizeof bits);
        return got * 1000003u + bits;
    };
}

Step seeking(unsigned long position)
{
    return [position](KaStream& stream) { return stream.seek(position) ? 1u : 0u; };
}

} // namespace

TEST(KaStreamDirect, EveryTypeWritesAndReadsAsTheByteOperationsDo)
{
    expectSame({
        writing(static_cast<unsigned char>(0xA5)),
        writing(static_cast<signed char>(-3)),
        writing(true),
        writing(static_cast<unsigned short>(0xBEEF)),
        writing(static_cast<short>(-2)),
        writing(0xDEADBEEFu),
        writing(-123456),
        writing(0x0123456789ABCDEFull),
        writing(-5ll),
        writing(1.5f),
        writing(-2.25),
        seeking(0),
        reading(static_cast<unsigned char>(0)),
        reading(static_cast<signed char>(0)),
        reading(false),
        reading(static_cast<unsigned short>(0)),
        reading(static_cast<short>(0)),
        reading(0u),
        reading(0),
        reading(0ull),
        reading(0ll),
        reading(0.0f),
        reading(0.0),
        reading(0u), // at the end: nothing read, target kept
    });
}

TEST(KaStreamDirect, BoundariesOfTheBufferAndTheData)
{
    std::vector<Step> steps;
    // Past the first block and through several growths, one value at a time.
    for (unsigned int k = 0; k < 200; ++k)
        steps.push_back(writing(k * 2654435761u));
    // Overwriting inside the data leaves its length alone; running past the
    // end extends it.
    steps.push_back(seeking(798));
    steps.push_back(writing(0x11223344u));
    steps.push_back(writing(0x55667788u));
    steps.push_back(seeking(4));
    steps.push_back(writing(0.5));
    // A value that the end of the data cuts: short count, target kept.
    steps.push_back(seeking(803));
    steps.push_back(reading(0x77777777u));
    steps.push_back(reading(static_cast<unsigned char>(9)));
    steps.push_back(seeking(801));
    steps.push_back(reading(0ull));
    steps.push_back(reading(static_cast<unsigned short>(0)));
    steps.push_back(reading(true));
    expectSame(steps);
}

TEST(KaStreamDirect, TextModeAndModeChangesTakeTheTextForms)
{
    expectSame(
        {
            writing(42u),
            writing(static_cast<unsigned char>('x')),
            writing(-7),
            writing(2.5f),
            seeking(0),
            reading(0u),
            reading(static_cast<unsigned char>(0)),
            reading(0),
        },
        KaStream::Text);

    KaStream stream;
    stream.write(7u);
    stream.setMode(KaStream::Text);
    stream.write(8u);
    stream.setMode(KaStream::Binary);
    stream.write(static_cast<unsigned short>(9));
    const unsigned char expected[] = { 7, 0, 0, 0, '8', 9, 0 };
    ASSERT_EQ(stream.bufferLength(), sizeof expected);
    EXPECT_EQ(std::memcmp(stream.data(), expected, sizeof expected), 0);
}
