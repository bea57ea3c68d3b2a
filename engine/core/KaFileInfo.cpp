#include "engine/core/KaFileInfo.h"

#include <sys/stat.h>
#include <unistd.h>

KaFileInfo::KaFileInfo() : mPath(), mFlags(0), mStale(true) {}

void KaFileInfo::setPath(const KaPath& path)
{
    mPath = path;
    mStale = true;
}

KaString KaFileInfo::name() const
{
    return mPath.fileName();
}

unsigned int KaFileInfo::flags()
{
    struct stat status;
    if (lstat(mPath.c_str(), &status) != 0)
        return 0;

    unsigned int flags = 0;
    if (access(mPath.c_str(), W_OK) != 0)
        flags |= FlagReadOnly;
    KaString entryName = name();
    if (entryName.length() > 0 && entryName.c_str()[0] == '.')
        flags |= FlagHidden;
    if (S_ISDIR(status.st_mode))
        flags |= FlagFolder;

    mFlags = flags;
    mStale = false;
    return flags;
}
