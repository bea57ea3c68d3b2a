#include "engine/core/KaStream.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/base/KaStd.h"
#include "engine/core/KaString.h"

namespace {

// A count reported through a 32-bit result never claims more than it can say.
const unsigned long kMaxTransfer = 0xFFFFFFFFul;

// Same-width unsigned companion of each integer type, so that wrapping and
// shifting stay well defined.
template <class T> struct KaUnsignedOf;
template <> struct KaUnsignedOf<unsigned char> { typedef unsigned char Type; };
template <> struct KaUnsignedOf<signed char> { typedef unsigned char Type; };
template <> struct KaUnsignedOf<unsigned short> { typedef unsigned short Type; };
template <> struct KaUnsignedOf<short> { typedef unsigned short Type; };
template <> struct KaUnsignedOf<unsigned int> { typedef unsigned int Type; };
template <> struct KaUnsignedOf<int> { typedef unsigned int Type; };
template <> struct KaUnsignedOf<unsigned long long> { typedef unsigned long long Type; };
template <> struct KaUnsignedOf<long long> { typedef unsigned long long Type; };

// Typed values move 1, 2, 4 or 8 bytes at a time: copy those with one load
// and one store instead of a library call. The ranges may overlap (a stream
// writing its own data): the load completes before the store, and longer
// copies go through memmove.
template <unsigned long N>
inline void copyFixed(void* destination, const void* source)
{
    unsigned char temporary[N];
    std::memcpy(temporary, source, N);
    std::memcpy(destination, temporary, N);
}

inline void copyBytes(void* destination, const void* source, unsigned long count)
{
    switch (count) {
    case 1: copyFixed<1>(destination, source); return;
    case 2: copyFixed<2>(destination, source); return;
    case 4: copyFixed<4>(destination, source); return;
    case 8: copyFixed<8>(destination, source); return;
    default: KaMemmove(destination, source, count); return;
    }
}

bool isDigit(unsigned char byte) { return byte >= '0' && byte <= '9'; }

// The terminator of the set is never a separator: a NUL in the data is text.
bool isSeparator(unsigned char byte, const char* separators)
{
    if (byte == 0 || !separators)
        return false;
    for (const char* s = separators; *s; ++s)
        if (static_cast<unsigned char>(*s) == byte)
            return true;
    return false;
}

// Collects the bytes of a line or word before they become a string in one
// set, so a long line is not reallocated byte by byte.
class KaByteCollector {
public:
    KaByteCollector() : mBytes(mInline), mSize(0), mCapacity(sizeof mInline) {}
    KaByteCollector(const KaByteCollector&) = delete;
    KaByteCollector& operator=(const KaByteCollector&) = delete;
    ~KaByteCollector()
    {
        if (mBytes != mInline)
            std::free(mBytes);
    }

    void push(unsigned char byte)
    {
        if (mSize == mCapacity && !grow())
            return;
        mBytes[mSize++] = byte;
    }

    void moveInto(KaString& text) const { text.set(mBytes, mSize); }

private:
    bool grow()
    {
        unsigned long capacity = mCapacity * 2;
        unsigned char* bytes = static_cast<unsigned char*>(
            mBytes == mInline ? std::malloc(capacity) : std::realloc(mBytes, capacity));
        if (!bytes)
            return false;
        if (mBytes == mInline)
            std::memcpy(bytes, mInline, mSize);
        mBytes = bytes;
        mCapacity = capacity;
        return true;
    }

    unsigned char mInline[128];
    unsigned char* mBytes;
    unsigned long mSize;
    unsigned long mCapacity;
};

} // namespace

const char* const KaStream::mDefaultSeparators = " \n\t\r\v\f";

KaStream::KaStream()
    : mPosition(0), mMode(Binary), mBuffering(false), mBufferStart(0), mBufferPosition(0),
      mBufferSize(0), mLength(0), mCapacity(0), mData(nullptr), mDirect(DirectUnknown)
{
}

