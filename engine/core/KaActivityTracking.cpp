// Switching the core's activity tracking and choosing the log's file. The
// records themselves are appended by KaBaseFile::recordActivity.

#include "engine/core/KaCore.h"
#include "engine/core/KaDirectory.h"

namespace {

const unsigned long long kSavePeriod = 5000000ull;

} // namespace

void KaCore::enableActivityTracking(bool enable)
{
    if (mActivityTracking)
        saveActivityDocument();
    mActivityTracking = enable;
    if (!enable) {
        mActivityTimer.stop();
        return;
    }
    mActivityTimer.start();
    mActivityTimer.setAlarmIn(kSavePeriod);
}

void KaCore::setActivityTrackingFolder(const KaPath& folder)
{
    mActivityFolder = folder;
    KaString name;
    name.format("%s/%s.xml", folder.c_str(), osLoggedUserName().c_str());
    KaDirectory::createDirRecursively(folder);
    loadActivityDocument(KaPath(name));
}
