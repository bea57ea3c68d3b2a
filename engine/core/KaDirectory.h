#ifndef KA_DIRECTORY_H
#define KA_DIRECTORY_H

#include "engine/containers/KaArray.h"
#include "engine/containers/KaList.h"
#include "engine/core/KaFileInfo.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaString.h"

class KaFileInfos;
class KaPackage;

// A listing of one folder at a time, plus the process-wide current folder.
//
// Entries come sorted by name, byte by byte ("." and ".." included, as the
// system gives them), so a listing and everything chosen from it is the same
// on every machine whatever order the file system keeps. The names are read
// when the folder is opened: files created or removed afterwards do not show
// until it is opened again. While the main resource package is open, folders
// are listed from its table alone (no "." or "..", no disk).
//
// Not copyable. Not thread-safe; the class-wide strings belong to the main
// thread.
class KaDirectory {
public:
    typedef ::KaFileInfo KaFileInfo;

    KaDirectory();
    ~KaDirectory();

    KaDirectory(const KaDirectory&) = delete;
    KaDirectory& operator=(const KaDirectory&) = delete;

    // Closes what was open, then lists the folder at that exact path (no
    // content-path resolution). False, silently, when it cannot be listed.
    bool nativeOpen(const KaPath& path);
    // The next name; false at the end or when nothing is open.
    bool nativeRead(KaString& name);
    // The next entry, its path being the listing's path, "/" and the name.
    bool read(KaFileInfo& info);
    void close();

    bool isOpen() const { return mOpen; }
    // The folder given to the last open.
    const KaPath& path() const { return mPath; }

    // Opens the folder a content path resolves to.
    bool open(const KaPath& path);
    // The next name, with the active tag variant folders met in the listing
    // merged in after it.
    bool read(KaString& name);
    // Removes a content folder and everything below it.
    static bool removeDir(const KaPath& path);
    // Appends every file below a content folder to the list, optionally
    // going down into subfolders; relative names start with the prefix.
    static void getFilesList(const KaPath& path, KaList<KaFileInfos>& list, bool recursive, const KaString& prefix);
    // Creates one folder; false when it exists already or cannot be made.
    static bool createDir(const KaPath& path);
    // Creates a folder and the parents it lacks.
    static bool createDirRecursively(const KaPath& path);

    // The process's current folder ("" when it cannot be read), kept in
    // mCurrentDirName.
    static const KaString& getCurrentDir();
    // True when the process's current folder became the path.
    static bool setCurrentDir(const KaPath& path);
    static void staticDestroy();

    static KaString mCurrentDirName;
    // Put before every relative path by KaGetFullPath. Empty: relative paths
    // stay relative to the current folder.
    static KaString mFullPathDirectory;

private:
    // Package route: lists the folder from the package's table.
    bool packageOpen(KaPackage& package, const KaPath& path);

    KaPath mPath;
    // Variant folders waiting to be merged by read(KaString&).
    KaArray<KaString> mPendingDirs;

    KaArray<KaString> mEntries;
    unsigned long mNextEntry;
    bool mOpen;
};

#endif