KaStream::~KaStream() { std::free(mData); }

void KaStream::clear()
{
    std::free(mData);
    mData = nullptr;
    mPosition = 0;
    mLength = 0;
    mCapacity = 0;
    mBufferStart = 0;
    mBufferPosition = 0;
}

// ---------------------------------------------------------------------------
// The six byte operations of the memory stream

// The memory block grows geometrically under the exact length: a file format
// written value by value would otherwise copy the whole data on every write.
bool KaStream::reserveMemory(unsigned long needed)
{
    if (needed <= mCapacity)
        return true;
    unsigned long capacity = mCapacity + mCapacity / 2;
    if (capacity < needed)
        capacity = needed;
    if (capacity < 64)
        capacity = 64;
    void* grown = std::realloc(mData, capacity);
    if (!grown) {
        // Try the exact size before giving up; the old block stays valid.
        grown = std::realloc(mData, needed);
        if (!grown)
            return false;
        capacity = needed;
    }
    mData = static_cast<unsigned char*>(grown);
    mCapacity = capacity;
    return true;
}

unsigned int KaStream::writeData(const void* bytes, unsigned long count)
{
    if (count == 0 || !bytes)
        return 0;
    if (count > kMaxTransfer)
        count = kMaxTransfer;
    if (mPosition + count > mLength) {
        // The source may lie inside our own block: keep its offset across a
        // reallocation.
        const unsigned char* source = static_cast<const unsigned char*>(bytes);
        bool inside = mData && source >= mData && source < mData + mCapacity;
        unsigned long offset = inside ? static_cast<unsigned long>(source - mData) : 0;
        if (!reserveMemory(mPosition + count))
            return 0;
        if (inside)
            bytes = mData + offset;
        mLength = mPosition + count;
    }
    copyBytes(mData + mPosition, bytes, count);
    mPosition += count;
    return static_cast<unsigned int>(count);
}

unsigned int KaStream::readData(void* destination, unsigned long count)
{
    if (mPosition >= mLength || count == 0)
        return 0;
    unsigned long available = mLength - mPosition;
    if (count > available)
        count = available;
    if (count > kMaxTransfer)
        count = kMaxTransfer;
    copyBytes(destination, mData + mPosition, count);
    mPosition += count;
    return static_cast<unsigned int>(count);
}

bool KaStream::seek(unsigned long position)
{
    if (position > mLength)
        return false;
    mPosition = position;
    return true;
}

unsigned long KaStream::getPos() const { return mPosition; }

bool KaStream::isAtEnd() const { return mPosition >= mLength; }

unsigned long KaStream::size() const { return 0; }

void KaStream::setBufferingMode(bool on, unsigned long size)
{
    mBuffering = on;
    mBufferSize = on ? size : 0;
    mBufferStart = getPos();
    mBufferPosition = mBufferStart;
}

// ---------------------------------------------------------------------------
// Binary encodings

