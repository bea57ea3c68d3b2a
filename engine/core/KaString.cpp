#include "engine/core/KaString.h"

#include <cstdio>
#include <cstdlib>

#include "engine/core/KaStream.h"

static_assert(sizeof(unsigned long) == 8, "lengths and positions are 64-bit");

namespace {

const char kEmptyText[] = "";

// A serialised length is only a claim: bytes are read in slices of this size,
// so a corrupt length costs at most one slice of memory before it is refused.
const unsigned long kDeserializeSlice = 64 * 1024;

// First capacity of a text that grows by appends, so that short texts built
// a byte at a time do not reallocate at every byte.
const unsigned long kMinimumAppendCapacity = 16;

bool isInside(const unsigned char* pointer, const KaCountedArray<unsigned char>& storage)
{
    const unsigned char* data = storage.data();
    return pointer && data && pointer >= data && pointer < data + storage.capacity();
}

} // namespace

KaString::KaString()
    : KaBytesArray()
    , KaObject()
{
}

KaString::KaString(const char* text)
    : KaBytesArray()
    , KaObject()
{
    assignBytes(text, KaStrlen(text));
}

KaString::KaString(const unsigned char* text)
    : KaBytesArray()
    , KaObject()
{
    assignBytes(text, KaStrlen(reinterpret_cast<const char*>(text)));
}

KaString::KaString(const char* bytes, unsigned long count)
    : KaBytesArray()
    , KaObject()
{
    assignBytes(bytes, count);
}

KaString::KaString(const KaString& other)
    : KaBytesArray(other)
    , KaObject(other)
{
}

KaString::KaString(const KaBytesArray& bytes, Encoding)
    : KaBytesArray()
    , KaObject()
{
    assignBytes(bytes.constData(), bytes.size());
}

KaString::KaString(int value)
    : KaString(static_cast<unsigned long>(static_cast<unsigned int>(value)))
{
}

KaString::KaString(unsigned int value)
    : KaString(static_cast<unsigned long>(value))
{
}

KaString::KaString(long value)
    : KaString(static_cast<unsigned long>(value))
{
}

KaString::KaString(unsigned long value)
    : KaBytesArray()
    , KaObject()
{
    format("%d", static_cast<int>(static_cast<unsigned int>(value)));
}

KaString::~KaString() = default;

KaString& KaString::operator=(const KaString& other)
{
    if (&other != this) {
        KaBytesArray::operator=(other);
    }
    return *this;
}

void KaString::assignBytes(const void* bytes, unsigned long count, unsigned long capacity)
{
    const unsigned char* source = static_cast<const unsigned char*>(bytes);
    if (capacity < count + 1)
        capacity = count + 1;
    KaCountedArray<unsigned char>& storage = *mArray;
    if (storage.counter() >= 2 || isInside(source, storage)) {
        // A fresh storage leaves the old one, and the source bytes in it,
        // untouched until the new text is complete.
        KaSmartPointer<KaCountedArray<unsigned char>> fresh(new KaCountedArray<unsigned char>());
        fresh->reserve(capacity);
        fresh->pushBack(source, count);
        fresh->pushBack(static_cast<unsigned char>(0));
        mArray = fresh;
    } else {
        storage.reserve(capacity);
        storage.copy(source, count);
        storage.pushBack(static_cast<unsigned char>(0));
    }
}

void KaString::appendBytes(const void* bytes, unsigned long count)
{
    if (size() == 0) {
        // A text that starts with an append is likely to be appended to again.
        assignBytes(bytes, count, kMinimumAppendCapacity);
        return;
    }
    if (count == 0)
        return;
    const unsigned char* source = static_cast<const unsigned char*>(bytes);
    // Detaching keeps the old storage alive in its other handles, so a
    // source inside it stays valid.
    detach();
    KaCountedArray<unsigned char>& storage = *mArray;
    const unsigned long length = storage.size() - 1;
    if (isInside(source, storage)) {
        // The storage copies such a source before it moves.
        storage.insert(source, count, length);
        return;
    }
    // Growing by half at a time keeps a text built append by append linear;
    // growing to the exact size would reallocate on every append.
    const unsigned long needed = storage.size() + count;
    if (needed > storage.capacity()) {
        unsigned long grown = storage.size() + storage.size() / 2;
        if (grown < kMinimumAppendCapacity)
            grown = kMinimumAppendCapacity;
        storage.reserve(needed > grown ? needed : grown);
    }
    // The bytes go over the terminator, and a new one after them: one block
    // copy, nothing constructed twice.
    storage.removeEnd();
    storage.pushBack(source, count);
    storage.pushBack(static_cast<unsigned char>(0));
}

