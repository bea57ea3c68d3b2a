#include "engine/core/KaPackage.h"

#include "engine/core/KaMutexLocker.h"

#include <cstring>
#include <memory>
#include <vector>

#include "engine/base/KaStd.h"

KaSingleton<KaPackage> KaMainFilePackage;

namespace {

const unsigned char kVersion = 1;
// Path length, offset and size: the least a table record can take.
const unsigned long long kSmallestRecord = 12;


// Every byte of prefix starts path (embedded NULs included).
// Reads the table's fields, counting what is left of the stream so that no
// length read from the file is trusted beyond it.
class TableReader {
public:
    TableReader(KaStream& stream, unsigned long long length)
        : mStream(stream)
    {
        const unsigned long long position = stream.getPos();
        mLeft = position < length ? length - position : 0;
    }

    unsigned long long left() const { return mLeft; }

    bool u32(unsigned int& value)
    {
        if (mLeft < 4 || !mStream.readBinaryU32(value))
            return false;
        mLeft -= 4;
        return true;
    }

    // A serialised string: its length, then its bytes.
    bool path(KaPath& path)
    {
        unsigned int length = 0;
        if (!u32(length) || length > mLeft)
            return false;
        if (length == 0)
            return true;
        std::unique_ptr<char[]> bytes(new char[length]);
        if (mStream.readFully(bytes.get(), length) != length)
            return false;
        mLeft -= length;
        path = KaPath(KaString(bytes.get(), length));
        return true;
    }

private:
    KaStream& mStream;
    unsigned long long mLeft;
};

bool hasPrefix(const KaString& path, const KaString& prefix)
{
    return path.length() >= prefix.length() && std::memcmp(path.c_str(), prefix.c_str(), prefix.length()) == 0;
}

} // namespace

// ---------------------------------------------------------------------------
// KaPackage

KaPackage::KaPackage()
    : mSource(nullptr)
    , mBusy(false)
    , mEntries()
    , mOpenedFiles()
    , mOpen(false)
    , mMutex()
{
}

KaPackage::~KaPackage()
{
    mBusy = true;
    close();
    mBusy = false;
}

bool KaPackage::open(const KaPath& path)
{
    close();
    mBusy = true;
    // The package's own file goes through the file layer like any other; the
    // busy flag keeps the main package from trying to serve it.
    const bool opened = KaFile::open(path, KaFileSystem::Read);
    mBusy = false;
    if (!opened)
        return false;
    if (open(static_cast<KaStream&>(*this)))
        return true;
    close();
    return false;
}

bool KaPackage::open(KaStream& source)
{
    mBusy = true;
    mSource = &source;
    const bool loaded = readTable(source);
    mBusy = false;
    if (loaded)
        mOpen = true;
    return loaded;
}

bool KaPackage::readTable(KaStream& source)
{
    unsigned char version = 0;
    if (source.readFully(&version, 1) != 1) {
        KaPrintf("KaPackage::open: Can't load file, read error\n");
        return false;
    }
    if (version != kVersion) {
        KaPrintf("KaPackage::open: Can't load file, this implementation doesn't support version %d, the only "
                 "supported version is %d\n",
            version, kVersion);
        return false;
    }

    // Measured once: asking a file for its size moves its handle and drops
    // its read-ahead.
    const unsigned long long length = source.contentLength();
    TableReader reader(source, length);
    unsigned int count = 0;
    if (!reader.u32(count)) {
        KaPrintf("KaPackage::open: Can't load file, read error\n");
        return false;
    }
    // A corrupt count must not cost a pass over billions of records.
    if (count * kSmallestRecord > reader.left()) {
        KaPrintf("KaPackage::open: Can't load file, a table of %u entries can't fit in the %llu bytes left\n", count,
            reader.left());
        return false;
    }

    // The whole table is read before anything is taken from it, so a table
    // cut short loads nothing and says only that. The records grow one by
    // one, never reserved from the count: memory follows the bytes read.
    std::vector<File> records;
    for (unsigned int i = 0; i < count; ++i) {
        File record;
        if (!reader.path(record.path) || !reader.u32(record.offset) || !reader.u32(record.size)) {
            KaPrintf("KaPackage::open: Can't load file, the table ends inside entry %u of %u\n", i, count);
            return false;
        }
        records.push_back(record);
    }

    Entries table;
    for (const File& record : records) {
        const unsigned long long end = static_cast<unsigned long long>(record.offset) + record.size;
        if (end > length) {
            KaPrintf("KaPackage::open: Entry \"%s\" ends at %llu, past the end of the package (%llu bytes): left "
                     "out\n",
                record.path.c_str(), end, length);
            continue;
        }
        table.emplace(record.path, record);
    }

    // Paths already loaded by an earlier table keep their first record.
    for (Entries::const_iterator it = table.begin(); it != table.end(); ++it)
        mEntries.emplace(it->first, it->second);
    return true;
}

void KaPackage::close()
{
    // close() is also reached from inside open(), through the file layer:
    // the busy state of the caller is put back afterwards.
    const bool wasBusy = mBusy.exchange(true);
    mOpen = false;
    KaFile::close();
    {
        KaMutexLocker holder(mMutex);
        mSource = nullptr;
        // Their owners still hold them (a file keeps its entry until it is
        // closed): detached, they read nothing, and are freed as usual.
        for (unsigned long i = 0; i < mOpenedFiles.size(); ++i)
            mOpenedFiles[i]->mPackage = nullptr;
        mOpenedFiles.clear();
    }
    mEntries.clear();
    mBusy = wasBusy;
}

bool KaPackage::fileExists(const KaPath& path) const { return mEntries.find(path) != mEntries.end(); }