// A derived stream may hand over fewer bytes than asked before its end (a
// pipe-like source): ask again until the value is complete or nothing comes.
unsigned long KaStream::readFully(void* destination, unsigned long count)
{
    unsigned char* bytes = static_cast<unsigned char*>(destination);
    unsigned long done = 0;
    while (done < count) {
        unsigned int got = readData(bytes + done, count - done);
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

unsigned int KaStream::writeFully(const void* source, unsigned int count)
{
    const unsigned char* bytes = static_cast<const unsigned char*>(source);
    unsigned int done = 0;
    while (done < count) {
        unsigned int put = writeData(bytes + done, count - done);
        if (put == 0)
            break;
        done += put;
    }
    return done;
}

template <class T>
unsigned int KaStream::writeLittleEndian(T value)
{
    typedef typename KaUnsignedOf<T>::Type U;
    U bits = static_cast<U>(value);
    unsigned char bytes[sizeof(T)];
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    std::memcpy(bytes, &bits, sizeof bits);
#else
    for (unsigned k = 0; k < sizeof(T); ++k)
        bytes[k] = static_cast<unsigned char>((bits >> (8 * k)) & 0xFFu);
#endif
    return writeFully(bytes, sizeof(T));
}

template <class T>
unsigned int KaStream::readLittleEndian(T& value)
{
    typedef typename KaUnsignedOf<T>::Type U;
    unsigned char bytes[sizeof(T)];
    unsigned int got = readFully(bytes, sizeof(T));
    if (got != sizeof(T))
        return got;
    U bits = 0;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    // The host's own order is the stored order: one load.
    std::memcpy(&bits, bytes, sizeof bits);
#else
    for (unsigned k = 0; k < sizeof(T); ++k)
        bits = static_cast<U>(bits | (static_cast<U>(bytes[k]) << (8 * k)));
#endif
    value = static_cast<T>(bits);
    return got;
}

bool KaStream::readTag(const char* tag)
{
    char bytes[4] = { 0, 0, 0, 0 };
    return readFully(bytes, 4) == 4 && std::memcmp(bytes, tag, 4) == 0;
}

bool KaStream::readBinaryU32(unsigned int& value)
{
    return readLittleEndian(value) == sizeof value;
}

// ---------------------------------------------------------------------------
// Typed writes

unsigned int KaStream::writeFormatted(const char* format, ...)
{
    // The longest number printed here is a double near its maximum in "%Lf":
    // 309 integer digits, a sign, a point and six decimals.
    char buffer[400];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0)
        return 0;
    if (static_cast<size_t>(n) < sizeof buffer)
        return writeFully(buffer, static_cast<unsigned int>(n));
    char* large = static_cast<char*>(std::malloc(static_cast<size_t>(n) + 1));
    if (!large)
        return 0;
    va_start(args, format);
    std::vsnprintf(large, static_cast<size_t>(n) + 1, format, args);
    va_end(args);
    unsigned int written = writeFully(large, static_cast<unsigned int>(n));
    std::free(large);
    return written;
}

unsigned int KaStream::writeValue(unsigned char value) { return writeData(&value, 1); }

unsigned int KaStream::writeValue(signed char value) { return writeData(&value, 1); }

unsigned int KaStream::writeValue(bool value)
{
    unsigned char byte = value ? 1 : 0;
    return writeData(&byte, 1);
}

unsigned int KaStream::writeValue(unsigned short value)
{
    if (mMode != Binary)
        return writeFormatted("%lu", static_cast<unsigned long>(value));
    return writeLittleEndian(value);
}

unsigned int KaStream::writeValue(short value)
{
    if (mMode != Binary)
        return writeFormatted("%ld", static_cast<long>(value));
    return writeLittleEndian(value);
}

unsigned int KaStream::writeValue(unsigned int value)
{
    if (mMode != Binary)
        return writeFormatted("%lu", static_cast<unsigned long>(value));
    return writeLittleEndian(value);
}

unsigned int KaStream::writeValue(int value)
{
    if (mMode != Binary)
        return writeFormatted("%ld", static_cast<long>(value));
    return writeLittleEndian(value);
}

unsigned int KaStream::writeValue(unsigned long long value)
{
    if (mMode != Binary)
        return writeFormatted("%llu", value);
    return writeLittleEndian(value);
}

unsigned int KaStream::writeValue(long long value)
{
    if (mMode != Binary)
        return writeFormatted("%lld", value);
    return writeLittleEndian(value);
}

unsigned int KaStream::writeValue(float value)
{
    if (mMode != Binary)
        return writeFormatted("%f", static_cast<double>(value));
    unsigned int bits;
    std::memcpy(&bits, &value, sizeof bits);
    return writeLittleEndian(bits);
}

unsigned int KaStream::writeValue(double value)
{
    if (mMode != Binary)
        return writeFormatted("%Lf", static_cast<long double>(value));
    unsigned long long bits;
    std::memcpy(&bits, &value, sizeof bits);
    return writeLittleEndian(bits);
}

unsigned int KaStream::write(const KaString& text) { return writeData(text.c_str(), text.length()); }

unsigned int KaStream::write(const char* text) { return writeData(text, KaStrlen(text)); }

unsigned long KaStream::write(KaStream& other)
{
    // Chunked rather than byte by byte: same bytes, far fewer virtual calls.
    unsigned char chunk[4096];
    unsigned long copied = 0;
    for (;;) {
        unsigned int got = other.readData(chunk, sizeof chunk);
        if (got == 0)
            break;
        unsigned int written = writeFully(chunk, got);
        copied += written;
        if (written != got)
            break;
    }
    return copied;
}

// ---------------------------------------------------------------------------
// Typed reads

unsigned int KaStream::readValue(unsigned char& value) { return readData(&value, 1); }

unsigned int KaStream::readValue(signed char& value) { return readData(&value, 1); }

unsigned int KaStream::readValue(bool& value)
{
    unsigned char byte;
    unsigned int got = readData(&byte, 1);
    if (got == 1)
        value = byte != 0;
    return got;
}

template <class T>
unsigned int KaStream::readText(T& value, T (KaStream::*parser)())
{
    unsigned long before = getPos();
    T parsed = (this->*parser)();
    unsigned long after = getPos();
    if (after == before)
        return 0;
    value = parsed;
    return static_cast<unsigned int>(after - before);
}

unsigned int KaStream::readValue(unsigned short& value)
{
    if (mMode != Binary)
        return readText(value, &KaStream::atou16);
    return readLittleEndian(value);
}

unsigned int KaStream::readValue(short& value)
{
    if (mMode != Binary)
        return readText(value, &KaStream::atos16);
    return readLittleEndian(value);
}

unsigned int KaStream::readValue(unsigned int& value)
{
    if (mMode != Binary)
        return readText(value, &KaStream::atou32);
    return readLittleEndian(value);
}

unsigned int KaStream::readValue(int& value)
{
    if (mMode != Binary)
        return readText(value, &KaStream::atos32);
    return readLittleEndian(value);
}

unsigned int KaStream::readValue(unsigned long long& value)
{
    if (mMode != Binary)
        return readText(value, &KaStream::atou64);
    return readLittleEndian(value);
}

unsigned int KaStream::readValue(long long& value)
{
    if (mMode != Binary)
        return readText(value, &KaStream::atos64);
    return readLittleEndian(value);
}

unsigned int KaStream::readValue(float& value)
{
    if (mMode != Binary)
        return readText(value, &KaStream::atof32);
    unsigned int bits;
    unsigned int got = readLittleEndian(bits);
    if (got == sizeof bits)
        std::memcpy(&value, &bits, sizeof value);
    return got;
}

unsigned int KaStream::readValue(double& value)
{
    if (mMode != Binary)
        return readText(value, &KaStream::atof64);
    unsigned long long bits;
    unsigned int got = readLittleEndian(bits);
    if (got == sizeof bits)
        std::memcpy(&value, &bits, sizeof value);
    return got;
}

// ---------------------------------------------------------------------------
// Lines and words

bool KaStream::getLine(KaString& line)
{
    KaByteCollector bytes;
    unsigned char byte;
    while (readData(&byte, 1) == 1) {
        if (byte == '\n')
            break;
        if (byte != '\r')
            bytes.push(byte);
    }
    bytes.moveInto(line);
    return !isAtEnd();
}

KaString KaStream::getLine()
{
    KaString line;
    getLine(line);
    return line;
}

void KaStream::readWord(const char* separators, KaString& word)
{
    KaByteCollector bytes;
    unsigned char byte;
    bool more = readData(&byte, 1) == 1;
    while (more && isSeparator(byte, separators))
        more = readData(&byte, 1) == 1;
    // byte is now the word's first byte: kept rather than stepped back over,
    // which also serves streams that cannot seek backwards.
    while (more && !isSeparator(byte, separators)) {
        bytes.push(byte);
        more = readData(&byte, 1) == 1;
    }
    if (more) {
        // Skip the separators after the word; rest on the next word.
        while ((more = readData(&byte, 1) == 1) && isSeparator(byte, separators)) {
        }
        if (more)
            stepBack();
    }
    bytes.moveInto(word);
}

KaString KaStream::getWord(const char* separators)
{
    KaString word;
    readWord(separators, word);
    return word;
}

KaString KaStream::getWord() { return getWord(mDefaultSeparators); }

KaStream& KaStream::operator>>(KaString& word)
{
    readWord(mDefaultSeparators, word);
    return *this;
}

// ---------------------------------------------------------------------------
// Text parsers

bool KaStream::stepBack()
{
    unsigned long position = getPos();
    return position > 0 && seek(position - 1);
}

template <class T>
T KaStream::parseUnsigned()
{
    typedef typename KaUnsignedOf<T>::Type U;
    unsigned char byte;
    if (readData(&byte, 1) != 1)
        return 0;
    U value = 0;
    while (isDigit(byte)) {
        U digit = static_cast<U>(byte - '0');
        bool more = readData(&byte, 1) == 1;
        value = static_cast<U>(value * 10u + digit);
        if (!more)
            return static_cast<T>(value);
    }
    stepBack();
    return static_cast<T>(value);
}

// Consumes a leading '-' and reports it; any other byte stays unread.
bool KaStream::readSign()
{
    unsigned char byte;
    if (readData(&byte, 1) != 1)
        return false;
    if (byte == '-')
        return true;
    stepBack();
    return false;
}

template <class T>
T KaStream::parseSigned()
{
    typedef typename KaUnsignedOf<T>::Type U;
    bool negative = readSign();
    U magnitude = parseUnsigned<U>();
    if (negative)
        magnitude = static_cast<U>(0u - magnitude);
    return static_cast<T>(magnitude);
}

unsigned char KaStream::atou8() { return parseUnsigned<unsigned char>(); }
unsigned short KaStream::atou16() { return parseUnsigned<unsigned short>(); }
unsigned int KaStream::atou32() { return parseUnsigned<unsigned int>(); }
unsigned long long KaStream::atou64() { return parseUnsigned<unsigned long long>(); }
signed char KaStream::atos8() { return parseSigned<signed char>(); }
short KaStream::atos16() { return parseSigned<short>(); }
int KaStream::atos32() { return parseSigned<int>(); }
long long KaStream::atos64() { return parseSigned<long long>(); }

// The integer part accumulates in Integer's precision, the fraction and its
// divisor always in single precision; the two are added at the end.
template <class Integer>
Integer KaStream::parseDecimal()
{
    bool negative = readSign();
    Integer integer = 0;
    float fraction = 0.0f;
    unsigned char byte;
    bool more = readData(&byte, 1) == 1;
    while (more && isDigit(byte)) {
        integer = integer * 10 + static_cast<Integer>(byte - '0');
        more = readData(&byte, 1) == 1;
    }
    if (more) {
        if (byte == '.') {
            float divisor = 10.0f;
            while (readData(&byte, 1) == 1) {
                if (!isDigit(byte)) {
                    stepBack();
                    break;
                }
                fraction += static_cast<float>(byte - '0') / divisor;
                divisor *= 10.0f;
            }
        } else {
            stepBack();
        }
    }
    Integer result = integer + static_cast<Integer>(fraction);
    return negative ? -result : result;
}

float KaStream::atof32() { return parseDecimal<float>(); }
double KaStream::atof64() { return parseDecimal<double>(); }
