#ifndef KA_FILE_INFO_H
#define KA_FILE_INFO_H

#include "engine/containers/KaIsRelocatable.h"
#include "engine/core/KaPath.h"

// What a directory listing knows about one entry: its path, and on demand
// the entry's attributes read from the disk. Reached as
// KaDirectory::KaFileInfo.
class KaFileInfo {
public:
    enum Flag {
        FlagReadOnly = 1,
        FlagHidden = 2,
        FlagFolder = 16,
        // Never computed on this platform; kept so that attribute tests
        // written against it stay meaningful.
        FlagNormal = 32
    };

    KaFileInfo();

    // Marks the stored flags stale.
    void setPath(const KaPath& path);
    const KaPath& path() const { return mPath; }

    // The last component of the path.
    KaString name() const;

    // Reads the entry's attributes anew on every call: read-only when the
    // path cannot be opened for writing, hidden when the name begins with
    // ".", folder when the entry itself is a folder (a link to a folder is
    // not one). 0 when the entry cannot be examined; the stored value is
    // then left as it was.
    unsigned int flags();

    // The value the last successful flags() computed.
    unsigned int storedFlags() const { return mFlags; }
    bool isStale() const { return mStale; }

private:
    KaPath mPath;
    unsigned int mFlags;
    bool mStale;
};

KA_RELOCATABLE(KaFileInfo);

#endif
