#include "engine/core/KaBackup.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/base/KaStd.h"
#include "engine/core/KaBaseFile.h"
#include "engine/core/KaCore.h"
#include "engine/core/KaDirectory.h"
#include "engine/core/KaGetApplicationSupportDirectory.h"
#include "engine/core/KaXMLLoad.h"

KaSingleton<KaBackup> backupManager;

namespace {

const char* const kDefaultTemplate = "$(NSApplicationSupportDirectory)/$(APPNAME)";
const char* const kSupportToken = "$(NSApplicationSupportDirectory)";
const char* const kAppNameToken = "$(APPNAME)";

KaPath withoutMountPrefix(KaPath path)
{
    path.replace(KaBaseFile::mBackupMountPath, "", 999);
    return path;
}

} // namespace

KaPath KaGetBackupPath(const KaPath& relativePath)
{
    KaCore* theCore = core.get();
    KaString folder = theCore->backupPathTemplate();
    if (folder.length() == 0)
        folder = kDefaultTemplate;

    if (folder.contains(kSupportToken)) {
        const KaPath support = KaGetApplicationSupportDirectory();
        if (support.length() == 0) {
            KaPrintf("KaGetBackupPath: Unable to find or create application support directory for path %s\n",
                relativePath.c_str());
            return KaPath();
        }
        folder.replace(kSupportToken, support, 100000);
    }

    if (theCore->applicationName().length() == 0) {
        KaPrintf("KaGetBackupPath: no appName set\n");
        return KaPath();
    }
    folder.replace(kAppNameToken, theCore->applicationName(), 100000);

    KaDirectory::createDirRecursively(KaPath(folder));

    KaPath result(folder);
    result += "/";
    result += relativePath;
    return result;
}

KaBackup::KaBackup() = default;

KaBackup::~KaBackup() { unlock(); }

bool KaBackup::lock()
{
    if (mLockFile >= 0)
        return true;
    const KaPath path = KaGetBackupPath("lock");
    if (path.length() == 0)
        return true;
    const int file = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (file < 0) {
        KaPrintf("[KaBackup::lock] no lock in \"%s\": %s\n", path.c_str(), strerror(errno));
        return true;
    }
    if (flock(file, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        if (!held)
            KaPrintf("[KaBackup::lock] no lock in \"%s\": %s\n", path.c_str(), strerror(errno));
        close(file);
        return !held;
    }
    mLockFile = file;
    return true;
}

void KaBackup::unlock()
{
    if (mLockFile < 0)
        return;
    flock(mLockFile, LOCK_UN);
    close(mLockFile);
    mLockFile = -1;
}

bool KaBackup::exist(KaPath path) { return KaBaseFile::fileExist(KaGetBackupPath(withoutMountPrefix(path))); }

bool KaBackup::load(KaPath path, TiXmlDocument& document)
{
    const KaPath full = KaGetBackupPath(withoutMountPrefix(path));
    KaPrintf("Loading %s\n", full.c_str());
    return KaXMLLoad(full, document, "[KaBackup::load]");
}

bool KaBackup::load(KaPath path, TiXmlDocument& document, KaString& text)
{
    text = KaString();
    if (!load(path, document))
        return false;
    FILE* file = fopen(KaGetBackupPath(withoutMountPrefix(path)).c_str(), "rb");
    if (!file)
        return false;
    std::string bytes;
    char chunk[4096];
    size_t count;
    while ((count = fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, count);
    const bool read = ferror(file) == 0;
    fclose(file);
    text = KaString(bytes.data(), bytes.size());
    return read;
}

bool KaBackup::save(KaPath path, TiXmlDocument& document, const KaXMLCheck& check)
{
    const KaPath full = KaGetBackupPath(withoutMountPrefix(path));
    // A document that failed to parse may be missing half its content: it
    // must not take the place of a good save.
    if (document.Error()) {
        KaPrintf("[KaBackup::save] error %s\n", document.ErrorDesc());
        return false;
    }
    KaString refusal;
    if (!KaXMLSave(full, document, check, &refusal)) {
        int error = errno;
        KaString reason;
        if (error == EILSEQ && refusal.length())
            reason.format("\"%s\" would not load again: %s", full.c_str(), refusal.c_str());
        else
            reason.format("can't write \"%s\" : %s", full.c_str(), strerror(error));
        KaPrintf("[KaBackup::save] error %s\n", reason.c_str());
        return false;
    }
    return true;
}

bool KaBackup::del(KaPath path) { return KaBaseFile::deleteFile(KaGetBackupPath(withoutMountPrefix(path))); }

void KaBackup::init(const KaPath&) { }

void KaBackup::freeBuffer() { }