void KaString::truncate(unsigned long length)
{
    detach();
    mArray->resize(length + 1);
    mArray->data()[length] = 0;
}

void KaString::set(const unsigned char* bytes, unsigned long count) { assignBytes(bytes, count); }

void KaString::set(const KaBytesArray& bytes, Encoding) { set(bytes.constData(), bytes.size()); }

KaString& KaString::setLowerCase()
{
    for (unsigned long i = 0; i < textLength(); ++i) {
        // Read through the const view so that a string with no capital
        // letters keeps sharing its bytes.
        const unsigned char byte = constData()[i];
        if (byte >= 'A' && byte <= 'Z')
            data()[i] = static_cast<unsigned char>(byte + 32);
    }
    return *this;
}

KaString KaString::toLowerCase() const
{
    KaString copy(*this);
    copy.setLowerCase();
    return copy;
}

KaString& KaString::setUpperCase()
{
    for (unsigned long i = 0; i < textLength(); ++i) {
        const unsigned char byte = constData()[i];
        if (byte >= 'a' && byte <= 'z')
            data()[i] = static_cast<unsigned char>(byte - 32);
    }
    return *this;
}

KaString KaString::toUpperCase() const
{
    KaString copy(*this);
    copy.setUpperCase();
    return copy;
}

const char* KaString::c_str() const
{
    if (size() == 0)
        return kEmptyText;
    return reinterpret_cast<const char*>(constData());
}

unsigned long KaString::length() const { return textLength(); }

unsigned int KaString::getLength() const { return static_cast<unsigned int>(textLength()); }

void KaString::clear()
{
    KaBytesArray::clear();
}

KaString& KaString::operator=(const char* text)
{
    set(reinterpret_cast<const unsigned char*>(text), KaStrlen(text));
    return *this;
}

KaString& KaString::operator+=(const KaString& other)
{
    appendBytes(other.constData(), other.textLength());
    return *this;
}

KaString& KaString::operator+=(const char* text)
{
    appendBytes(text, KaStrlen(text));
    return *this;
}

KaString KaString::subStringDeprecated(unsigned int first, unsigned int last) const
{
    KaString result;
    if (size() == 0) {
        result.assignBytes(nullptr, 0);
        return result;
    }
    const unsigned long visible = KaStrlen(c_str());
    const unsigned long end = last < visible ? static_cast<unsigned long>(last) + 1 : visible;
    if (first >= end)
        result.assignBytes(nullptr, 0);
    else
        result.assignBytes(constData() + first, end - first);
    return result;
}

KaString KaString::subString(unsigned long position, unsigned long count) const
{
    KaString result;
    if (position > textLength())
        position = textLength();
    if (count > textLength() - position)
        count = textLength() - position;
    result.assignBytes(size() ? constData() + position : nullptr, count);
    return result;
}

bool KaString::startWith(const KaString& other) const
{
    const unsigned long common = textLength() < other.textLength() ? textLength() : other.textLength();
    return common == 0 || KaMemcmp(constData(), other.constData(), common) == 0;
}

bool KaString::endWith(const KaString& other) const
{
    if (other.textLength() > textLength())
        return false;
    return other.textLength() == 0
        || KaMemcmp(constData() + (textLength() - other.textLength()), other.constData(), other.textLength()) == 0;
}

char& KaString::operator[](unsigned long index)
{
    // A string without bytes gets its terminator, so that index 0 (its
    // length) still names a byte.
    if (size() == 0)
        assignBytes(nullptr, 0);
    return reinterpret_cast<char&>(KaBytesArray::operator[](index));
}

