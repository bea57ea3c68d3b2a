#ifndef KA_STREAM_H
#define KA_STREAM_H

#include <cstring>
#include <typeinfo>

#include "engine/base/KaStd.h"
#include "engine/core/KaString.h"

// The engine's byte stream. The base class is a growable memory stream;
// native files, buffered files, package entries and zlib streams derive from
// it and replace the six virtual byte operations (writeData, readData, seek,
// getPos, isAtEnd, size). Everything else here is written on top of those six
// only, so it works unchanged on every kind of stream; the plain memory
// stream alone lets binary typed values skip them (see putDirect).
//
// Typed operations come in two modes. Binary mode, the one every engine file
// format uses: integers little-endian, floats as their IEEE-754 bit patterns.
// Text mode: numbers are written as decimal text and parsed back; single
// bytes and booleans stay raw bytes in both modes.
//
// A stream owns its memory buffer and is not copyable. One thread at a time.
class KaStream {
public:
    // Any value other than Binary selects text mode.
    enum Mode { Binary = 0, Text = 1 };

    KaStream();
    KaStream(const KaStream&) = delete;
    KaStream& operator=(const KaStream&) = delete;
    virtual ~KaStream();

    // Writes count bytes at the position and advances past them. The memory
    // stream extends its data when the write runs past the end. Returns the
    // number of bytes written.
    virtual unsigned int writeData(const void* bytes, unsigned long count);
    // Copies up to count bytes from the position, fewer at the end of the
    // data; advances past them and returns their number.
    virtual unsigned int readData(void* destination, unsigned long count);
    // Absolute position; seeking to exactly the end is allowed, beyond it
    // fails and leaves the position unchanged.
    virtual bool seek(unsigned long position);
    virtual unsigned long getPos() const;
    virtual bool isAtEnd() const;
    // The size of the underlying file. The memory stream reports 0; its
    // data's size is bufferLength().
    virtual unsigned long size() const;

    // Back to the empty stream (no data, position 0); the mode stays.
    void clear();

    void setMode(Mode mode)
    {
        mMode = mode;
        mDirect = DirectUnknown;
    }
    Mode mode() const { return mMode; }

    unsigned long bufferLength() const { return mLength; }
    // Reads until count bytes have come or the stream gives nothing more: a
    // derived stream may hand over fewer bytes than asked before its end.
    // Returns the bytes read.
    unsigned long readFully(void* destination, unsigned long count);
    // A little-endian 32-bit value whatever the stream's mode (container
    // headers are binary even inside a text-mode caller); false when the
    // stream ends first, the value then unchanged.
    bool readBinaryU32(unsigned int& value);
    // The bytes the stream holds in all: a file or an entry knows its size, a
    // memory stream only its data's length.
    unsigned long contentLength() const
    {
        const unsigned long fileSize = size();
        return fileSize != 0 ? fileSize : mLength;
    }
    // What is left to read from the current position; 0 past the end.
    unsigned long remainingBytes() const
    {
        const unsigned long length = contentLength();
        const unsigned long position = getPos();
        return length > position ? length - position : 0;
    }
    // Reads four bytes and tells whether they are the tag's; false too when
    // the stream ends first.
    bool readTag(const char* tag);
    // The memory data, null until the first write.
    const unsigned char* data() const { return mData; }

    // Records the request only: the memory stream already holds everything
    // in memory, and its data must survive the switch.
    void setBufferingMode(bool on, unsigned long size);
    bool isBuffering() const { return mBuffering; }

    // Typed writes; each returns the number of bytes written.
    unsigned int write(unsigned char value) { return writeTyped(value); }
    unsigned int write(signed char value) { return writeTyped(value); }
    unsigned int write(bool value)
    {
        if (putDirect(static_cast<unsigned char>(value ? 1 : 0)))
            return 1u;
        findDirect();
        return writeValue(value);
    }
    unsigned int write(unsigned short value) { return writeTyped(value); }
    unsigned int write(short value) { return writeTyped(value); }
    unsigned int write(unsigned int value) { return writeTyped(value); }
    unsigned int write(int value) { return writeTyped(value); }
    unsigned int write(unsigned long long value) { return writeTyped(value); }
    unsigned int write(long long value) { return writeTyped(value); }
    unsigned int write(float value) { return writeTyped(value); }
    unsigned int write(double value) { return writeTyped(value); }
    // The text's bytes only: no length field, no terminator.
    unsigned int write(const KaString& text);
    unsigned int write(const char* text);
    // Copies other's bytes from its position to its end; returns the count.
    unsigned long write(KaStream& other);
    // A plain char would silently promote to int and write four bytes: say
    // which one-byte type is meant.
    unsigned int write(char value) = delete;

