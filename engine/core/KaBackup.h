#ifndef KA_BACKUP_H
#define KA_BACKUP_H

#include <tinyxml.h>

#include "engine/containers/KaSingleton.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaXMLLoad.h"

// The user's save folder and the XML documents kept in it (options, the
// running game, the save slots). Names may carry the prefix "Backup/" that
// content paths use for the save folder: "Backup/0.xml" and "0.xml" are the
// same file (every "Backup/" in the name is dropped, wherever it stands).
//
// Reached through the holder backupManager. Main thread only.
class KaBackup {
public:
    KaBackup();
    virtual ~KaBackup();

    bool exist(KaPath path);
    // Prints "Loading <path>" and reads the document; false, with the
    // loader's message, when the file is missing or does not parse.
    bool load(KaPath path, TiXmlDocument& document);
    // Writes the document. The previous file is replaced only by a complete
    // new one: a document that carries an error or a write that fails
    // reports "[KaBackup::save] error ...", returns false and leaves the old
    // file as it was. check, when given, sees the written text and may
    // refuse it (the message then gives its reason): a save that the
    // game's own loader would refuse never takes the place of the old file.
    bool save(KaPath path, TiXmlDocument& document, const KaXMLCheck& check = KaXMLCheck());
    // Also hands back the file's bytes as they are (a printed document would
    // not be the same text: the printer rewrites what it decoded).
    bool load(KaPath path, TiXmlDocument& document, KaString& text);
    bool del(KaPath path);

    void init(const KaPath& path);
    void freeBuffer();

    // Takes the save folder's "lock" file for this process: false when
    // another process holds it. The lock goes with the process (a copy that
    // crashed leaves none behind); a folder where no lock can be made does
    // not stop the game (true, with a console line).
    bool lock();
    // Lets the lock go; nothing when none is held.
    void unlock();

private:
    int mLockFile = -1;
};

extern KaSingleton<KaBackup> backupManager;

// The absolute path of a file in the save folder, creating the folder when it
// is missing; empty (with a message) when there is no application-support
// folder or no application name.
//
// The folder comes from the core's template, by default
// "$(NSApplicationSupportDirectory)/$(APPNAME)": the first token is the
// user's data folder (KaGetApplicationSupportDirectory), the second the
// core's application name.
KaPath KaGetBackupPath(const KaPath& relativePath);

#endif