char KaString::operator[](unsigned long index) const
{
    if (size() == 0)
        return '\0';
    return static_cast<char>(constData()[index]);
}

int KaString::cmp(const KaString& other, unsigned long count) const { return KaStrncmp(c_str(), other.c_str(), count); }

bool KaString::find(const KaString& other, unsigned long* position) const
{
    const char* text = c_str();
    const char* found = KaStrstr(text, other.c_str());
    if (!found)
        return false;
    if (position)
        *position = static_cast<unsigned long>(found - text);
    return true;
}

bool KaString::contains(const KaString& other, unsigned long start, unsigned long* position) const
{
    if (start >= textLength())
        return false;
    const char* text = c_str();
    const char* found = KaStrstr(text + start, other.c_str());
    if (!found)
        return false;
    if (position)
        *position = static_cast<unsigned long>(found - text);
    return true;
}

bool KaString::replace(const KaString& search, const KaString& replacement, unsigned int count)
{
    if (count == 0)
        return false;
    // Held copies keep the texts alive and unchanged even when one of them
    // is this very string.
    const KaString held(search);
    const KaString insertion(replacement);
    const unsigned long searchLength = KaStrlen(held.c_str());
    if (searchLength == 0)
        return false;
    const unsigned long insertionLength = insertion.textLength();
    // Searching again from the start would find the inserted text for ever.
    const bool insertionHoldsSearch = KaStrstr(insertion.c_str(), held.c_str()) != nullptr;

    bool replaced = false;
    unsigned long from = 0;
    unsigned long position = 0;
    while (contains(held, from, &position)) {
        const unsigned long tail = textLength() - position - searchLength;
        const unsigned long newLength = position + insertionLength + tail;
        KaSmartPointer<KaCountedArray<unsigned char>> rebuilt(new KaCountedArray<unsigned char>());
        rebuilt->reserve(newLength + 1);
        rebuilt->pushBack(constData(), position);
        rebuilt->pushBack(insertion.constData(), insertionLength);
        rebuilt->pushBack(constData() + position + searchLength, tail);
        rebuilt->pushBack(static_cast<unsigned char>(0));
        mArray = rebuilt;
        replaced = true;
        if (count == 1)
            return true;
        --count;
        if (insertionHoldsSearch) {
            from = position + insertionLength;
        } else {
            // Same result as searching from the start again: the text before
            // position held no occurrence, so a new one can only begin
            // where it reaches into the replacement.
            from = position + 1 > searchLength ? position + 1 - searchLength : 0;
        }
    }
    return replaced;
}

KaArray<KaString> KaString::split(const KaString& separator) const
{
    KaArray<KaString> pieces;
    if (size() == 0)
        return pieces;
    const char* cursor = c_str();
    const char* needle = separator.c_str();
    const unsigned long needleLength = KaStrlen(needle);
    if (needleLength == 0) {
        pieces.pushBack(KaString(cursor));
        return pieces;
    }
    // The array grows to the exact size asked: count the pieces first so it
    // is allocated once.
    unsigned long count = 1;
    for (const char* found = KaStrstr(cursor, needle); found; found = KaStrstr(found + needleLength, needle))
        ++count;
    pieces.reserve(count);
    for (;;) {
        const char* found = KaStrstr(cursor, needle);
        if (!found) {
            pieces.pushBack(KaString(cursor));
            return pieces;
        }
        pieces.pushBack(KaString(cursor, static_cast<unsigned long>(found - cursor)));
        cursor = found + needleLength;
    }
}

KaString& KaString::format(const char* format, ...)
{
    char buffer[1024];
    va_list arguments;
    va_start(arguments, format);
    va_list again;
    va_copy(again, arguments);
    const int needed = std::vsnprintf(buffer, sizeof(buffer), format, arguments);
    va_end(arguments);

    // The arguments are formatted before the old text goes, so they may
    // point into it.
    if (needed < 0) {
        va_end(again);
        clear();
        return *this;
    }
    const unsigned long count = static_cast<unsigned long>(needed);
    if (count + 1 > sizeof(buffer)) {
        char* large = static_cast<char*>(std::malloc(count + 1));
        if (!large) {
            va_end(again);
            throw std::bad_alloc();
        }
        std::vsnprintf(large, count + 1, format, again);
        va_end(again);
        set(reinterpret_cast<const unsigned char*>(large), count);
        std::free(large);
    } else {
        va_end(again);
        set(reinterpret_cast<const unsigned char*>(buffer), count);
    }
    return *this;
}

