#ifndef KA_COUNTED_LUA_CONTEXT_H
#define KA_COUNTED_LUA_CONTEXT_H

#include "engine/base/KaReferencesCounter.h"
#include "engine/script/KaLuaContextImplementation.h"

// The implementation as KaLuaContext holds it, through a counted pointer.
class KaCountedLuaContext : public KaLuaContextImplementation, public KaReferencesCounter {
};

#endif
