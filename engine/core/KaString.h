#ifndef KA_STRING_H
#define KA_STRING_H

#include "engine/base/KaStd.h"
#include "engine/containers/KaArray.h"
#include "engine/containers/KaIsRelocatable.h"
#include "engine/core/KaBytesArray.h"
#include "engine/core/KaObject.h"

class KaStream;

#if defined(__GNUC__)
#define KA_SCANF_LIKE(fmt, args) __attribute__((format(scanf, fmt, args)))
#else
#define KA_SCANF_LIKE(fmt, args)
#endif

// The engine's text type: a byte string with no encoding logic. The bytes live
// in a copy-on-write array followed by a NUL terminator, so c_str() can be
// handed to C functions as it is.
//
// Copying a string (construction or assignment) shares the bytes; the first
// change detaches. The non-const operator[] detaches even when only read.
//
// The text may hold NUL bytes: length(), subString, startWith, endWith and
// the serialised form count every byte, while comparison and every search
// stop at the first NUL.
//
// Not thread-safe: strings sharing bytes must stay on one thread.
class KaString : protected KaBytesArray, public KaObject {
public:
    // Accepted for the callers' information; bytes are always taken as they are.
    enum Encoding { EncodingAscii, EncodingUtf8, EncodingUtf16 };

    KaString();
    // The bytes up to the first NUL; a null pointer gives the empty text.
    KaString(const char* text);
    KaString(const unsigned char* text);
    // The first count bytes of the buffer, NULs included.
    KaString(const char* bytes, unsigned long count);
    KaString(const KaString& other);
    // Every byte of the array.
    KaString(const KaBytesArray& bytes, Encoding encoding);
    // The low 32 bits of the value printed as a signed decimal: 4294967295 gives "-1".
    explicit KaString(int value);
    explicit KaString(unsigned int value);
    explicit KaString(long value);
    explicit KaString(unsigned long value);
    ~KaString() override;

    KaString& operator=(const KaString& other);

    virtual void set(const unsigned char* bytes, unsigned long count);
    virtual void set(const KaBytesArray& bytes, Encoding encoding = EncodingUtf8);

    // ASCII letters only; every other byte is left as it is.
    virtual KaString& setLowerCase();
    virtual KaString toLowerCase() const;
    virtual KaString& setUpperCase();
    virtual KaString toUpperCase() const;

    // Never null: a string without bytes gives a shared empty text.
    virtual const char* c_str() const;
    virtual unsigned long length() const;
    // The low 32 bits of the length.
    virtual unsigned int getLength() const;
    // Frees the bytes.
    virtual void clear();

    virtual KaString& operator=(const char* text);
    virtual KaString& operator+=(const KaString& other);
    virtual KaString& operator+=(const char* text);
    // Inline: a text built byte by byte spends its time here.
    virtual KaString& operator+=(char byte)
    {
        KaCountedArray<unsigned char>& storage = *mArray;
        const unsigned long bytes = storage.size();
        if (bytes == 0 || bytes == storage.capacity() || storage.counter() >= 2) {
            appendBytes(&byte, 1);
        } else {
            // Unshared with room: a new terminator, then the byte over the
            // old one (in this order the compiler need not read the array's
            // fields again after a byte store).
            storage.pushBack(static_cast<unsigned char>(0));
            storage[bytes - 1] = static_cast<unsigned char>(byte);
        }
        return *this;
    }

    // Bytes first..last inclusive, walking the text from its start up to its
    // first NUL; first beyond last or beyond the text gives the empty text.
    virtual KaString subStringDeprecated(unsigned int first, unsigned int last) const;
    // count bytes from position, cut at the end of the text. position must be
    // at most length(). Always a plain KaString, even called on a KaPath.
    virtual KaString subString(unsigned long position, unsigned long count) const;
    // True when the shorter of the two is a prefix of the longer one, so
    // "ab".startWith("abc") holds as well as "abc".startWith("ab").
    virtual bool startWith(const KaString& other) const;
    virtual bool endWith(const KaString& other) const;

    // No bounds check: index at most length().
    char& operator[](unsigned long index);
    char operator[](unsigned long index) const;

