#ifndef KA_CORE_H
#define KA_CORE_H

#include <map>

#include "engine/containers/KaArray.h"
#include "engine/containers/KaSingleton.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaString.h"
#include "engine/core/KaTimer.h"

class KaILoc;
class KaIVideoCodec;
class TiXmlDocument;

// The engine-wide service object, reached through the holder `core`.
//
// It finds the resource folder from the executable at start-up and keeps the
// tags: named values ("language", "platform", "part", ...) that pick variant
// resource folders and that scripts test. It also keeps the flags-on switch
// under which missing files are looked for in those folders, the one
// localisation source, and the activity document (the XML log of file opens).
//
// The tag maps are ordered by KaString's byte order. A value belongs to the
// tag that took it last: when two tags share a value and either of them
// changes, the value is no longer listed as active.
//
// Main thread only. Holds a KaTimer and a TinyXML document: never keep one by
// value in a KaArray.
class KaCore {
public:
    // Where the running program's file is; empty when it cannot be told.
    typedef KaPath (*ExecutablePathFunction)();

    // Runs create().
    KaCore();
    // Saves the activity document first when tracking is on.
    virtual ~KaCore();

    KaCore(const KaCore&) = delete;
    KaCore& operator=(const KaCore&) = delete;

    // Makes the resource folder (the executable's folder joined with
    // "/../Resources/") the current folder. The executable is located by
    // systemExecutablePath(), or by values[0] when that finds nothing, with
    // symbolic links resolved; a change of folder that fails is reported.
    void args(unsigned long count, char** values);
    // As above, locating the executable with the given function first.
    void args(unsigned long count, char** values, ExecutablePathFunction locate);
    // The target of /proc/self/exe; empty when it cannot be read.
    static KaPath systemExecutablePath();
    // The executable's path found by the last args() call.
    const KaPath& executablePath() const { return mExecutablePath; }

    // Sets the defaults: the system's language, the switches off, no
    // localisation source, an empty activity document.
    void create();
    void exit();
    // Always empty.
    KaString osLoggedUserName() const;

    // Put in place of "$(APPNAME)" in the save folder's path.
    const KaString& applicationName() const { return mApplicationName; }
    void setApplicationName(const KaString& name) { mApplicationName = name; }
    // Empty for the default save folder template.
    const KaString& backupPathTemplate() const { return mBackupPathTemplate; }
    void setBackupPathTemplate(const KaString& pathTemplate) { mBackupPathTemplate = pathTemplate; }

    // While on, a missing content file is looked for in the variant folders
    // of the active tag values.
    bool flagsOn() const { return mFlagsOn; }
    void setFlagsOn(bool on) { mFlagsOn = on; }

    // Sets a tag, printing the switch when its value changes.
    void fileFlagSystemSetFlag(const KaString& tag, const KaString& value);
    // The tag's value; a tag never set becomes a tag with an empty value.
    KaString fileFlagSystemFlag(const KaString& tag);
    // True when some tag holds that value (and was the last to take it).
    bool fileFlagSystemFlagsContains(const KaString& value) const;
    void fileFlagSystemSetPossibleFlags(const KaString& tag, const KaArray<KaString>& values);
    // A tag without a list gets an empty one.
    KaArray<KaString> fileFlagSystemPossibleFlags(const KaString& tag);
    // True when any tag's list of possible values holds the value.
    bool fileFlagSystemPossibleFlagsContains(const KaString& value) const;

    // The tag "language".
    KaString language();
    void language(const KaString& code);

    // Installs the localisation source (not owned: it must outlive its use).
    // A second one replaces the first, with a warning.
    void addLoc(KaILoc& loc);
    // Uninstalls the source if it is that one (a table going away).
    void removeLoc(const KaILoc& loc);
    // Null until addLoc().
    KaILoc* loc() const { return mLoc; }

    // A new codec for the file (the caller owns and deletes it), from the
    // first codec class whose matchFormat accepts the path, in a fixed order;
    // null when none does. Loads nothing. The codecs live in the graphics
    // layer, which registers its factory here as soon as it is linked in; a
    // program without it has no codec.
    KaIVideoCodec* createVideoCodec(const KaPath& path) const;
    typedef KaIVideoCodec* (*VideoCodecFactory)(const KaPath& path);
    // Safe during static initialisation: the factory is plain data.
    static void setVideoCodecFactory(VideoCodecFactory factory);

    // Activity tracking: while on, every native file open is appended to the
    // activity document, which is saved every 5 seconds of frame time.
    void enableActivityTracking(bool enable);
    void setActivityTrackingFolder(const KaPath& folder);
    // Saves the document and arms the next save; never handles the alarm.
    bool onActivityTrackingAlarm();
    bool activityTracking() const { return mActivityTracking; }
    const KaPath& activityTrackingFolder() const { return mActivityFolder; }
    KaTimer& activityTimer() { return mActivityTimer; }
    // Always holds its "Activities" root.
    TiXmlDocument& activityDocument() { return *mActivityDocument; }
    const TiXmlDocument& activityDocument() const { return *mActivityDocument; }
    // Saves the document to its file name; false when it could not be written
    // (the document is kept as it is).
    bool saveActivityDocument();
    // Names the document's file. An existing log with an "Activities" root
    // replaces the document; when there is none, or it is empty, unreadable
    // or not such a log, the document in memory is kept and the file is
    // written over at the next save.
    void loadActivityDocument(const KaPath& fileName);
    // An empty log: the XML declaration and the "Activities" root.
    void resetActivityDocument();

private:
    KaPath mExecutablePath;
    KaString mApplicationName;
    KaString mBackupPathTemplate;
    bool mFlagsOn;
    std::map<KaString, KaArray<KaString> > mPossibleFlags;
    std::map<KaString, KaString> mFlags;
    std::map<KaString, KaString> mTagsByValue;
    KaTimer mActivityTimer;
    bool mActivityTracking;
    KaPath mActivityFolder;
    TiXmlDocument* mActivityDocument; // owned, never null
    KaILoc* mLoc;
};

extern KaSingleton<KaCore> core;

// The path behind KaDirectory::mFullPathDirectory.
KaPath KaGetFullPath(const KaPath& path);

#endif
