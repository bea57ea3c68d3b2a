#include "engine/core/KaBaseFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include <tinyxml.h>

#include "engine/base/KaStd.h"
#include "engine/core/KaBackup.h"
#include "engine/core/KaCore.h"
#include "engine/core/KaDirectory.h"
#include "engine/core/KaGetShownPath.h"
#include "engine/core/KaPackage.h"

const KaString KaBaseFile::mBackupMountPath("Backup/");
KaArray<KaPath> KaBaseFile::mFilesHashTable[KaBaseFile::mHashTableSize];

namespace {

// Variant folders nest a level or two in practice; the bound only keeps a
// pathological tree (a mount loop) from recursing without end.
const unsigned int kMaxVariantDepth = 32;

const char* modeString(KaFileSystem::OpenMode mode)
{
    switch (mode) {
    case KaFileSystem::Read:
        return "rb";
    case KaFileSystem::Write:
        return "wb";
    case KaFileSystem::Append:
        return "ab";
    default:
        return nullptr;
    }
}

const char* modeText(KaFileSystem::OpenMode mode)
{
    switch (mode) {
    case KaFileSystem::Read:
        return "binary read";
    case KaFileSystem::Write:
        return "binary write";
    case KaFileSystem::Append:
        return "binary append";
    default:
        return "";
    }
}

bool isSymbolicLink(const KaPath& path)
{
    struct stat status;
    return lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
}

bool hasActiveTagValue(const KaString& name)
{
    KaCore* theCore = core.get();
    const KaArray<KaString> parts = name.split("-");
    for (unsigned long i = 0; i < parts.size(); ++i) {
        if (theCore->fileFlagSystemFlagsContains(parts[i]))
            return true;
    }
    return false;
}

} // namespace

KaBaseFile::KaBaseFile()
    : mPath()
    , mMode(NoMode)
    , mHandle(nullptr)
    , mPackageEntry(nullptr)
{
}

KaBaseFile::KaBaseFile(const KaPath& path, KaFileSystem::OpenMode mode)
    : KaBaseFile()
{
    open(path, mode);
}

KaBaseFile::~KaBaseFile() { close(); }

void KaBaseFile::init()
{
    mPosition = 0;
    mPackageEntry = nullptr;
    mHandle = nullptr;
    mMode = NoMode;
}

bool KaBaseFile::open(const KaPath& path, KaFileSystem::OpenMode mode)
{
    mMode = mode;
    // Package route: while the main package serves, reads come from it alone
    // (no fallback to the disk, no message, no activity record). The route is
    // taken here once and kept by the file through mPackageEntry.
    if (mode == Read) {
        if (KaPackage* package = KaPackage::servingMainPackage())
            return packageOpen(*package, getRealPath(path, KaPath()));
        return nativeOpen(getRealPath(path, KaPath()), mode);
    }
    return nativeOpen(getRealPathForWrite(path, KaPath()), mode);
}

bool KaBaseFile::openRealPath(const KaPath& realPath)
{
    mMode = Read;
    if (KaPackage* package = KaPackage::servingMainPackage())
        return packageOpen(*package, realPath);
    return nativeOpen(realPath, Read);
}

bool KaBaseFile::nativeOpen(const KaPath& path, KaFileSystem::OpenMode mode)
{
    close();
    mPath = path;
    const char* native = modeString(mode);
    if (native)
        mHandle = fopen(path.c_str(), native);
    else
        errno = EINVAL;

    if (isOpened()) {
        recordActivity(path, path, modeText(mode), true);
        mPosition = 0;
        mMode = mode;
        return true;
    }
    int error = errno;
    KaPrintf("KaBaseFile::nativeOpen: Can't open \"%s\", %s\n", KaGetShownPath(path).c_str(), strerror(error));
    recordActivity(path, path, modeText(mode), false);
    return false;
}

bool KaBaseFile::packageOpen(KaPackage& package, const KaPath& realPath)
{
    close();
    KaStream* entry = package.openFile(realPath);
    if (!entry)
        return false;
    mPackageEntry = entry;
    mPosition = 0;
    mMode = Read;
    return true;
}

bool KaBaseFile::isOpened() const { return mPackageEntry != nullptr || mHandle != nullptr; }

void KaBaseFile::close()
{
    if (mPackageEntry)
        delete mPackageEntry;
    else if (mHandle)
        fclose(mHandle);
    init();
}

bool KaBaseFile::isAtEnd() const
{
    if (!isOpened())
        return false;
    if (mPackageEntry)
        return mPackageEntry->isAtEnd();
    return feof(mHandle) != 0;
}

unsigned int KaBaseFile::readData(void* destination, unsigned long count)
{
    if (!isOpened())
        return 0;
    if (mPackageEntry)
        return mPackageEntry->readData(destination, count);
    size_t done = fread(destination, 1, count, mHandle);
    int error = ferror(mHandle);
    if (error)
        KaPrintf("KaBaseFile::readData: Read error %d on file %s.\n", error, mPath.c_str());
    return static_cast<unsigned int>(done);
}

