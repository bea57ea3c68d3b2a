#ifndef KA_BASE_FILE_H
#define KA_BASE_FILE_H

#include <cstdio>

#include "engine/containers/KaArray.h"
#include "engine/core/KaFileSystem.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaStream.h"

class KaPackage;

// A byte stream over a file on disk, opened with standard I/O, together with
// the content-path resolution that every file operation goes through.
//
// Real paths: "./x" is x in a base folder, "Backup/x" is x in the user's save
// folder, other relative paths stay relative to the current directory (the
// resource folder). While the core's flags-on switch is set, a file missing at
// its own path is looked for in the tag variant folders beside it (a folder
// whose "-"-separated name holds an active tag value: "fr", "fr-de", "HD"...),
// recursively. That lookup serves reads and existence tests only: a file is
// written, created or deleted at its own path, never inside a variant folder.
//
// While the main resource package is open (KaPackage), files opened for
// reading, existence tests and sizes are served from it instead of the disk.
//
// Every native open attempt is recorded in the core's activity document while
// activity tracking is on.
//
// One thread at a time per object.
class KaBaseFile : public KaFileSystem, public KaStream {
public:
    KaBaseFile();
    // Opens at once; the result is not reported (test isOpened()).
    KaBaseFile(const KaPath& path, KaFileSystem::OpenMode mode);
    ~KaBaseFile() override;

    // Resolves the path and opens it. Reads resolve with the variant folders,
    // writes and appends without them.
    bool open(const KaPath& path, KaFileSystem::OpenMode mode) override;
    // Opens for reading a path the resolution already gave (getRealPath,
    // localizedRealPath), from the package while it serves, without
    // resolving it again.
    bool openRealPath(const KaPath& realPath);
    // Opens exactly this path. Closes whatever was open first; prints and
    // records the attempt.
    bool nativeOpen(const KaPath& path, KaFileSystem::OpenMode mode) override;
    bool isOpened() const override;
    // Safe on a closed file. The path stays as it was.
    void close() override;
    // Forgets the open file without closing it.
    void init();

    bool isAtEnd() const override;
    // A read or write error is reported on every call until the file closes:
    // the handle's error indicator is never cleared.
    unsigned int readData(void* destination, unsigned long count) override;
    unsigned int writeData(const void* bytes, unsigned long count) override;
    bool seek(unsigned long position) override;
    unsigned long getPos() const override;
    // Leaves the position where it was.
    unsigned long size() const override;

    const KaPath& path() const { return mPath; }
    KaFileSystem::OpenMode mode() const { return mMode; }

    // The path to open for reading: "./" against base, "Backup/" into the save
    // folder, then the variant folders (while the flags-on switch is set). An
    // empty path stays empty; a path found nowhere comes back unresolved by the
    // variant step.
    static KaPath getRealPath(const KaPath& path, const KaPath& base);
    // The same without the variant folders: where a file is written, created
    // or deleted.
    static KaPath getRealPathForWrite(const KaPath& path, const KaPath& base);
    // The path itself when the file exists, else the file in a variant folder
    // beside it, else the empty path. A path without a folder part is never
    // looked up; symbolic links to folders are not followed.
    static KaPath findRealPathWithFlag(const KaPath& path);
    // Drops the components that are active variant folders; a component that
    // only names inactive variant values makes the whole answer empty.
    static KaPath pathWithFlagToPathWithoutFlag(const KaPath& path);

    static bool fileExist(const KaPath& path);
    // The content name a reader opens for a picture, a sound or any resource
    // that may be translated: the name itself when it exists, else its copy in
    // the current language's folder beside it, else the copy in "en" beside
    // it (taken without looking, so the reader's error names it). While the
    // core's flags-on switch is set the variant folders pick the language and
    // the name is kept as it is.
    static KaPath localizedPath(const KaPath& path);
    // The file to open for that content name: localizedPath's choice as
    // getRealPath resolves it, each candidate resolved and looked for once.
    // Open it with openRealPath.
    static KaPath localizedRealPath(const KaPath& path);
    static bool fileExistWithRealPath(const KaPath& realPath);
    // 0 (with a message) when the file cannot be opened.
    static unsigned long getFileSize(const KaPath& path);
    static bool deleteFile(const KaPath& path);
    static bool renameFile(const KaPath& from, const KaPath& to);
    static bool copyFile(const KaPath& from, const KaPath& to);
    // Appends one "File" record to the core's activity document while
    // activity tracking is on.
    static void recordActivity(
        const KaPath& relativePath, const KaPath& realPath, const KaString& modeText, bool opened);

    // File-name hash table: every file below a folder, bucketed by the hash of
    // its file name.
    static unsigned int CalcHash(const KaString& text);
    // False when the folder cannot be listed. Symbolic links are recorded as
    // files, never descended into.
    static bool readDirs(KaPath folder);
    static void printDirs();

    static const unsigned int mHashTableSize = 251;
    static KaArray<KaPath> mFilesHashTable[mHashTableSize];
    // "Backup/": the prefix that maps a content path into the save folder.
    static const KaString mBackupMountPath;

private:
    // Package route: serves the file from the package's entry of that path.
    bool packageOpen(KaPackage& package, const KaPath& realPath);
    static KaPath resolveWithoutFlag(const KaPath& path, const KaPath& base);
    // localizedPath's choice, and its real path into realPath when given.
    static KaPath localize(const KaPath& path, KaPath* realPath);
    static KaPath findRealPathWithFlag(const KaPath& path, unsigned int depth);

    KaPath mPath;
    KaFileSystem::OpenMode mMode;
    FILE* mHandle;
    // Package route: when the main package served the open, its entry stream
    // stands in for the native handle (owned). Which of the two a file holds
    // is fixed when it opens, so the file reads through the same route until
    // it closes whatever happens to the package meanwhile.
    KaStream* mPackageEntry;
};

#endif
