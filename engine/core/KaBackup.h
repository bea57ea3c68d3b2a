#ifndef KA_BACKUP_H
#define KA_BACKUP_H

#include <tinyxml.h>

#include "engine/containers/KaSingleton.h"
#include "engine/core/KaPath.h"

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
    // file as it was.
    bool save(KaPath path, TiXmlDocument& document);
    bool del(KaPath path);

    void init(const KaPath& path);
    void freeBuffer();
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