unsigned int KaBaseFile::writeData(const void* bytes, unsigned long count)
{
    if (!mHandle)
        return 0;
    size_t done = fwrite(bytes, 1, count, mHandle);
    int error = ferror(mHandle);
    if (error)
        KaPrintf("KaBaseFile::writeData: Write error %d on file %s.\n", error, mPath.c_str());
    return static_cast<unsigned int>(done);
}

bool KaBaseFile::seek(unsigned long position)
{
    if (!isOpened())
        return false;
    if (mPackageEntry)
        return mPackageEntry->seek(position);
    return fseek(mHandle, static_cast<long>(position), SEEK_SET) == 0;
}

unsigned long KaBaseFile::getPos() const
{
    if (!isOpened())
        return 0;
    if (mPackageEntry)
        return mPackageEntry->getPos();
    long position = ftell(mHandle);
    return position < 0 ? 0 : static_cast<unsigned long>(position);
}

unsigned long KaBaseFile::size() const
{
    if (!isOpened())
        return 0;
    if (mPackageEntry)
        return mPackageEntry->size();
    long remembered = ftell(mHandle);
    fseek(mHandle, 0, SEEK_END);
    long end = ftell(mHandle);
    if (remembered >= 0)
        fseek(mHandle, remembered, SEEK_SET);
    if (ferror(mHandle) || end < 0)
        return 0;
    return static_cast<unsigned long>(end);
}

KaPath KaBaseFile::resolveWithoutFlag(const KaPath& path, const KaPath& base)
{
    if (path.length() == 0)
        return path;
    KaPath result(path);
    if (result.cmp("./", 2) == 0)
        result = KaPath(base + result.subString(2, result.length() - 2));
    if (result.cmp(mBackupMountPath, mBackupMountPath.length()) == 0)
        result = KaGetBackupPath(KaPath(result.subString(7, result.length() - 7)));
    if (result.c_str()[0] != '/')
        result = KaGetFullPath(result);
    return result;
}

KaPath KaBaseFile::getRealPath(const KaPath& path, const KaPath& base)
{
    if (path.length() == 0)
        return path;
    KaPath result = resolveWithoutFlag(path, base);
    if (core.get()->flagsOn()) {
        KaPath variant = findRealPathWithFlag(result);
        if (variant.length() != 0)
            result = variant;
    }
    return result;
}

KaPath KaBaseFile::getRealPathForWrite(const KaPath& path, const KaPath& base)
{
    return resolveWithoutFlag(path, base);
}

KaPath KaBaseFile::findRealPathWithFlag(const KaPath& path) { return findRealPathWithFlag(path, 0); }

KaPath KaBaseFile::findRealPathWithFlag(const KaPath& path, unsigned int depth)
{
    if (fileExistWithRealPath(path))
        return path;
    if (depth >= kMaxVariantDepth)
        return KaPath();

    const KaPath folder = path.directory();
    KaDirectory listing;
    if (!listing.nativeOpen(folder))
        return KaPath();

    const KaPath fileName = path.fileName();
    KaString name;
    while (listing.nativeRead(name)) {
        if (!hasActiveTagValue(name))
            continue;
        KaPath variantFolder(folder);
        variantFolder += KaPath::mSeparator;
        variantFolder += name;
        // A link could lead back up the tree and make the walk endless.
        if (isSymbolicLink(variantFolder))
            continue;
        KaPath candidate(variantFolder);
        candidate += KaPath::mSeparator;
        candidate += fileName;
        KaPath found = findRealPathWithFlag(candidate, depth + 1);
        if (found.length() != 0)
            return found;
    }
    return KaPath();
}

KaPath KaBaseFile::pathWithFlagToPathWithoutFlag(const KaPath& path)
{
    KaCore* theCore = core.get();
    const KaArray<KaString> components = path.split(KaPath::mSeparator);
    KaPath result;
    for (unsigned long i = 0; i < components.size(); ++i) {
        const KaArray<KaString> parts = components[i].split("-");
        bool variant = false;
        bool dropped = false;
        for (unsigned long j = 0; j < parts.size() && !dropped; ++j) {
            if (!theCore->fileFlagSystemPossibleFlagsContains(parts[j]))
                continue;
            variant = true;
            if (theCore->fileFlagSystemFlagsContains(parts[j]))
                dropped = true;
        }
        if (dropped)
            continue;
        if (variant)
            return KaPath();
        result += components[i];
        if (i + 1 < components.size())
            result += KaPath::mSeparator;
    }
    return result;
}

bool KaBaseFile::fileExist(const KaPath& path) { return fileExistWithRealPath(getRealPath(path, KaPath())); }

KaPath KaBaseFile::localizedPath(const KaPath& path) { return localize(path, nullptr); }

KaPath KaBaseFile::localizedRealPath(const KaPath& path)
{
    KaPath realPath;
    localize(path, &realPath);
    return realPath;
}

