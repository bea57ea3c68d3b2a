// The folder operations of KaDirectory that go through content-path
// resolution: listings of content folders with their variant folders merged,
// flat file lists, and the creation and removal of folders.

#include <sys/stat.h>
#include <unistd.h>

#include "engine/base/KaStd.h"
#include "engine/core/KaBaseFile.h"
#include "engine/core/KaCore.h"
#include "engine/core/KaDirectory.h"
#include "engine/core/KaFileInfos.h"

namespace {

bool isDotEntry(const KaString& name) { return name == "." || name == ".."; }

// A folder (not a link to one, which could lead back up the tree) whose
// "-"-separated name holds an active tag value.
bool isActiveVariantFolder(const KaPath& folder, const KaString& name)
{
    KaCore* theCore = core.get();
    const KaArray<KaString> parts = name.split("-");
    bool active = false;
    for (unsigned long i = 0; i < parts.size() && !active; ++i)
        active = theCore->fileFlagSystemFlagsContains(parts[i]);
    if (!active)
        return false;
    KaPath entry(folder);
    entry += KaPath::mSeparator;
    entry += name;
    struct stat status;
    return lstat(entry.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

KaPath joined(const KaString& folder, const KaString& name)
{
    KaPath path(folder);
    path += KaPath::mSeparator;
    path += name;
    return path;
}

} // namespace

bool KaDirectory::open(const KaPath& path)
{
    // Folders queued by an earlier listing belong to that listing.
    mPendingDirs.clear();
    return nativeOpen(KaBaseFile::getRealPath(path, KaPath()));
}

bool KaDirectory::read(KaString& name)
{
    KaString entry;
    for (;;) {
        if (!nativeRead(entry)) {
            if (mPendingDirs.size() == 0)
                return false;
            const KaString next = mPendingDirs.elementOrDefault(0);
            mPendingDirs.removeFastAt(0);
            // A folder that vanished since it was queued only loses its own
            // entries, not the rest of the listing.
            nativeOpen(KaBaseFile::getRealPath(next, KaPath()));
            continue;
        }
        if (isActiveVariantFolder(mPath, entry)) {
            mPendingDirs.pushBack(joined(mPath, entry));
            continue;
        }
        name = entry;
        return true;
    }
}

bool KaDirectory::removeDir(const KaPath& path)
{
    const KaPath realPath = KaBaseFile::getRealPathForWrite(path, KaPath());
    KaDirectory listing;
    if (!listing.nativeOpen(realPath))
        return false;

    bool removed = true;
    KaFileInfo info;
    while (removed && listing.read(info)) {
        const KaString name = info.name();
        if (isDotEntry(name))
            continue;
        const KaPath child = joined(path, name);
        // flags() does not follow links: a link to a folder is removed as a
        // file, and what it points to is left alone.
        if (info.flags() & KaFileInfo::FlagFolder)
            removed = removeDir(child);
        else
            removed = KaBaseFile::deleteFile(child);
    }
    listing.close();
    if (!removed)
        return false;

    if (rmdir(realPath.c_str()) != 0) {
        KaPrintf("[KaDirectory::RemoveDir] Deletation of folder : %s failed.\n", realPath.c_str());
        return false;
    }
    return true;
}

void KaDirectory::getFilesList(const KaPath& path, KaList<KaFileInfos>& list, bool recursive, const KaString& prefix)
{
    const KaPath realFolder = KaBaseFile::getRealPath(path, KaPath());
    KaDirectory listing;
    if (!listing.nativeOpen(realFolder))
        return;

    KaFileInfo info;
    while (listing.read(info)) {
        const KaString name = info.name();
        const unsigned int flags = info.flags();
        KaFileInfos file;
        const KaPath relativeName = prefix.length() != 0 ? joined(prefix, name) : KaPath(name);

        if (flags & KaFileInfo::FlagFolder) {
            file.type = KaFileInfos::TypeFolder;
            file.fullPath = path.length() != 0 ? joined(path, name) : KaPath(name);
            file.relativeName = relativeName;
            if (recursive && !isDotEntry(name)) {
                KaList<KaFileInfos> below;
                getFilesList(file.fullPath, below, true, prefix + name + "/");
                list += below;
            }
        } else if (flags == 0 || (flags & KaFileInfo::FlagNormal) || (flags & KaFileInfo::FlagReadOnly)) {
            file.type = KaFileInfos::TypeFile;
            file.fullPath = path.length() != 0 ? joined(realFolder, name) : KaPath(name);
            file.relativeName = relativeName;
        } else {
            KaPrintf("[KaDirectory::getFilesList] File : %s Unrecognized attributs : %d\n", name.c_str(),
                static_cast<int>(flags));
        }

        if (file.type == KaFileInfos::TypeFile && !isDotEntry(name))
            list.pushBack(file);
    }
    listing.close();
}

bool KaDirectory::createDir(const KaPath& path)
{
    return mkdir(KaBaseFile::getRealPathForWrite(path, KaPath()).c_str(), 0777) == 0;
}

bool KaDirectory::createDirRecursively(const KaPath& path)
{
    KaPath normalised(path);
    normalised.convertInPathFormat();
    KaArray<KaString> pieces = normalised.split(KaPath::mSeparator);
    const KaArray<KaString>& constPieces = pieces;
    if (pieces.size() != 0 && constPieces[pieces.size() - 1].length() == 0)
        pieces.removeEnd();

    bool created = false;
    KaPath prefix;
    for (unsigned long i = 0; i < pieces.size(); ++i) {
        prefix += constPieces[i];
        prefix += KaPath::mSeparator;
        created = createDir(prefix);
    }
    return created;
}
