#include "engine/core/KaCore.h"
#include "engine/core/KaXMLLoad.h"
#include "engine/core/KaXMLLoadPlain.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "engine/base/KaStd.h"
#include "engine/core/KaDirectory.h"
#include "engine/core/KaGetLanguage.h"

KaSingleton<KaCore> core;

namespace {

const char* const kLanguageTag = "language";
const char* const kActivitiesRoot = "Activities";
const unsigned long long kActivitySavePeriod = 5000000ull;

// Constant-initialised, so a registration made during static initialisation
// is never overwritten.
KaCore::VideoCodecFactory gVideoCodecFactory = nullptr;

} // namespace

void KaCore::setVideoCodecFactory(VideoCodecFactory factory) { gVideoCodecFactory = factory; }

KaIVideoCodec* KaCore::createVideoCodec(const KaPath& path) const
{
    return gVideoCodecFactory ? gVideoCodecFactory(path) : nullptr;
}

KaCore::KaCore()
    : mExecutablePath(),
      mApplicationName(),
      mBackupPathTemplate(),
      mFlagsOn(false),
      mPossibleFlags(),
      mFlags(),
      mTagsByValue(),
      mActivityTimer(),
      mActivityTracking(false),
      mActivityFolder(),
      mActivityDocument(new TiXmlDocument()),
      mLoc(nullptr)
{
    create();
}

KaCore::~KaCore()
{
    if (mActivityTracking)
        saveActivityDocument();
    delete mActivityDocument;
}

void KaCore::args(unsigned long count, char** values)
{
    args(count, values, &KaCore::systemExecutablePath);
}

void KaCore::args(unsigned long count, char** values, ExecutablePathFunction locate)
{
    KaPath executable;
    if (locate)
        executable = locate();
    if (executable.length() == 0 && count > 0 && values && values[0])
        executable = values[0];
    if (executable.length() == 0) {
        KaPrintf("[KaCore::args] Can't locate the executable, the current directory stays \"%s\"\n",
            KaDirectory::getCurrentDir().c_str());
        return;
    }

    // The resources sit beside the real program, not beside a link to it.
    if (char* real = realpath(executable.c_str(), nullptr)) {
        executable = real;
        std::free(real);
    }
    mExecutablePath = executable;

    KaString folder = executable.directory();
    // A bare name means the current folder; "" would otherwise turn
    // "/../Resources/" into a folder at the root.
    if (folder.length() == 0 && executable.c_str()[0] != '/')
        folder = ".";
    KaPath resources(folder + KaString("/../Resources/"));
    if (!KaDirectory::setCurrentDir(resources)) {
        int error = errno;
        KaPrintf("[KaCore::args] Can't change the current directory to \"%s\" : %s\n", resources.c_str(),
            std::strerror(error));
    }
}

KaPath KaCore::systemExecutablePath()
{
    unsigned long size = 256;
    for (;;) {
        char* buffer = static_cast<char*>(std::malloc(size));
        if (!buffer)
            return KaPath();
        ssize_t length = readlink("/proc/self/exe", buffer, size);
        if (length < 0) {
            std::free(buffer);
            return KaPath();
        }
        if (static_cast<unsigned long>(length) < size) {
            KaPath result(KaString(buffer, static_cast<unsigned long>(length)));
            std::free(buffer);
            return result;
        }
        // Possibly cut: try again with room to spare.
        std::free(buffer);
        size *= 2;
    }
}

void KaCore::create()
{
    language(KaGetLanguage());
    mFlagsOn = false;
    mActivityTracking = false;
    mLoc = nullptr;
    resetActivityDocument();
    // Once only, however often the defaults are set again.
    mActivityTimer.onAlarm.remove(this, &KaCore::onActivityTrackingAlarm);
    mActivityTimer.onAlarm.add(this, &KaCore::onActivityTrackingAlarm, 0.0f);
}

void KaCore::exit() {}

KaString KaCore::osLoggedUserName() const
{
    return KaString();
}