KaPath KaBaseFile::localize(const KaPath& path, KaPath* realPath)
{
    if (core.get()->flagsOn()) {
        if (realPath)
            *realPath = getRealPath(path, KaPath());
        return path;
    }
    KaPath real = getRealPath(path, KaPath());
    if (!fileExistWithRealPath(real)) {
        // The folder part with its final "/" ("" for a bare file name, "/"
        // for a file at the root), so the language folder lands beside the
        // file and a bare name stays relative.
        const KaPath name = path.fileName();
        const KaString folder = path.subString(0, path.length() - name.length());
        KaPath localized(folder + core.get()->language() + "/" + name);
        real = getRealPath(localized, KaPath());
        if (fileExistWithRealPath(real)) {
            if (realPath)
                *realPath = real;
            return localized;
        }
        localized = KaPath(folder + "en/" + name);
        if (realPath)
            *realPath = getRealPath(localized, KaPath());
        return localized;
    }
    if (realPath)
        *realPath = real;
    return path;
}

bool KaBaseFile::fileExistWithRealPath(const KaPath& realPath)
{
    // Package route: the package's table alone says what exists.
    if (KaPackage* package = KaPackage::servingMainPackage())
        return package->fileExists(realPath);
    FILE* handle = fopen(realPath.c_str(), "rb");
    if (!handle)
        return false;
    fclose(handle);
    return true;
}

unsigned long KaBaseFile::getFileSize(const KaPath& path)
{
    // Package route: the entry's size, 0 without a message when absent.
    if (KaPackage* package = KaPackage::servingMainPackage())
        return package->getFileSize(path);
    const KaPath realPath = getRealPath(path, KaPath());
    FILE* handle = fopen(realPath.c_str(), "rb");
    if (!handle) {
        KaPrintf("KaBaseFile::getFileSize: File %s doesn't exist or too many files are opened at the same time.\n",
            KaGetShownPath(realPath).c_str());
        return 0;
    }
    fseek(handle, 0, SEEK_END);
    long end = ftell(handle);
    bool failed = ferror(handle) != 0 || end < 0;
    fclose(handle);
    return failed ? 0 : static_cast<unsigned long>(end);
}

bool KaBaseFile::deleteFile(const KaPath& path)
{
    const KaPath realPath = getRealPathForWrite(path, KaPath());
    if (remove(realPath.c_str()) != 0) {
        KaPrintf("KaBaseFile::deleteFile: Deletion of file : %s failed.\n", realPath.c_str());
        return false;
    }
    return true;
}

bool KaBaseFile::renameFile(const KaPath& from, const KaPath& to)
{
    const KaPath realFrom = getRealPathForWrite(from, KaPath());
    const KaPath realTo = getRealPathForWrite(to, KaPath());
    return rename(realFrom.c_str(), realTo.c_str()) == 0;
}

bool KaBaseFile::copyFile(const KaPath& from, const KaPath& to)
{
    KaBaseFile source;
    KaBaseFile target;
    if (!source.open(from, Read) || !target.open(to, Write))
        return false;
    target << source;
    source.close();
    target.close();
    return true;
}

void KaBaseFile::recordActivity(
    const KaPath& relativePath, const KaPath& realPath, const KaString& modeText, bool opened)
{
    KaCore* theCore = core.get();
    if (!theCore->activityTracking())
        return;

    TiXmlDocument& document = theCore->activityDocument();
    TiXmlElement* activities = document.FirstChildElement("Activities");
    if (!activities) {
        // A log replaced behind the core's back must not cost the record.
        activities = new TiXmlElement("Activities");
        document.LinkEndChild(activities);
    }
    TiXmlElement* files = activities->FirstChildElement("KaFileActivity");
    if (!files) {
        files = new TiXmlElement("KaFileActivity");
        activities->LinkEndChild(files);
    }

    TiXmlElement* record = new TiXmlElement("File");
    record->SetAttribute("relativePath", relativePath.c_str());
    record->SetAttribute("realPath", realPath.c_str());
    record->SetAttribute("mode", modeText.c_str());
    record->SetAttribute("opened", opened ? 1 : 0);
    files->LinkEndChild(record);
}

unsigned int KaBaseFile::CalcHash(const KaString& text)
{
    unsigned int hash = 0;
    for (const char* byte = text.c_str(); *byte; ++byte) {
        unsigned int value = static_cast<unsigned int>(static_cast<int>(static_cast<signed char>(*byte)));
        hash = (hash * 256u + value) % mHashTableSize;
    }
    return hash;
}

bool KaBaseFile::readDirs(KaPath folder)
{
    KaDirectory listing;
    if (!listing.nativeOpen(folder))
        return false;
    KaString name;
    while (listing.nativeRead(name)) {
        if (name == "." || name == "..")
            continue;
        KaPath entry(folder);
        entry += KaPath::mSeparator;
        entry += name;
        // A link is filed as a name: following one could loop for ever.
        if (isSymbolicLink(entry) || !readDirs(entry))
            mFilesHashTable[CalcHash(entry.fileName())].pushBack(entry);
    }
    return true;
}

void KaBaseFile::printDirs()
{
    for (unsigned int i = 0; i < mHashTableSize; ++i) {
        if (i % 16 == 0)
            printf("\n");
        printf("%lu ", mFilesHashTable[i].size());
    }
    printf("\n");
}