    // strncmp of the two texts over at most count bytes.
    int cmp(const KaString& other, unsigned long count) const;
    // Where other's text first occurs; position may be null.
    bool find(const KaString& other, unsigned long* position = nullptr) const;
    // As find, from byte start (false when start is not below the length);
    // position is counted from the beginning of the string.
    bool contains(const KaString& other, unsigned long start = 0, unsigned long* position = nullptr) const;
    // Replaces up to count occurrences (4294967295 for all), each pass
    // searching again from the start of the text, so text brought together by
    // a replacement is matched again. When the replacement itself holds the
    // searched text, the search goes on after each inserted replacement
    // instead. An empty search text replaces nothing. True when anything was
    // replaced.
    bool replace(const KaString& search, const KaString& replacement, unsigned int count);
    // "a--b" on "-" gives "a", "", "b". A string without bytes gives no piece,
    // the empty text one empty piece; an empty separator gives the whole text.
    KaArray<KaString> split(const KaString& separator) const;

    // Replaces the content by printf-formatted text.
    KaString& format(const char* format, ...) KA_PRINTF_LIKE(2, 3);
    // vsscanf over the text; the number of fields converted.
    int scan(const char* format, ...) const KA_SCANF_LIKE(2, 3);
    // A lower-cased copy with a->4, e->3, l->1, t->7, o->0, m->|V|.
    KaString leet() const;

    // A 32-bit length, then the bytes without terminator.
    static bool serialize(KaStream& stream, const KaString& string);
    // A length beyond what the stream still holds is refused: the string is
    // left empty and false returned. A stored empty string empties the target.
    static bool deserialize(KaStream& stream, KaString& string);

protected:
    // Replaces the content by count bytes and a terminator, without going
    // through the virtual set. The buffer holds at least capacity bytes.
    void assignBytes(const void* bytes, unsigned long count, unsigned long capacity = 0);
    // Inserts count bytes at the end of the text, before the terminator.
    void appendBytes(const void* bytes, unsigned long count);

    // The bytes before the terminator. The storage holds exactly those and
    // the terminator, or nothing at all: its size is the only record of the
    // length.
    unsigned long textLength() const
    {
        const unsigned long bytes = size();
        return bytes ? bytes - 1 : 0;
    }
    // Keeps the first length bytes (at most textLength()) and ends the text there.
    void truncate(unsigned long length);

private:
    // c_str() without the virtual call, for the comparisons.
    const char* text() const { return size() ? reinterpret_cast<const char*>(constData()) : ""; }
    // Fills a new string with left's bytes followed by rightCount bytes.
    void assignConcatenation(const KaString& left, const void* right, unsigned long rightCount);

    friend KaString operator+(const KaString& left, const KaString& right);
    friend KaString operator+(const KaString& left, char right);
    friend bool operator==(const KaString& left, const KaString& right);
    friend bool operator==(const KaString& left, const char* right);
    friend bool operator==(const char* left, const KaString& right);
    friend bool operator!=(const KaString& left, const KaString& right);
    friend bool operator!=(const KaString& left, const char* right);
    friend bool operator!=(const char* left, const KaString& right);
    friend bool operator<(const KaString& left, const KaString& right);
    friend bool operator>(const KaString& left, const KaString& right);
};

KA_RELOCATABLE(KaString);

KaString operator+(const KaString& left, const KaString& right);
KaString operator+(const KaString& left, char right);

// Compares the texts up to their first NUL; the lengths play no part.
inline bool operator==(const KaString& left, const KaString& right)
{
    const char* a = left.text();
    const char* b = right.text();
    if (a == b)
        return true;
    // Equal lengths and bytes settle it at once; otherwise the texts may
    // still agree up to a NUL inside them.
    const unsigned long length = left.textLength();
    if (length == right.textLength() && KaMemcmp(a, b, length) == 0)
        return true;
    return KaStrcmp(a, b) == 0;
}
bool operator==(const KaString& left, const char* right);
bool operator==(const char* left, const KaString& right);
// Strings of different lengths always differ here, even when == holds
// (a text with an embedded NUL against its prefix).
inline bool operator!=(const KaString& left, const KaString& right)
{
    const unsigned long length = left.textLength();
    if (length != right.textLength())
        return true;
    const char* a = left.text();
    const char* b = right.text();
    return a != b && KaMemcmp(a, b, length) != 0 && KaStrcmp(a, b) != 0;
}
bool operator!=(const KaString& left, const char* right);
bool operator!=(const char* left, const KaString& right);
// Byte-wise order, bytes unsigned, a prefix first: the key order of ordered maps.
bool operator<(const KaString& left, const KaString& right);
bool operator>(const KaString& left, const KaString& right);

#endif
