#ifndef SAVE_DOCUMENT_H
#define SAVE_DOCUMENT_H

#include <cstdint>

#include <tinyxml.h>

#include "engine/core/KaString.h"

class KaLuaContext;

// The saved game's own values ("Save" and the elements after "ContextLua"),
// and the whole document read from text and checked before the game takes
// anything from it: a save is a file in the user's folder that a crash may
// have cut short or a hand may have edited, and half a save applied is worse
// than none.
//
// The game writes the elements it owns through write() after the ones the
// inventory, the phone, the dialogs and the Lua state write themselves; read()
// keeps the parsed document so that those parts can be handed their
// elements. Independent of the rest of the game (the fuzz target links it
// alone).
class SaveDocument {
public:
    SaveDocument();
    SaveDocument(const SaveDocument&) = delete;
    SaveDocument& operator=(const SaveDocument&) = delete;

    // Parses text and checks it whole. False, with the reason in reason and
    // nothing kept, for text that is not XML (or nested deeper than the XML
    // loader accepts), that is not UTF-8 unless its declaration names a
    // single-byte encoding, has no "Save" element, holds a
    // value that does not read as its type, a zone or a scene that is not a
    // plain name, an inventory object or a document that is not one, or a
    // saved global that is not a well-formed scalar or that would replace a
    // global of lua that is not one (a function, a table); lua may be null
    // (no such check). A "String" without a value is well-formed: it removes
    // that global.
    bool read(const KaString& text, const KaLuaContext* lua, KaString& reason);

    // Appends "GameVersion" to save.
    static void writeVersion(TiXmlElement& save);
    // Appends "WarpName" to "TutorialActive", in their order, to save.
    void write(TiXmlElement& save) const;
    // The declaration every save is written with: the texts of the game and
    // its scripts are single bytes (ISO-8859-1), kept as they are.
    static TiXmlDeclaration* declaration();

    // Letters, digits and "_" only, at least one: a name that cannot step out
    // of the folder it is looked for in.
    static bool plainName(const KaString& name);

    // The elements that other parts of the game read; null when missing.
    TiXmlElement* inventory() const { return mInventory; }
    TiXmlElement* cellphone() const { return mCellphone; }
    TiXmlElement* dialog() const { return mDialog; }
    TiXmlElement* contextLua() const { return mContextLua; }
    // After "TutorialActive": the documents browser's "DocumentsBrowser" and
    // the objectives' tasks in "Objectives" (older saves have neither).
    TiXmlElement* documentsBrowser() const { return mDocumentsBrowser; }
    TiXmlElement* objectives() const { return mObjectives; }

    int versionMajor;
    int versionMinor;
    bool hasZone;
    KaString zone;
    bool hasScene;
    KaString scene;
    bool hasDifficulty;
    int difficulty;
    bool hasPlayedTime;
    // Whole seconds when written; read as a number of seconds.
    double playedSeconds;
    bool hasObjectsTaken;
    uint32_t objectsTaken;
    uint32_t objectsTakenBits;
    bool hasDialogsTold;
    uint32_t dialogsTold;
    bool hasPreviousScene;
    KaString previousScene;
    KaString music;
    bool hasRunMode;
    KaString runMode;
    bool hasFirstInInventory;
    bool firstInInventory;
    bool hasTutorialActive;
    bool tutorialActive;

private:
    bool readValues(TiXmlElement& save, KaString& reason);
    bool checkInventory(KaString& reason) const;
    bool checkDocuments(KaString& reason) const;
    bool checkGlobals(const KaLuaContext* lua, KaString& reason) const;
    void clear();

    TiXmlDocument mDocument;
    TiXmlElement* mInventory;
    TiXmlElement* mCellphone;
    TiXmlElement* mDialog;
    TiXmlElement* mContextLua;
    TiXmlElement* mDocumentsBrowser;
    TiXmlElement* mObjectives;
};

#endif
