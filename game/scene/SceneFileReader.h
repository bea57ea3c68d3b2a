#ifndef SCENE_FILE_READER_H
#define SCENE_FILE_READER_H

#include "engine/base/KaStd.h"
#include "engine/containers/KaArray.h"
#include "engine/core/KaStream.h"
#include "engine/core/KaString.h"

// Switches a stream to binary while it lives: the scene's files are binary
// whatever mode the caller's stream was in.
class SceneFileBinaryMode {
public:
    explicit SceneFileBinaryMode(KaStream& stream)
        : mStream(stream)
        , mMode(stream.mode())
    {
        mStream.setMode(KaStream::Binary);
    }
    ~SceneFileBinaryMode() { mStream.setMode(mMode); }
    SceneFileBinaryMode(const SceneFileBinaryMode&) = delete;
    SceneFileBinaryMode& operator=(const SceneFileBinaryMode&) = delete;

private:
    KaStream& mStream;
    KaStream::Mode mMode;
};

// Reads the records of one of the scene's binary files, which come from
// outside the program. Every count is checked against the bytes left before
// anything is sized by it, and the first thing found wrong is reported in
// one console line naming the file and the record; later failures of the
// same read stay silent, so a refused file costs exactly one line. The
// stream is binary for the reader's life.
class SceneFileReader {
public:
    SceneFileReader(KaStream& stream, const char* operation, const char* file);
    SceneFileReader(const SceneFileReader&) = delete;
    SceneFileReader& operator=(const SceneFileReader&) = delete;

    KaStream& stream() { return mStream; }
    bool failed() const { return mFailed; }

    // Names the record the next messages are about ("camera", 2); a name
    // read from the record is added once known.
    void at(const char* record, unsigned long index);
    void named(const KaString& name) { mName = name; }

    // ok, or the message that the file ends in the field.
    bool field(bool ok, const char* what);
    bool string(KaString& text, const char* what);
    template <class T> bool number(T& value, const char* what);
    // A u32 count of records of at least recordBytes bytes each, refused
    // when the bytes left cannot hold that many.
    bool count(unsigned int& count, const char* what, unsigned long recordBytes);
    // A count checked against recordBytes, then that many records, each
    // read by read(reader, record) and appended; singular names them in the
    // messages. The records read so far stay in records on failure.
    template <class T, class Read>
    bool records(const char* plural, const char* singular, unsigned long recordBytes, KaArray<T>& records, Read read);
    // Whether bytes more bytes are left; what names them in the message.
    bool fits(unsigned long long bytes, const char* what);
    // Prints the line (once): text says what is wrong.
    bool fail(const char* format, ...) KA_PRINTF_LIKE(2, 3);

private:
    KaStream& mStream;
    SceneFileBinaryMode mBinary;
    const char* mOperation;
    // What the messages call the file: the caller's name for it, with the
    // path of a file stream.
    KaString mFileText;
    const char* mRecord;
    unsigned long mIndex;
    KaString mName;
    bool mFailed;
};

template <class T> bool SceneFileReader::number(T& value, const char* what)
{
    return field(mStream.read(value) == sizeof(T), what);
}

template <class T, class Read>
bool SceneFileReader::records(
    const char* plural, const char* singular, unsigned long recordBytes, KaArray<T>& records, Read read)
{
    at(nullptr, 0);
    unsigned int count = 0;
    if (!this->count(count, plural, recordBytes))
        return false;
    records.reserve(records.size() + count);
    for (unsigned int i = 0; i < count; ++i) {
        at(singular, i);
        T record;
        if (!read(*this, record))
            return false;
        records.pushBack(record);
    }
    return true;
}

#endif
