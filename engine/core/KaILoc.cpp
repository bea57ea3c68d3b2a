#include "engine/core/KaILoc.h"

KaILoc::KaILoc() = default;

KaILoc::~KaILoc() { mTable.clear(); }

const KaString* KaILoc::text(const KaString& key) const
{
    KaMap<KaString, KaILocData>::KaIterator entry = mTable.find(key);
    if (entry == mTable.end())
        return nullptr;
    return &entry->value.value;
}
