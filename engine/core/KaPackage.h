#ifndef KA_PACKAGE_H
#define KA_PACKAGE_H

#include <atomic>
#include <map>

#include "engine/containers/KaArray.h"
#include "engine/containers/KaSingleton.h"
#include "engine/core/KaFile.h"
#include "engine/core/KaMutex.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaStream.h"

// One file that holds many content files. Layout, little-endian:
//
//   u8  version (1)
//   u32 entry count
//   entry count records: path (u32 length + bytes), u32 offset, u32 size
//   the entries' bytes, each at its absolute offset in the package
//
// The table is read whole when the package opens and checked against the
// package's own length: a table that runs past the end fails the open and
// loads nothing, an entry whose bytes would lie past the end is left out (with
// a message). A path named twice keeps its first record.
//
// While the main package (KaMainFilePackage) is open, files opened for
// reading, existence tests, sizes and folder listings are served from it alone,
// with no fallback to loose files. Whether a file reads from the package is
// decided when the file opens and stays with the file.
//
// The package is the package file itself: it reads its own table and entries
// through its KaFile part. Entry streams from several threads may read at once
// (each read takes the package's mutex around the shared source stream); the
// table must not change meanwhile, so open and close only while no entry is
// being read. Holds a FILE* and a mutex: never keep a KaPackage by value in a
// KaArray.
class KaPackage : public KaFile {
public:
    // One record of the table.
    struct File {
        KaPath path;
        unsigned int offset;
        unsigned int size;
    };

    typedef std::map<KaPath, File> Entries;

    // A read-only stream over one entry. Position and end flag are its own;
    // the bytes come from the package's source stream. Closing the package
    // detaches the entries still alive: they then read nothing and are freed
    // by their owner as usual.
    class OpenedFile : public KaStream {
    public:
        ~OpenedFile() override;

        // Refused: always 0.
        unsigned int writeData(const void* bytes, unsigned long count) override;
        // Up to count bytes, cut at the entry's end (which sets the end flag).
        unsigned int readData(void* destination, unsigned long count) override;
        // At or past the entry's size: the position becomes the size and the
        // answer is false; the end flag stays. Inside: clears the end flag.
        bool seek(unsigned long position) override;
        unsigned long getPos() const override;
        bool isAtEnd() const override;
        unsigned long size() const override;

        // False once the package that made it was closed.
        bool isAttached() const { return mPackage != nullptr; }

    private:
        friend class KaPackage;
        OpenedFile(KaPackage* package, const File& entry);

        KaPackage* mPackage;
        // Copies of the record's numbers only: the stream may be read and
        // destroyed on another thread, and sharing the record's path would
        // touch the path's plain reference count from there.
        unsigned int mOffset;
        unsigned int mSize;
        unsigned int mFilePosition;
        bool mAtEnd;
    };

    // A walk over the names directly below one folder, in byte-wise order;
    // a subfolder's name comes once, however many entries it holds. It walks
    // the table in place: finish with it before the package closes or opens.
    class Dir {
    public:
        // The next name (valid until the next call), or null when the folder
        // has no more names.
        const KaPath* readNext();
        // The first path component of an entry path below the walk's folder.
        KaPath getSubPath(const KaPath& entryPath) const;

    private:
        friend class KaPackage;
        Dir(KaPackage* package, const KaPath& folder, Entries::const_iterator position);

        // Whether the entry path lies below the folder ("scenes/x" for
        // "scenes", not "scenes2/x").
        bool isBelow(const KaPath& entryPath) const;

        KaPackage* mPackage;
        KaPath mFolder;
        Entries::const_iterator mPosition;
        KaPath mLastName;
    };

    KaPackage();
    ~KaPackage() override;

    using KaFile::open;
    // Closes, then opens the package file (content-path resolution applies)
    // and reads its table. False when the file cannot be opened or its table
    // is refused.
    bool open(const KaPath& path);
    // Reads a table from the stream's position; the stream then serves the
    // entries and must outlive the package's use of it. Does not forget
    // entries read earlier. On failure nothing of this table is kept.
    bool open(KaStream& source);
    // Closes the package file, detaches every entry stream still alive and
    // forgets the table.
    void close() override;

    bool isOpen() const { return mOpen.load(std::memory_order_acquire); }
    // True while the package works on its own file (opening or closing it).
    bool isBusy() const { return mBusy.load(std::memory_order_acquire); }

    // Exact path, no resolution.
    bool fileExists(const KaPath& path) const;
    // The entry's size for the resolved path; 0 when absent.
    unsigned long getFileSize(const KaPath& path) const;
    // A new stream over the entry of exactly this path, or null. The caller
    // owns it.
    OpenedFile* openFile(const KaPath& path);
    // A walk over the folder (no trailing separator), or null when nothing
    // lies below it. The caller owns it.
    Dir* openDir(const KaPath& folder) const;

    // For callers that read several entries in one go.
    void lockMutex() { mMutex.lock(); }
    void unlockMutex() { mMutex.unlock(); }

    // The number of entry streams handed out and still attached.
    unsigned long openedFileCount();
    unsigned long entryCount() const { return mEntries.size(); }

    // The main package when it exists, is open and is not busy, else null:
    // the package that serves files, existence tests and sizes. Never creates
    // the instance.
    static KaPackage* servingMainPackage();
    // The main package when it exists and is open (busy or not), else null:
    // the package that serves folder listings.
    static KaPackage* openMainPackage();

private:
    bool readTable(KaStream& source);
    void unregister(OpenedFile* file);

    KaStream* mSource;
    std::atomic<bool> mBusy;
    Entries mEntries;
    KaArray<OpenedFile*> mOpenedFiles;
    std::atomic<bool> mOpen;
    KaMutex mMutex;
};

// The engine's main package. Nothing opens it in the desktop program.
extern KaSingleton<KaPackage> KaMainFilePackage;

#endif
