#include "engine/core/KaStream.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/core/KaPath.h"
#include "engine/core/KaSerialize.h"
#include "engine/core/KaString.h"

namespace {

typedef std::vector<unsigned char> Bytes;

Bytes contentOf(const KaStream& stream)
{
    const unsigned char* data = stream.data();
    return data ? Bytes(data, data + stream.bufferLength()) : Bytes();
}

std::string textOf(const KaStream& stream)
{
    const unsigned char* data = stream.data();
    return data ? std::string(reinterpret_cast<const char*>(data), stream.bufferLength()) : std::string();
}

// A memory stream holding the given bytes, positioned at 0.
void fill(KaStream& stream, const Bytes& bytes)
{
    if (!bytes.empty())
        stream.writeData(bytes.data(), bytes.size());
    stream.seek(0);
}

void fill(KaStream& stream, const std::string& text)
{
    fill(stream, Bytes(text.begin(), text.end()));
}

template <class T>
bool sameBits(const T& a, const T& b)
{
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

template <class T>
T fromBits(unsigned long long bits)
{
    T value;
    std::memcpy(&value, &bits, sizeof(T));
    return value;
}

// One typed value, its exact binary encoding, and how to write and read it
// through the typed operations of the stream.
struct EncodingCase {
    std::string name;
    Bytes bytes;
    std::function<unsigned int(KaStream&)> write;
    std::function<unsigned int(KaStream&)> writeOperator;
    // Reads into a target that holds a different value first, and tells
    // whether the value read back has exactly the written bits.
    std::function<bool(KaStream&, unsigned int&)> readBack;
};

template <class T>
EncodingCase encoding(const std::string& name, T value, Bytes bytes)
{
    EncodingCase c;
    c.name = name;
    c.bytes = bytes;
    c.write = [value](KaStream& s) { return s.write(value); };
    c.writeOperator = [value](KaStream& s) {
        unsigned long before = s.getPos();
        s << value;
        return static_cast<unsigned int>(s.getPos() - before);
    };
    c.readBack = [value](KaStream& s, unsigned int& count) {
        T target;
        std::memset(&target, 0x5A, sizeof target);
        count = s.read(target);
        return sameBits(target, value);
    };
    return c;
}

std::vector<EncodingCase> binaryEncodings()
{
    return {
        encoding<unsigned char>("uchar 0xAB", 0xAB, {0xAB}),
        encoding<signed char>("schar -1", -1, {0xFF}),
        encoding<bool>("bool true", true, {0x01}),
        encoding<bool>("bool false", false, {0x00}),
        encoding<unsigned short>("ushort 0x1234", 0x1234, {0x34, 0x12}),
        encoding<short>("short -2", -2, {0xFE, 0xFF}),
        encoding<short>("short min", SHRT_MIN, {0x00, 0x80}),
        encoding<unsigned int>("uint 0x12345678", 0x12345678u, {0x78, 0x56, 0x34, 0x12}),
        encoding<unsigned int>("uint max", 0xFFFFFFFFu, {0xFF, 0xFF, 0xFF, 0xFF}),
        encoding<int>("int -2", -2, {0xFE, 0xFF, 0xFF, 0xFF}),
        encoding<int>("int min", INT_MIN, {0x00, 0x00, 0x00, 0x80}),
        encoding<unsigned long long>("ullong 1", 1ull, {0x01, 0, 0, 0, 0, 0, 0, 0}),
        encoding<unsigned long long>("ullong 0x0102030405060708", 0x0102030405060708ull,
                                     {0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01}),
        encoding<long long>("llong -1", -1ll, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),
        encoding<long long>("llong min", LLONG_MIN, {0, 0, 0, 0, 0, 0, 0, 0x80}),
        encoding<float>("float 1.0", 1.0f, {0x00, 0x00, 0x80, 0x3F}),
        encoding<float>("float -0.0", -0.0f, {0x00, 0x00, 0x00, 0x80}),
        encoding<float>("float -2.5", -2.5f, {0x00, 0x00, 0x20, 0xC0}),
        encoding<float>("float NaN with payload", fromBits<float>(0x7FC00123u), {0x23, 0x01, 0xC0, 0x7F}),
        encoding<float>("float denormal", fromBits<float>(0x00000001u), {0x01, 0x00, 0x00, 0x00}),
        encoding<double>("double 1.0", 1.0, {0, 0, 0, 0, 0, 0, 0xF0, 0x3F}),
        encoding<double>("double -2.5", -2.5, {0, 0, 0, 0, 0, 0, 0x04, 0xC0}),
        encoding<double>("double bits 0x0123456789ABCDEF", fromBits<double>(0x0123456789ABCDEFull),
                         {0xEF, 0xCD, 0xAB, 0x89, 0x67, 0x45, 0x23, 0x01}),
    };
}

} // namespace

// ---------------------------------------------------------------------------
// Binary encodings

TEST(KaStreamBinary, EveryPrimitiveWritesItsExactLittleEndianBytes)
{
    for (const EncodingCase& c : binaryEncodings()) {
        SCOPED_TRACE(c.name);
        KaStream viaWrite;
        EXPECT_EQ(c.write(viaWrite), c.bytes.size());
        EXPECT_EQ(contentOf(viaWrite), c.bytes);

        KaStream viaOperator;
        EXPECT_EQ(c.writeOperator(viaOperator), c.bytes.size());
        EXPECT_EQ(contentOf(viaOperator), c.bytes);
    }
}

TEST(KaStreamBinary, EveryPrimitiveReadsBackFromItsBytes)
{
    for (const EncodingCase& c : binaryEncodings()) {
        SCOPED_TRACE(c.name);
        KaStream stream;
        fill(stream, c.bytes);
        unsigned int count = 0;
        EXPECT_TRUE(c.readBack(stream, count));
        EXPECT_EQ(count, c.bytes.size());
        EXPECT_TRUE(stream.isAtEnd());
    }
}

TEST(KaStreamBinary, AnyNonZeroByteReadsAsTrue)
{
    const unsigned char bytes[] = {0x00, 0x01, 0x02, 0x80, 0xFF};
    for (unsigned char byte : bytes) {
        KaStream stream;
        fill(stream, Bytes{byte});
        bool value = byte == 0;
        EXPECT_EQ(stream.read(value), 1u);
        EXPECT_EQ(value, byte != 0) << int(byte);
    }
}

TEST(KaStreamBinary, MixedRecordRoundTripsInOrder)
{
    KaStream stream;
    stream << static_cast<unsigned char>(7) << true << static_cast<short>(-300) << 123456789u << -42
           << 0xFEDCBA9876543210ull << -5ll << 3.25f << -1.0e-300;
    EXPECT_EQ(stream.bufferLength(), 1u + 1 + 2 + 4 + 4 + 8 + 8 + 4 + 8);

    stream.seek(0);
    unsigned char u8 = 0;
    bool flag = false;
    short s16 = 0;
    unsigned int u32 = 0;
    int s32 = 0;
    unsigned long long u64 = 0;
    long long s64 = 0;
    float f32 = 0;
    double f64 = 0;
    stream >> u8 >> flag >> s16 >> u32 >> s32 >> u64 >> s64 >> f32 >> f64;
    EXPECT_EQ(u8, 7);
    EXPECT_TRUE(flag);
    EXPECT_EQ(s16, -300);
    EXPECT_EQ(u32, 123456789u);
    EXPECT_EQ(s32, -42);
    EXPECT_EQ(u64, 0xFEDCBA9876543210ull);
    EXPECT_EQ(s64, -5);
    EXPECT_EQ(f32, 3.25f);
    EXPECT_EQ(f64, -1.0e-300);
    EXPECT_TRUE(stream.isAtEnd());
}

// A value cut by the end of the data reports the bytes it got and leaves the
// target as it was, so a loader can tell a truncated file from a zero.
TEST(KaStreamBinary, TruncatedValueReportsShortCountAndLeavesTargetUnchanged)
{
    struct Case {
        const char* name;
        unsigned long available;
        std::function<bool(KaStream&, unsigned int&)> read;
    };
    const std::vector<Case> cases = {
        {"bool from nothing", 0,
         [](KaStream& s, unsigned int& n) { bool v = true; n = s.read(v); return v == true; }},
        {"ushort from 1 byte", 1,
         [](KaStream& s, unsigned int& n) { unsigned short v = 77; n = s.read(v); return v == 77; }},
        {"short from 1 byte", 1,
         [](KaStream& s, unsigned int& n) { short v = -77; n = s.read(v); return v == -77; }},
        {"uint from 3 bytes", 3,
         [](KaStream& s, unsigned int& n) { unsigned int v = 77; n = s.read(v); return v == 77; }},
        {"int from 2 bytes", 2,
         [](KaStream& s, unsigned int& n) { int v = -77; n = s.read(v); return v == -77; }},
        {"ullong from 7 bytes", 7,
         [](KaStream& s, unsigned int& n) { unsigned long long v = 77; n = s.read(v); return v == 77; }},
        {"llong from 4 bytes", 4,
         [](KaStream& s, unsigned int& n) { long long v = -77; n = s.read(v); return v == -77; }},
        {"float from 3 bytes", 3,
         [](KaStream& s, unsigned int& n) { float v = 0.5f; n = s.read(v); return v == 0.5f; }},
        {"double from 5 bytes", 5,
         [](KaStream& s, unsigned int& n) { double v = 0.5; n = s.read(v); return v == 0.5; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaStream stream;
        fill(stream, Bytes(c.available, 0xEE));
        unsigned int count = 99;
        EXPECT_TRUE(c.read(stream, count));
        EXPECT_EQ(count, c.available);
        EXPECT_TRUE(stream.isAtEnd());
    }
}

// ---------------------------------------------------------------------------
// Serialised strings

TEST(KaStreamString, SerialisedFormIsLengthThenBytes)
{
    std::string longText(300, 'x');
    longText[0] = 'A';
    longText[299] = 'Z';
    Bytes longBytes = {0x2C, 0x01, 0x00, 0x00};
    longBytes.insert(longBytes.end(), longText.begin(), longText.end());

    struct Case {
        const char* name;
        KaString text;
        Bytes bytes;
    };
    const std::vector<Case> cases = {
        {"no bytes", KaString(), {0, 0, 0, 0}},
        {"empty text", KaString(""), {0, 0, 0, 0}},
        {"abc", KaString("abc"), {3, 0, 0, 0, 'a', 'b', 'c'}},
        {"embedded NUL", KaString("a\0b", 3), {3, 0, 0, 0, 'a', 0, 'b'}},
        {"high bytes", KaString("\xC3\xA9t\xC3\xA9"), {5, 0, 0, 0, 0xC3, 0xA9, 't', 0xC3, 0xA9}},
        {"300 bytes", KaString(longText.data(), longText.size()), longBytes},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaStream stream;
        EXPECT_TRUE(KaString::serialize(stream, c.text));
        EXPECT_EQ(contentOf(stream), c.bytes);

        stream.seek(0);
        KaString back("previous text");
        EXPECT_TRUE(KaString::deserialize(stream, back));
        EXPECT_EQ(back.length(), c.text.length());
        EXPECT_EQ(std::memcmp(back.c_str(), c.text.c_str(), c.text.length()), 0);
        EXPECT_EQ(back.c_str()[back.length()], '\0');
        EXPECT_TRUE(stream.isAtEnd());
    }
}

TEST(KaStreamString, ConsecutiveStringsAndNumbersReadBackInOrder)
{
    KaStream stream;
    KaString::serialize(stream, KaString("first"));
    stream.write(12345u);
    KaString::serialize(stream, KaString(""));
    KaString::serialize(stream, KaPath("dir/file.png"));

    stream.seek(0);
    KaString first, empty("not empty");
    KaPath path;
    unsigned int number = 0;
    EXPECT_TRUE(KaString::deserialize(stream, first));
    stream.read(number);
    EXPECT_TRUE(KaString::deserialize(stream, empty));
    EXPECT_TRUE(KaString::deserialize(stream, path));
    EXPECT_EQ(first, "first");
    EXPECT_EQ(number, 12345u);
    EXPECT_EQ(empty.length(), 0u);
    EXPECT_EQ(path, "dir/file.png");
    EXPECT_TRUE(stream.isAtEnd());
}

TEST(KaStreamString, LengthBeyondTheDataIsRefusedAndLeavesTheStringEmpty)
{
    struct Case {
        const char* name;
        Bytes bytes;
    };
    const std::vector<Case> cases = {
        {"10 announced, 3 present", {10, 0, 0, 0, 'a', 'b', 'c'}},
        {"1 announced, none present", {1, 0, 0, 0}},
        {"4 GiB announced", {0xFF, 0xFF, 0xFF, 0xFF, 'x', 'y'}},
        {"length field cut after 2 bytes", {5, 0}},
        {"empty stream", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaStream stream;
        fill(stream, c.bytes);
        KaString target("old text");
        EXPECT_FALSE(KaString::deserialize(stream, target));
        EXPECT_EQ(target.length(), 0u);
        EXPECT_STREQ(target.c_str(), "");
    }
}

TEST(KaStreamString, StoredEmptyStringEmptiesTheTarget)
{
    KaStream stream;
    fill(stream, Bytes{0, 0, 0, 0});
    KaString target("old");
    EXPECT_TRUE(KaString::deserialize(stream, target));
    EXPECT_EQ(target.length(), 0u);
    EXPECT_STREQ(target.c_str(), "");
}

TEST(KaStreamString, DeserialisingDoesNotTouchAStringSharingTheTargetsBytes)
{
    KaStream stream;
    KaString::serialize(stream, KaString("new"));
    stream.seek(0);
    KaString target("old");
    KaString sharer(target);
    EXPECT_TRUE(KaString::deserialize(stream, target));
    EXPECT_EQ(target, "new");
    EXPECT_EQ(sharer, "old");
}

TEST(KaStreamString, WriteOfTextAddsItsBytesOnly)
{
    KaStream stream;
    EXPECT_EQ(stream.write(KaString("abc")), 3u);
    EXPECT_EQ(stream.write("de"), 2u);
    stream << KaString("a\0b", 3) << "" << "f";
    EXPECT_EQ(contentOf(stream), (Bytes{'a', 'b', 'c', 'd', 'e', 'a', 0, 'b', 'f'}));
}

// ---------------------------------------------------------------------------
// The memory stream

TEST(KaStreamMemory, NewStreamIsEmptyBinaryAndHasNoData)
{
    KaStream stream;
    EXPECT_EQ(stream.mode(), KaStream::Binary);
    EXPECT_EQ(stream.data(), nullptr);
    EXPECT_EQ(stream.bufferLength(), 0u);
    EXPECT_EQ(stream.getPos(), 0u);
    EXPECT_TRUE(stream.isAtEnd());
    unsigned char byte;
    EXPECT_EQ(stream.readData(&byte, 1), 0u);
}

TEST(KaStreamMemory, WritesOverwriteInsideAndExtendPastTheEnd)
{
    struct Case {
        unsigned long position;
        unsigned long expectedLength;
        std::string expected;
    };
    const Case cases[] = {
        {1, 10, "0abc456789"},
        {7, 10, "0123456abc"},
        {9, 12, "012345678abc"},
        {10, 13, "0123456789abc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        KaStream stream;
        fill(stream, std::string("0123456789"));
        ASSERT_TRUE(stream.seek(c.position));
        EXPECT_EQ(stream.writeData("abc", 3), 3u);
        EXPECT_EQ(stream.bufferLength(), c.expectedLength);
        EXPECT_EQ(stream.getPos(), c.position + 3);
        EXPECT_EQ(textOf(stream), c.expected);
    }
}

TEST(KaStreamMemory, SeekAllowsTheEndButNotBeyond)
{
    KaStream stream;
    fill(stream, std::string("0123456789"));
    EXPECT_TRUE(stream.seek(10));
    EXPECT_TRUE(stream.isAtEnd());
    EXPECT_FALSE(stream.seek(11));
    EXPECT_EQ(stream.getPos(), 10u);
    EXPECT_TRUE(stream.seek(4));
    EXPECT_FALSE(stream.isAtEnd());
    EXPECT_FALSE(stream.seek(1000));
    EXPECT_EQ(stream.getPos(), 4u);
}

TEST(KaStreamMemory, ReadStopsAtTheEndOfTheData)
{
    KaStream stream;
    fill(stream, std::string("0123456789"));
    stream.seek(7);
    char buffer[8] = {'.', '.', '.', '.', '.', '.', '.', '.'};
    EXPECT_EQ(stream.readData(buffer, 8), 3u);
    EXPECT_EQ(std::string(buffer, 8), "789.....");
    EXPECT_EQ(stream.getPos(), 10u);
    EXPECT_EQ(stream.readData(buffer, 8), 0u);
}

TEST(KaStreamMemory, SizeIsZeroAndBufferLengthCountsTheData)
{
    KaStream stream;
    fill(stream, std::string("hello"));
    EXPECT_EQ(stream.size(), 0u);
    EXPECT_EQ(stream.bufferLength(), 5u);
}

TEST(KaStreamMemory, ClearEmptiesButKeepsTheMode)
{
    KaStream stream;
    stream.setMode(KaStream::Text);
    fill(stream, std::string("hello"));
    stream.seek(3);
    stream.clear();
    EXPECT_EQ(stream.mode(), KaStream::Text);
    EXPECT_EQ(stream.data(), nullptr);
    EXPECT_EQ(stream.bufferLength(), 0u);
    EXPECT_EQ(stream.getPos(), 0u);
    stream.write(12);
    EXPECT_EQ(textOf(stream), "12");
}

// The source of a write may be the stream's own data; growing the block must
// not leave it pointing at freed memory.
TEST(KaStreamMemory, WritingItsOwnDataPastTheEndDuplicatesIt)
{
    KaStream stream;
    std::string text(1000, 'q');
    for (size_t k = 0; k < text.size(); ++k)
        text[k] = static_cast<char>('a' + k % 26);
    fill(stream, text);
    stream.seek(stream.bufferLength());
    for (int round = 0; round < 6; ++round)
        EXPECT_EQ(stream.writeData(stream.data(), 1000), 1000u);
    EXPECT_EQ(stream.bufferLength(), 7000u);
    std::string all = textOf(stream);
    for (int round = 0; round < 7; ++round)
        EXPECT_EQ(all.substr(round * 1000, 1000), text) << round;
}

TEST(KaStreamMemory, ManySmallWritesKeepEveryByte)
{
    KaStream stream;
    for (unsigned int k = 0; k < 100000; ++k)
        stream.write(k);
    ASSERT_EQ(stream.bufferLength(), 400000u);
    stream.seek(0);
    for (unsigned int k = 0; k < 100000; ++k) {
        unsigned int value = ~k;
        ASSERT_EQ(stream.read(value), 4u);
        ASSERT_EQ(value, k);
    }
}

TEST(KaStreamMemory, BufferingModeKeepsTheData)
{
    KaStream stream;
    fill(stream, std::string("0123456789"));
    stream.seek(4);
    stream.setBufferingMode(true, 4);
    EXPECT_TRUE(stream.isBuffering());
    EXPECT_EQ(textOf(stream), "0123456789");
    EXPECT_EQ(stream.getPos(), 4u);
    stream.setBufferingMode(false, 0);
    EXPECT_FALSE(stream.isBuffering());
    EXPECT_EQ(textOf(stream), "0123456789");
}

TEST(KaStreamMemory, CopyingAnotherStreamTakesItsBytesFromItsPositionToItsEnd)
{
    std::string text(10000, ' ');
    for (size_t k = 0; k < text.size(); ++k)
        text[k] = static_cast<char>(k * 7);
    KaStream source;
    fill(source, text);
    source.seek(3);

    KaStream target;
    target.write("<");
    EXPECT_EQ(target.write(source), 9997u);
    EXPECT_TRUE(source.isAtEnd());
    EXPECT_EQ(textOf(target), "<" + text.substr(3));

    KaStream again;
    again << source;
    EXPECT_EQ(again.bufferLength(), 0u);
}

// ---------------------------------------------------------------------------
// Text mode

TEST(KaStreamText, NumbersAreWrittenAsDecimalText)
{
    char dblMax[400];
    std::snprintf(dblMax, sizeof dblMax, "%f", DBL_MAX);
    struct Case {
        const char* name;
        std::function<unsigned int(KaStream&)> write;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"int -5", [](KaStream& s) { return s.write(-5); }, "-5"},
        {"int min", [](KaStream& s) { return s.write(INT_MIN); }, "-2147483648"},
        {"uint max", [](KaStream& s) { return s.write(0xFFFFFFFFu); }, "4294967295"},
        {"short -7", [](KaStream& s) { return s.write(static_cast<short>(-7)); }, "-7"},
        {"ushort max", [](KaStream& s) { return s.write(static_cast<unsigned short>(65535)); }, "65535"},
        {"ullong max", [](KaStream& s) { return s.write(ULLONG_MAX); }, "18446744073709551615"},
        {"llong min", [](KaStream& s) { return s.write(LLONG_MIN); }, "-9223372036854775808"},
        {"float 1.5", [](KaStream& s) { return s.write(1.5f); }, "1.500000"},
        {"float -0.1", [](KaStream& s) { return s.write(-0.1f); }, "-0.100000"},
        {"double 2.25", [](KaStream& s) { return s.write(2.25); }, "2.250000"},
        {"double 1e-7", [](KaStream& s) { return s.write(1e-7); }, "0.000000"},
        {"double max", [](KaStream& s) { return s.write(DBL_MAX); }, dblMax},
        {"uchar stays raw", [](KaStream& s) { return s.write(static_cast<unsigned char>('7')); }, "7"},
        {"schar stays raw", [](KaStream& s) { return s.write(static_cast<signed char>(-1)); }, "\xFF"},
        {"bool stays raw", [](KaStream& s) { return s.write(true); }, std::string("\x01", 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaStream stream;
        stream.setMode(KaStream::Text);
        EXPECT_EQ(c.write(stream), c.expected.size());
        EXPECT_EQ(textOf(stream), c.expected);
    }
}

TEST(KaStreamText, NumbersAreParsedFromDecimalText)
{
    struct Case {
        const char* name;
        std::string text;
        // Reads one value; returns its printed form.
        std::function<std::string(KaStream&, unsigned int&)> read;
        std::string value;
        unsigned int consumed;
        unsigned long restAt;
    };
    auto asInt = [](KaStream& s, unsigned int& n) { int v = 1234; n = s.read(v); return std::to_string(v); };
    auto asUInt = [](KaStream& s, unsigned int& n) { unsigned int v = 1234; n = s.read(v); return std::to_string(v); };
    auto asShort = [](KaStream& s, unsigned int& n) { short v = 1234; n = s.read(v); return std::to_string(v); };
    auto asUShort = [](KaStream& s, unsigned int& n) {
        unsigned short v = 1234;
        n = s.read(v);
        return std::to_string(v);
    };
    auto asLLong = [](KaStream& s, unsigned int& n) { long long v = 1234; n = s.read(v); return std::to_string(v); };
    auto asULLong = [](KaStream& s, unsigned int& n) {
        unsigned long long v = 1234;
        n = s.read(v);
        return std::to_string(v);
    };
    auto asFloat = [](KaStream& s, unsigned int& n) {
        float v = 1234.0f;
        n = s.read(v);
        char out[64];
        std::snprintf(out, sizeof out, "%.9g", static_cast<double>(v));
        return std::string(out);
    };
    auto asDouble = [](KaStream& s, unsigned int& n) {
        double v = 1234.0;
        n = s.read(v);
        char out[64];
        std::snprintf(out, sizeof out, "%.17g", v);
        return std::string(out);
    };
    char pointOne[64];
    std::snprintf(pointOne, sizeof pointOne, "%.17g", static_cast<double>(0.1f));

    const std::vector<Case> cases = {
        {"int -12 before a comma", "-12,", asInt, "-12", 3, 3},
        {"int at the end of the data", "987", asInt, "987", 3, 3},
        {"int min", "-2147483648", asInt, "-2147483648", 11, 11},
        {"int wraps", "4294967297", asInt, "1", 10, 10},
        {"uint 42", "42", asUInt, "42", 2, 2},
        {"uint stops at a minus", "42-1", asUInt, "42", 2, 2},
        {"uint does not take a sign", "-3", asUInt, "1234", 0, 0},
        {"short -32768", "-32768 ", asShort, "-32768", 6, 6},
        {"ushort wraps", "65537", asUShort, "1", 5, 5},
        {"llong min", "-9223372036854775808", asLLong, "-9223372036854775808", 20, 20},
        {"ullong max", "18446744073709551615x", asULLong, "18446744073709551615", 20, 20},
        {"leading space consumes nothing", " 7", asInt, "1234", 0, 0},
        {"letter consumes nothing", "x7", asFloat, "1234", 0, 0},
        {"empty data", "", asDouble, "1234", 0, 0},
        {"lone minus reads zero", "-", asInt, "0", 1, 1},
        {"float -12", "-12", asFloat, "-12", 3, 3},
        {"float 3.25 before a letter", "3.25x", asFloat, "3.25", 4, 4},
        {"float with a trailing point", "5.", asFloat, "5", 2, 2},
        {"float without integer part", ".5;", asFloat, "0.5", 2, 2},
        {"float -0.75", "-0.75", asFloat, "-0.75", 5, 5},
        {"double 2.5", "2.5", asDouble, "2.5", 3, 3},
        {"double integer part is exact", "123456789012.", asDouble, "123456789012", 13, 13},
        {"double fraction is single precision", "0.1", asDouble, pointOne, 3, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaStream stream;
        fill(stream, c.text);
        stream.setMode(KaStream::Text);
        unsigned int consumed = 99;
        EXPECT_EQ(c.read(stream, consumed), c.value);
        EXPECT_EQ(consumed, c.consumed);
        EXPECT_EQ(stream.getPos(), c.restAt);
    }
}

TEST(KaStreamText, SingleBytesAndBooleansAreReadRaw)
{
    KaStream stream;
    fill(stream, std::string("7\x02"));
    stream.setMode(KaStream::Text);
    unsigned char byte = 0;
    bool flag = false;
    EXPECT_EQ(stream.read(byte), 1u);
    EXPECT_EQ(stream.read(flag), 1u);
    EXPECT_EQ(byte, '7');
    EXPECT_TRUE(flag);
}

TEST(KaStreamText, SeparatedValuesRoundTrip)
{
    KaStream stream;
    stream.setMode(KaStream::Text);
    stream << -17 << "," << 2.5f << "," << 4000000000u << "," << -0.125;
    EXPECT_EQ(textOf(stream), "-17,2.500000,4000000000,-0.125000");

    stream.seek(0);
    int a = 0;
    float b = 0;
    unsigned int c = 0;
    double d = 0;
    unsigned char comma = 0;
    stream >> a >> comma >> b >> comma >> c >> comma >> d;
    EXPECT_EQ(a, -17);
    EXPECT_EQ(b, 2.5f);
    EXPECT_EQ(c, 4000000000u);
    EXPECT_EQ(d, -0.125);
    EXPECT_TRUE(stream.isAtEnd());
}

TEST(KaStreamText, ParsersWrapAtTheirWidth)
{
    KaStream stream;
    fill(stream, std::string("300;-129;70000;"));
    EXPECT_EQ(stream.atou8(), 44);
    stream.seek(stream.getPos() + 1);
    EXPECT_EQ(stream.atos8(), 127);
    stream.seek(stream.getPos() + 1);
    EXPECT_EQ(stream.atou16(), 4464);
}

// ---------------------------------------------------------------------------
// Lines and words

TEST(KaStreamLines, GetLineDropsCarriageReturnsAndReportsTheEnd)
{
    KaStream stream;
    fill(stream, std::string("ab\r\ncd"));
    KaString line("stale");
    EXPECT_TRUE(stream.getLine(line));
    EXPECT_EQ(line, "ab");
    EXPECT_EQ(line.length(), 2u);
    EXPECT_FALSE(stream.getLine(line));
    EXPECT_EQ(line, "cd");
}

TEST(KaStreamLines, GetLineReadsEmptyAndLongLines)
{
    std::string longLine(1000, 'L');
    KaStream stream;
    fill(stream, "\n" + longLine + "\nx\n");
    KaString line("stale");
    EXPECT_TRUE(stream.getLine(line));
    EXPECT_EQ(line.length(), 0u);
    EXPECT_TRUE(stream.getLine(line));
    EXPECT_EQ(std::string(line.c_str(), line.length()), longLine);
    // The last line feed is consumed with its line, so the stream ends here.
    EXPECT_FALSE(stream.getLine(line));
    EXPECT_EQ(line, "x");
    EXPECT_EQ(stream.getLine().length(), 0u);
}

TEST(KaStreamLines, GetWordSkipsSeparatorsAroundTheWord)
{
    KaStream stream;
    fill(stream, std::string("  ab\tcd\r\n\v\fef  "));
    EXPECT_EQ(stream.getWord(), "ab");
    EXPECT_EQ(stream.getPos(), 5u);
    KaString word;
    stream >> word;
    EXPECT_EQ(word, "cd");
    EXPECT_EQ(stream.getPos(), 11u);
    EXPECT_EQ(stream.getWord(), "ef");
    EXPECT_TRUE(stream.isAtEnd());
    EXPECT_EQ(stream.getWord().length(), 0u);
}

TEST(KaStreamLines, GetWordWithOwnSeparatorsKeepsOtherBytes)
{
    KaStream stream;
    fill(stream, std::string(",;a b\x00" "c;;,d", 11));
    KaString first = stream.getWord(",;");
    EXPECT_EQ(first.length(), 5u);
    EXPECT_EQ(std::memcmp(first.c_str(), "a b\0c", 5), 0);
    EXPECT_EQ(stream.getWord(",;"), "d");
}

// Reading into a path goes through the path's own setter, so the word comes
// out normalised.
TEST(KaStreamLines, WordReadIntoAPathIsNormalised)
{
    KaStream stream;
    fill(stream, std::string("a\\\\b//c rest"));
    KaPath path;
    stream >> path;
    EXPECT_EQ(path, "a/b/c");
}

// ---------------------------------------------------------------------------
// Derived streams

namespace {

// A stream that serves and takes at most one byte per call and cannot seek
// backwards, like a pipe.
class KaTrickleStream : public KaStream {
public:
    explicit KaTrickleStream(const std::string& text) : mText(text), mAt(0) {}

    unsigned int writeData(const void* bytes, unsigned long count) override
    {
        if (count == 0)
            return 0;
        mWritten.push_back(*static_cast<const char*>(bytes));
        return 1;
    }
    unsigned int readData(void* destination, unsigned long count) override
    {
        if (count == 0 || mAt >= mText.size())
            return 0;
        *static_cast<char*>(destination) = mText[mAt++];
        return 1;
    }
    bool seek(unsigned long position) override
    {
        if (position < mAt || position > mText.size())
            return false;
        mAt = position;
        return true;
    }
    unsigned long getPos() const override { return mAt; }
    bool isAtEnd() const override { return mAt >= mText.size(); }
    unsigned long size() const override { return mText.size(); }

    std::string mText;
    unsigned long mAt;
    std::string mWritten;
};

} // namespace

TEST(KaStreamDerived, TypedOperationsWorkOverAnyByteSource)
{
    KaTrickleStream stream(std::string("\x78\x56\x34\x12\x00\x00\x80\x3F", 8));
    unsigned int value = 0;
    float real = 0;
    EXPECT_EQ(stream.read(value), 4u);
    EXPECT_EQ(value, 0x12345678u);
    EXPECT_EQ(stream.read(real), 4u);
    EXPECT_EQ(real, 1.0f);

    EXPECT_EQ(stream.write(0x0A0B0C0Du), 4u);
    EXPECT_EQ(stream.write(static_cast<short>(-2)), 2u);
    EXPECT_EQ(stream.mWritten, std::string("\x0D\x0C\x0B\x0A\xFE\xFF", 6));

    KaStream copy;
    KaTrickleStream source("copied");
    EXPECT_EQ(copy.write(source), 6u);
    EXPECT_EQ(textOf(copy), "copied");
}

TEST(KaStreamDerived, WordsComeOutWholeFromAStreamThatCannotStepBack)
{
    KaTrickleStream stream("  ab cd");
    EXPECT_EQ(stream.getWord(), "ab");
    // The byte after the separators stays consumed: no seek backwards.
    EXPECT_EQ(stream.getPos(), 6u);
}

// ---------------------------------------------------------------------------
// Serialisable objects

namespace {

class KaSerialisedPoint : public KaSerialize {
public:
    KaSerialisedPoint(int x, float y) : mX(x), mY(y) {}
    unsigned long serialize(KaStream& stream) override { return stream.write(mX) + stream.write(mY); }
    unsigned long deSerialize(KaStream& stream) override { return stream.read(mX) + stream.read(mY); }
    int mX;
    float mY;
};

} // namespace

TEST(KaSerializeInterface, ObjectsRoundTripThroughABaseReference)
{
    KaSerialisedPoint original(-3, 0.5f);
    KaSerialize& writer = original;
    KaStream stream;
    EXPECT_EQ(writer.serialize(stream), 8u);
    EXPECT_EQ(contentOf(stream), (Bytes{0xFD, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x3F}));

    stream.seek(0);
    KaSerialisedPoint back(0, 0.0f);
    KaSerialize& reader = back;
    EXPECT_EQ(reader.deSerialize(stream), 8u);
    EXPECT_EQ(back.mX, -3);
    EXPECT_EQ(back.mY, 0.5f);

    stream.seek(6);
    EXPECT_EQ(reader.deSerialize(stream), 2u);
}