void KaCore::fileFlagSystemSetFlag(const KaString& tag, const KaString& value)
{
    for (std::map<KaString, KaString>::iterator it = mTagsByValue.begin(); it != mTagsByValue.end(); ++it) {
        if (it->second == tag) {
            mTagsByValue.erase(it);
            break;
        }
    }
    mTagsByValue[value] = tag;

    std::map<KaString, KaString>::iterator found = mFlags.find(tag);
    if (found == mFlags.end()) {
        KaPrintf("Switched tag \"%s\" from \"\" to \"%s\"\n", tag.c_str(), value.c_str());
        mFlags.insert(std::make_pair(tag, value));
        return;
    }
    if (found->second == value)
        return;
    KaPrintf("Switched tag \"%s\" from \"%s\" to \"%s\"\n", tag.c_str(), found->second.c_str(), value.c_str());
    found->second = value;
}

KaString KaCore::fileFlagSystemFlag(const KaString& tag)
{
    return mFlags[tag];
}

bool KaCore::fileFlagSystemFlagsContains(const KaString& value) const
{
    return mTagsByValue.find(value) != mTagsByValue.end();
}

void KaCore::fileFlagSystemSetPossibleFlags(const KaString& tag, const KaArray<KaString>& values)
{
    std::map<KaString, KaArray<KaString> >::iterator found = mPossibleFlags.find(tag);
    if (found == mPossibleFlags.end())
        mPossibleFlags.insert(std::make_pair(tag, values));
    else
        found->second = values;
}

KaArray<KaString> KaCore::fileFlagSystemPossibleFlags(const KaString& tag)
{
    return mPossibleFlags[tag];
}

bool KaCore::fileFlagSystemPossibleFlagsContains(const KaString& value) const
{
    for (std::map<KaString, KaArray<KaString> >::const_iterator it = mPossibleFlags.begin(); it != mPossibleFlags.end();
         ++it) {
        if (it->second.contains(value))
            return true;
    }
    return false;
}

KaString KaCore::language()
{
    return fileFlagSystemFlag(kLanguageTag);
}

void KaCore::language(const KaString& code)
{
    fileFlagSystemSetFlag(kLanguageTag, code);
}

void KaCore::addLoc(KaILoc& loc)
{
    if (mLoc)
        KaPrintf("KaCore::addLoc: There is already a loc\n");
    mLoc = &loc;
}

void KaCore::removeLoc(const KaILoc& loc)
{
    if (mLoc == &loc)
        mLoc = nullptr;
}

bool KaCore::onActivityTrackingAlarm()
{
    saveActivityDocument();
    mActivityTimer.setAlarmIn(kActivitySavePeriod);
    return false;
}

// Through the same replace-in-one-step save as the save folder: a crash in
// the middle of a periodic save never leaves a half-written log.
bool KaCore::saveActivityDocument()
{
    return KaXMLSave(KaPath(mActivityDocument->Value()), *mActivityDocument);
}

void KaCore::loadActivityDocument(const KaPath& fileName)
{
    // Only a regular file can be a log; a folder of that name, for one, would
    // give TinyXML nothing sensible to read.
    struct stat status;
    if (stat(fileName.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
        TiXmlDocument loaded;
        const TiXmlElement* root = KaXMLLoadPlain(fileName.c_str(), loaded) ? loaded.RootElement() : nullptr;
        // Anything else keeps the document in memory, whose root the file
        // layer appends its records to; the next save replaces the file.
        if (root && root->ValueStr() == kActivitiesRoot)
            *mActivityDocument = loaded;
    }
    mActivityDocument->SetValue(fileName.c_str());
    mActivityDocument->ClearError();
}

void KaCore::resetActivityDocument()
{
    mActivityDocument->Clear();
    mActivityDocument->ClearError();
    mActivityDocument->LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
    mActivityDocument->LinkEndChild(new TiXmlElement(kActivitiesRoot));
}

KaPath KaGetFullPath(const KaPath& path)
{
    // A copy of its bytes, not a share: sharing would touch the folder
    // string's plain count, and files may be opened from the music thread.
    KaPath full(KaDirectory::mFullPathDirectory.c_str());
    full += path;
    return full;
}
