#ifndef KA_I_LOC_H
#define KA_I_LOC_H

#include "engine/containers/KaMap.h"
#include "engine/core/KaString.h"

// One entry of a localisation table.
class KaILocData {
public:
    KaString name;
    KaString value;
    KaString avatar;
};

// A localisation table: key to entry, in the order the entries were added.
// The application's loader fills mTable and registers the table with the
// core, through which text layouts resolve the keys written between "$("
// and ")".
class KaILoc {
public:
    KaILoc();
    virtual ~KaILoc();

    // The value of the first entry added under that key, or null. The pointer
    // stays valid while the entry is in the table.
    const KaString* text(const KaString& key) const;

protected:
    KaMap<KaString, KaILocData> mTable;
};

#endif
