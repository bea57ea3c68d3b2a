#include "engine/core/KaBackup.h"

#include <cerrno>
#include <cstring>

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

KaBackup::~KaBackup() = default;

bool KaBackup::exist(KaPath path) { return KaBaseFile::fileExist(KaGetBackupPath(withoutMountPrefix(path))); }

bool KaBackup::load(KaPath path, TiXmlDocument& document)
{
    const KaPath full = KaGetBackupPath(withoutMountPrefix(path));
    KaPrintf("Loading %s\n", full.c_str());
    return KaXMLLoad(full, document, "[KaBackup::load]");
}

bool KaBackup::save(KaPath path, TiXmlDocument& document)
{
    const KaPath full = KaGetBackupPath(withoutMountPrefix(path));
    // A document that failed to parse may be missing half its content: it
    // must not take the place of a good save.
    if (document.Error()) {
        KaPrintf("[KaBackup::save] error %s\n", document.ErrorDesc());
        return false;
    }
    if (!KaXMLSave(full, document)) {
        int error = errno;
        KaString reason;
        reason.format("can't write \"%s\" : %s", full.c_str(), strerror(error));
        KaPrintf("[KaBackup::save] error %s\n", reason.c_str());
        return false;
    }
    return true;
}

bool KaBackup::del(KaPath path) { return KaBaseFile::deleteFile(KaGetBackupPath(withoutMountPrefix(path))); }

void KaBackup::init(const KaPath&) { }

void KaBackup::freeBuffer() { }