    // Typed reads; each returns the number of bytes consumed. A binary read
    // that meets the end of the data inside the value leaves the target
    // unchanged (the short count tells the caller). A text read that finds
    // no number consumes nothing and leaves the target unchanged.
    unsigned int read(unsigned char& value) { return readTyped(value); }
    unsigned int read(signed char& value) { return readTyped(value); }
    unsigned int read(bool& value)
    {
        unsigned char byte;
        if (!takeDirect(byte)) {
            findDirect();
            return readValue(value);
        }
        value = byte != 0;
        return 1u;
    }
    unsigned int read(unsigned short& value) { return readTyped(value); }
    unsigned int read(short& value) { return readTyped(value); }
    unsigned int read(unsigned int& value) { return readTyped(value); }
    unsigned int read(int& value) { return readTyped(value); }
    unsigned int read(unsigned long long& value) { return readTyped(value); }
    unsigned int read(long long& value) { return readTyped(value); }
    unsigned int read(float& value) { return readTyped(value); }
    unsigned int read(double& value) { return readTyped(value); }

    // The same typed operations, chained.
    KaStream& operator<<(unsigned char value)
    {
        write(value);
        return *this;
    }
    KaStream& operator<<(signed char value)
    {
        write(value);
        return *this;
    }
    KaStream& operator<<(bool value)
    {
        write(value);
        return *this;
    }
    KaStream& operator<<(unsigned short value)
    {
        write(value);
        return *this;
    }
    KaStream& operator<<(short value)
    {
        write(value);
        return *this;
    }
    KaStream& operator<<(unsigned int value)
    {
        write(value);
        return *this;
    }
    KaStream& operator<<(int value)
    {
        write(value);
        return *this;
    }
    KaStream& operator<<(unsigned long long value)
    {
        write(value);
        return *this;
    }
    KaStream& operator<<(long long value)
    {
        write(value);
        return *this;
    }
    KaStream& operator<<(float value)
    {
        write(value);
        return *this;
    }
    KaStream& operator<<(double value)
    {
        write(value);
        return *this;
    }
    KaStream& operator<<(const KaString& text)
    {
        write(text);
        return *this;
    }
    KaStream& operator<<(const char* text)
    {
        write(text);
        return *this;
    }
    KaStream& operator<<(KaStream& other)
    {
        write(other);
        return *this;
    }
    KaStream& operator<<(char value) = delete;

    KaStream& operator>>(unsigned char& value)
    {
        read(value);
        return *this;
    }
    KaStream& operator>>(signed char& value)
    {
        read(value);
        return *this;
    }
    KaStream& operator>>(bool& value)
    {
        read(value);
        return *this;
    }
    KaStream& operator>>(unsigned short& value)
    {
        read(value);
        return *this;
    }
    KaStream& operator>>(short& value)
    {
        read(value);
        return *this;
    }
    KaStream& operator>>(unsigned int& value)
    {
        read(value);
        return *this;
    }
    KaStream& operator>>(int& value)
    {
        read(value);
        return *this;
    }
    KaStream& operator>>(unsigned long long& value)
    {
        read(value);
        return *this;
    }
    KaStream& operator>>(long long& value)
    {
        read(value);
        return *this;
    }
    KaStream& operator>>(float& value)
    {
        read(value);
        return *this;
    }
    KaStream& operator>>(double& value)
    {
        read(value);
        return *this;
    }
    // The next word, with the default separators.
    KaStream& operator>>(KaString& word);

    // Reads one line into line: a carriage return is dropped, a line feed or
    // the end of the data ends the line and is not stored. Returns whether
    // the stream is not at its end afterwards.
    bool getLine(KaString& line);
    KaString getLine();
    // Skips separators, reads the word up to the next separator, then skips
    // the separators after it so that the position rests on the next word.
    // separators is a NUL-terminated set of bytes.
    KaString getWord(const char* separators);
    // Space, line feed, tab, carriage return, vertical tab, form feed.
    KaString getWord();

