#include "game/scene/SceneFileReader.h"

#include <cstdarg>
#include <cstdio>

#include "engine/core/KaBaseFile.h"
#include "engine/maths/KaMathsStream.h"

SceneFileReader::SceneFileReader(KaStream& stream, const char* operation, const char* file)
    : mStream(stream)
    , mBinary(stream)
    , mOperation(operation)
    , mRecord(nullptr)
    , mIndex(0)
    , mFailed(false)
{
    // Read from a file, the refusal names it by its path, so that the author
    // knows which of the scenes' files it is: a quoted file name becomes the
    // quoted path, a description gets the quoted path after it.
    const KaBaseFile* opened = dynamic_cast<const KaBaseFile*>(&stream);
    if (!opened || opened->path().length() == 0) {
        mFileText = file;
        return;
    }
    if (file[0] == '"')
        mFileText.format("\"%s\"", opened->path().c_str());
    else
        mFileText.format("%s \"%s\"", file, opened->path().c_str());
}

void SceneFileReader::at(const char* record, unsigned long index)
{
    mRecord = record;
    mIndex = index;
    mName.clear();
}

bool SceneFileReader::field(bool ok, const char* what) { return ok || fail("the file ends in the %s", what); }

bool SceneFileReader::string(KaString& text, const char* what)
{
    // A length past the end counts as the file ending inside the text.
    return field(KaMathsStream::readString(mStream, text), what);
}

bool SceneFileReader::count(unsigned int& count, const char* what, unsigned long recordBytes)
{
    if (!number(count, what))
        return false;
    const unsigned long long needed = static_cast<unsigned long long>(count) * recordBytes;
    if (needed > mStream.remainingBytes())
        return fail("%u %s need at least %llu bytes, only %lu are left", count, what, needed, mStream.remainingBytes());
    return true;
}

bool SceneFileReader::fits(unsigned long long bytes, const char* what)
{
    if (bytes > mStream.remainingBytes())
        return fail("the %s need %llu bytes, only %lu are left", what, bytes, mStream.remainingBytes());
    return true;
}

bool SceneFileReader::fail(const char* format, ...)
{
    if (mFailed)
        return false;
    mFailed = true;
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    if (!mRecord)
        KaPrintf("[%s] %s refused: %s.\n", mOperation, mFileText.c_str(), text);
    else if (mName.length() == 0)
        KaPrintf("[%s] %s refused, %s %lu: %s.\n", mOperation, mFileText.c_str(), mRecord, mIndex, text);
    else
        KaPrintf("[%s] %s refused, %s %lu \"%.64s\": %s.\n", mOperation, mFileText.c_str(), mRecord, mIndex,
            mName.c_str(), text);
    return false;
}