unsigned long KaPackage::getFileSize(const KaPath& path) const
{
    Entries::const_iterator it = mEntries.find(KaBaseFile::getRealPath(path, KaPath()));
    return it == mEntries.end() ? 0 : it->second.size;
}

KaPackage::OpenedFile* KaPackage::openFile(const KaPath& path)
{
    Entries::const_iterator it = mEntries.find(path);
    if (it == mEntries.end())
        return nullptr;
    OpenedFile* file = new OpenedFile(this, it->second);
    // Files may be opened on any thread; the list is guarded like the reads.
    KaMutexLocker holder(mMutex);
    mOpenedFiles.pushBack(file);
    return file;
}

KaPackage::Dir* KaPackage::openDir(const KaPath& folder) const
{
    KaString prefix(folder);
    prefix += KaPath::mSeparator;
    // Byte-wise order puts every path below the folder in one run that begins
    // at the first key not less than "folder/".
    Entries::const_iterator first = mEntries.lower_bound(KaPath(prefix));
    if (first == mEntries.end() || !hasPrefix(first->first, prefix))
        return nullptr;
    return new Dir(const_cast<KaPackage*>(this), folder, first);
}

unsigned long KaPackage::openedFileCount()
{
    KaMutexLocker holder(mMutex);
    return mOpenedFiles.size();
}

void KaPackage::unregister(OpenedFile* file)
{
    KaMutexLocker holder(mMutex);
    for (unsigned long i = 0; i < mOpenedFiles.size(); ++i) {
        if (mOpenedFiles[i] == file) {
            mOpenedFiles.removeFastAt(i);
            return;
        }
    }
}

KaPackage* KaPackage::servingMainPackage()
{
    KaPackage* package = openMainPackage();
    return package && !package->isBusy() ? package : nullptr;
}

KaPackage* KaPackage::openMainPackage()
{
    if (!KaMainFilePackage.exists())
        return nullptr;
    KaPackage* package = KaMainFilePackage.get();
    return package->isOpen() ? package : nullptr;
}

// ---------------------------------------------------------------------------
// KaPackage::OpenedFile

KaPackage::OpenedFile::OpenedFile(KaPackage* package, const File& entry)
    : mPackage(package)
    , mOffset(entry.offset)
    , mSize(entry.size)
    , mFilePosition(0)
    , mAtEnd(false)
{
}

KaPackage::OpenedFile::~OpenedFile()
{
    if (mPackage)
        mPackage->unregister(this);
}

unsigned int KaPackage::OpenedFile::writeData(const void* bytes, unsigned long count) { return 0; }

unsigned int KaPackage::OpenedFile::readData(void* destination, unsigned long count)
{
    if (!destination)
        return 0;
    if (!mPackage) {
        mAtEnd = true;
        return 0;
    }
    KaMutexLocker holder(mPackage->mMutex);
    if (mFilePosition >= mSize) {
        mAtEnd = true;
        return 0;
    }
    unsigned long wanted = count;
    if (wanted > mSize - mFilePosition) {
        wanted = mSize - mFilePosition;
        mAtEnd = true;
    }
    if (wanted == 0)
        return 0;
    KaStream* source = mPackage->mSource;
    if (!source || !source->seek(static_cast<unsigned long>(mOffset) + mFilePosition))
        return 0;
    const unsigned long got = source->readFully(destination, wanted);
    // Only what arrived counts: a source that falls short leaves the position
    // on the first byte not delivered.
    mFilePosition += static_cast<unsigned int>(got);
    if (got < wanted)
        mAtEnd = true;
    return static_cast<unsigned int>(got);
}

bool KaPackage::OpenedFile::seek(unsigned long position)
{
    if (position >= mSize) {
        mFilePosition = mSize;
        return false;
    }
    mFilePosition = static_cast<unsigned int>(position);
    mAtEnd = false;
    return true;
}

unsigned long KaPackage::OpenedFile::getPos() const { return mFilePosition; }

bool KaPackage::OpenedFile::isAtEnd() const { return mAtEnd; }

unsigned long KaPackage::OpenedFile::size() const { return mSize; }

// ---------------------------------------------------------------------------
// KaPackage::Dir

KaPackage::Dir::Dir(KaPackage* package, const KaPath& folder, Entries::const_iterator position)
    : mPackage(package)
    , mFolder(folder)
    , mPosition(position)
    , mLastName()
{
}

bool KaPackage::Dir::isBelow(const KaPath& entryPath) const
{
    const unsigned long length = mFolder.length();
    return hasPrefix(entryPath, mFolder) && entryPath.length() > length
        && entryPath.c_str()[length] == KaPath::mSeparator.c_str()[0];
}

const KaPath* KaPackage::Dir::readNext()
{
    while (mPosition != mPackage->mEntries.end()) {
        // The run of paths below the folder is contiguous: the first path
        // outside it ("scenes2/x" after "scenes/...") ends the walk.
        if (!isBelow(mPosition->first))
            return nullptr;
        const KaPath name = getSubPath(mPosition->first);
        ++mPosition;
        if (name.length() != 0 && name != mLastName) {
            mLastName = name;
            return &mLastName;
        }
    }
    return nullptr;
}

KaPath KaPackage::Dir::getSubPath(const KaPath& entryPath) const
{
    unsigned long first = mFolder.length();
    const unsigned long length = entryPath.length();
    if (first >= length)
        return KaPath();
    const char* bytes = entryPath.c_str();
    const char separator = KaPath::mSeparator.c_str()[0];
    if (bytes[first] == separator)
        ++first;
    unsigned long last = first;
    while (last < length && bytes[last] != separator)
        ++last;
    return KaPath(entryPath.subString(first, last - first));
}