    // Decimal parsers at the position. A byte that ends the number is left
    // unread (stepped back over with seek). Values wrap at the type's width.
    unsigned char atou8();
    unsigned short atou16();
    unsigned int atou32();
    unsigned long long atou64();
    signed char atos8();
    short atos16();
    int atos32();
    long long atos64();
    float atof32();
    double atof64();

    static const char* const mDefaultSeparators;

protected:
    // Derived streams keep their own position here when they have nothing
    // better (a native file asks its handle instead).
    unsigned long mPosition;
    Mode mMode;
    bool mBuffering;
    unsigned long mBufferStart;
    unsigned long mBufferPosition;
    unsigned long mBufferSize;
    // The memory data: mLength bytes of content in a block of mCapacity.
    unsigned long mLength;
    unsigned long mCapacity;
    unsigned char* mData;

private:
    // The plain memory stream in binary mode keeps its typed values in the
    // host's order (little-endian hosts only): they go straight to the
    // buffer, with the same bytes and the same position and length as the
    // byte operations would give. A derived stream, text mode, a value that
    // would grow the buffer or cross the end of the data takes the byte
    // operations. Which kind of stream this is can only be asked once it is
    // built, so the answer is found by the first typed operation and kept
    // until the mode changes.
    enum Direct : unsigned char { DirectUnknown, DirectYes, DirectNo };
    void findDirect()
    {
        if (mDirect != DirectUnknown)
            return;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        const bool plain = typeid(*this) == typeid(KaStream);
#else
        const bool plain = false;
#endif
        mDirect = plain && mMode == Binary ? DirectYes : DirectNo;
    }
    // Every member is read before the value is stored: a store through the
    // byte buffer could be a store to this object, as far as the compiler
    // knows, and would make it read them all again.
    template <class T>
    bool putDirect(T value)
    {
        const unsigned long position = mPosition;
        const unsigned long end = position + sizeof value;
        if (end > mCapacity || mDirect != DirectYes)
            return false;
        const unsigned long length = mLength;
        std::memcpy(mData + position, &value, sizeof value);
        mPosition = end;
        if (end > length)
            mLength = end;
        return true;
    }
    template <class T>
    bool takeDirect(T& value)
    {
        const unsigned long position = mPosition;
        const unsigned long end = position + sizeof value;
        if (end > mLength || mDirect != DirectYes)
            return false;
        mPosition = end;
        std::memcpy(&value, mData + position, sizeof value);
        return true;
    }
    template <class T>
    unsigned int writeTyped(T value)
    {
        if (putDirect(value))
            return static_cast<unsigned int>(sizeof value);
        findDirect();
        return writeValue(value);
    }
    template <class T>
    unsigned int readTyped(T& value)
    {
        if (takeDirect(value))
            return static_cast<unsigned int>(sizeof value);
        findDirect();
        return readValue(value);
    }
    unsigned int writeValue(unsigned char value);
    unsigned int writeValue(signed char value);
    unsigned int writeValue(bool value);
    unsigned int writeValue(unsigned short value);
    unsigned int writeValue(short value);
    unsigned int writeValue(unsigned int value);
    unsigned int writeValue(int value);
    unsigned int writeValue(unsigned long long value);
    unsigned int writeValue(long long value);
    unsigned int writeValue(float value);
    unsigned int writeValue(double value);
    unsigned int readValue(unsigned char& value);
    unsigned int readValue(signed char& value);
    unsigned int readValue(bool& value);
    unsigned int readValue(unsigned short& value);
    unsigned int readValue(short& value);
    unsigned int readValue(unsigned int& value);
    unsigned int readValue(int& value);
    unsigned int readValue(unsigned long long& value);
    unsigned int readValue(long long& value);
    unsigned int readValue(float& value);
    unsigned int readValue(double& value);
    bool reserveMemory(unsigned long needed);
    unsigned int writeFully(const void* source, unsigned int count);
    unsigned int writeFormatted(const char* format, ...) KA_PRINTF_LIKE(2, 3);
    bool stepBack();
    template <class T>
    unsigned int writeLittleEndian(T value);
    template <class T>
    unsigned int readLittleEndian(T& value);
    template <class T>
    T parseUnsigned();
    template <class T>
    T parseSigned();
    bool readSign();
    template <class T>
    T parseDecimal();
    template <class T>
    unsigned int readText(T& value, T (KaStream::*parser)());
    void readWord(const char* separators, KaString& word);

    Direct mDirect;
};

#endif