int KaString::scan(const char* format, ...) const
{
    va_list arguments;
    va_start(arguments, format);
    const int converted = std::vsscanf(c_str(), format, arguments);
    va_end(arguments);
    return converted;
}

KaString KaString::leet() const
{
    static const char* const substitutions[][2] = {
        { "a", "4" },
        { "e", "3" },
        { "l", "1" },
        { "t", "7" },
        { "o", "0" },
        { "m", "|V|" },
    };
    KaString copy(*this);
    copy.setLowerCase();
    for (const auto& substitution : substitutions)
        copy.replace(substitution[0], substitution[1], 4294967295u);
    return copy;
}

bool KaString::serialize(KaStream& stream, const KaString& string)
{
    const unsigned int length = static_cast<unsigned int>(string.textLength());
    const unsigned int fieldBytes = stream.write(length);
    if (fieldBytes == 0)
        return false;
    return length == 0 || stream.writeData(string.constData(), length) == length;
}

bool KaString::deserialize(KaStream& stream, KaString& string)
{
    unsigned int announced = 0;
    const unsigned int fieldBytes = stream.read(announced);
    const bool fieldRead = stream.mode() == KaStream::Binary ? fieldBytes == sizeof(announced) : fieldBytes != 0;
    if (!fieldRead) {
        string.clear();
        KaPrintf("[KaString::deserialize] Can't read the length of the string.\n");
        return false;
    }
    if (announced == 0) {
        string.clear();
        return true;
    }

    // The bytes arrive in slices into a storage of their own, so a length
    // beyond the end of the stream is found before it costs its full size.
    const unsigned long count = announced;
    KaSmartPointer<KaCountedArray<unsigned char>> bytes(new KaCountedArray<unsigned char>());
    unsigned long received = 0;
    while (received < count) {
        const unsigned long slice = count - received < kDeserializeSlice ? count - received : kDeserializeSlice;
        bytes->resize(received + slice);
        const unsigned int got = stream.readData(bytes->data() + received, slice);
        received += got;
        if (got < slice)
            break;
    }
    if (received < count) {
        string.clear();
        KaPrintf("[KaString::deserialize] The stream ends %lu bytes into a string of %lu bytes.\n", received, count);
        return false;
    }
    bytes->pushBack(static_cast<unsigned char>(0));
    string.mArray = bytes;
    return true;
}

void KaString::assignConcatenation(const KaString& left, const void* right, unsigned long rightCount)
{
    // Only ever called on a new string, whose storage is its own and empty:
    // one buffer of the final size rather than one per operand.
    KaCountedArray<unsigned char>& storage = *mArray;
    storage.reserve(left.textLength() + rightCount + 1);
    storage.pushBack(left.constData(), left.textLength());
    storage.pushBack(static_cast<const unsigned char*>(right), rightCount);
    storage.pushBack(static_cast<unsigned char>(0));
}

KaString operator+(const KaString& left, const KaString& right)
{
    KaString result;
    result.assignConcatenation(left, right.constData(), right.textLength());
    return result;
}

KaString operator+(const KaString& left, char right)
{
    KaString result;
    result.assignConcatenation(left, &right, 1);
    return result;
}

bool operator==(const KaString& left, const char* right) { return KaStrcmp(left.text(), right) == 0; }

bool operator==(const char* left, const KaString& right) { return KaStrcmp(left, right.text()) == 0; }

bool operator!=(const KaString& left, const char* right) { return KaStrcmp(left.text(), right) != 0; }

bool operator!=(const char* left, const KaString& right) { return KaStrcmp(left, right.text()) != 0; }

bool operator<(const KaString& left, const KaString& right) { return KaStrcmp(left.text(), right.text()) < 0; }

bool operator>(const KaString& left, const KaString& right) { return KaStrcmp(left.text(), right.text()) > 0; }
