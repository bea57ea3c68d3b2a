#include "engine/core/KaDirectory.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/KaPackage.h"

KaString KaDirectory::mCurrentDirName;
KaString KaDirectory::mFullPathDirectory;

KaDirectory::KaDirectory() : mPath(), mPendingDirs(), mEntries(), mNextEntry(0), mOpen(false) {}

KaDirectory::~KaDirectory()
{
    close();
}

bool KaDirectory::nativeOpen(const KaPath& path)
{
    close();
    mPath = path;

    // Package route: while the main package is open, its table alone is
    // listed. The names are taken now, like the disk's, so the listing does
    // not depend on the package staying open.
    if (KaPackage* package = KaPackage::openMainPackage())
        return packageOpen(*package, path);

    DIR* handle = opendir(path.c_str());
    if (!handle)
        return false;

    // The whole folder is read and sorted now: readdir's order depends on the
    // file system and on the folder's history, and callers pick the first
    // matching entry (variant folders), so the order must not.
    std::vector<std::string> names;
    while (struct dirent* entry = readdir(handle))
        names.push_back(entry->d_name);
    closedir(handle);
    // std::string compares bytes as unsigned, as KaString does.
    std::sort(names.begin(), names.end());

    KaArray<KaString> entries;
    entries.reserve(names.size());
    for (const std::string& name : names)
        entries.pushBack(KaString(name.c_str(), name.size()));
    mEntries = entries;
    mNextEntry = 0;
    mOpen = true;
    return true;
}

bool KaDirectory::packageOpen(KaPackage& package, const KaPath& path)
{
    std::unique_ptr<KaPackage::Dir> walk(package.openDir(path));
    if (!walk)
        return false;
    // The walk gives the names in byte-wise order already.
    // The count is not known before the walk ends: grow by doubling rather
    // than by one entry at a time.
    KaArray<KaString> entries;
    while (const KaPath* name = walk->readNext()) {
        if (entries.size() == entries.capacity())
            entries.reserve(entries.capacity() < 8 ? 8 : entries.capacity() * 2);
        entries.pushBack(*name);
    }
    mEntries = entries;
    mNextEntry = 0;
    mOpen = true;
    return true;
}

bool KaDirectory::nativeRead(KaString& name)
{
    if (!mOpen)
        return false;
    const KaArray<KaString>& entries = mEntries;
    if (mNextEntry >= entries.size())
        return false;
    name = entries[mNextEntry];
    ++mNextEntry;
    return true;
}

bool KaDirectory::read(KaFileInfo& info)
{
    KaString name;
    if (!nativeRead(name))
        return false;
    KaPath entryPath(mPath);
    entryPath += KaPath::mSeparator;
    entryPath += name;
    info.setPath(entryPath);
    return true;
}

void KaDirectory::close()
{
    mEntries.clear();
    mNextEntry = 0;
    mOpen = false;
}

const KaString& KaDirectory::getCurrentDir()
{
    unsigned long size = 256;
    for (;;) {
        char* buffer = static_cast<char*>(std::malloc(size));
        if (!buffer)
            break;
        if (getcwd(buffer, size)) {
            mCurrentDirName = buffer;
            std::free(buffer);
            return mCurrentDirName;
        }
        std::free(buffer);
        if (errno != ERANGE)
            break;
        size *= 2;
    }
    mCurrentDirName = "";
    return mCurrentDirName;
}

bool KaDirectory::setCurrentDir(const KaPath& path)
{
    return chdir(path.c_str()) == 0;
}

void KaDirectory::staticDestroy()
{
    mCurrentDirName.clear();
}
