#ifndef LOC_FILE_H
#define LOC_FILE_H

#include "engine/core/KaILoc.h"

// The game's table of localised texts, read from one XML file of entries
// <value name="key" value="text" avatar="picture"/> ("dialog" and "text"
// elements are entries too). The application registers it with the core
// (KaCore::addLoc), through which texts resolve their "$(key)".
class LocFile : public KaILoc {
public:
    LocFile();
    // Unregisters itself from the core when it is the core's table.
    ~LocFile() override;

    // Empties the table and reads the file. Reading starts at the first
    // top-level "value" element: entries before it are not read. A file
    // that cannot be read leaves the table empty.
    void load(KaString path);

    // The entry's text, or null when the key is not in the table.
    const KaString* value(const KaString& key) const;
    // The entry's avatar, or null when the key is not in the table.
    const KaString* avatar(const KaString& key) const;

    // The entries in file order (the game walks dialog runs through it).
    const KaMap<KaString, KaILocData>& table() const { return mTable; }
};

#endif
