#ifndef KA_LUA_CONTEXT_IMPLEMENTATION_H
#define KA_LUA_CONTEXT_IMPLEMENTATION_H

#include <lua.h>

#include "engine/containers/KaArray.h"
#include "engine/containers/KaSignal.h"
#include "engine/core/KaString.h"
#include "engine/core/KaVariant.h"

class KaLuaThread;
class TiXmlNode;

// One Lua state (every standard library open) and what the engine does with
// it: globals, native functions, binding openers, the save and restore of
// scalar globals.
//
// Every call into Lua that can raise an error (a metamethod on the globals
// table, a binding opener, a memory error) runs protected: an error prints
// one line and the operation gives up, so the panic function is a last resort
// that nothing in the engine reaches.
class KaLuaContextImplementation {
public:
    typedef void (*BindingsOpener)(lua_State*);

    // Opens a state, as create() does.
    KaLuaContextImplementation();
    // Closes an open state.
    virtual ~KaLuaContextImplementation();

    // Opens a new state; a state still open is closed first. Refused while a
    // script of the state runs.
    void create();
    // Closes the state. Its Lua threads go first: each is announced through
    // onThreadDiscarded() (so that whoever waits on it drops its records),
    // then deleted without touching Lua (one its owner has not released yet
    // is left inert for release()). Nothing can resume them afterwards.
    // Called while a script of the state runs (the script ends the game),
    // the context counts as closed at once and closes when the run returns.
    void destroy();
    bool isCreated() const { return mState != nullptr && !mClosePending; }
    lua_State* luaState() const { return mState; }

    void addBindings(BindingsOpener opener);
    void registerCFunction(const KaString& name, lua_CFunction function);
    void setInRegistry(const char* key, void* pointer);
    // The light userdata stored under that key, or null.
    void* fromRegistry(const char* key) const;

    void setGlobal(const KaString& name, bool value);
    void setGlobal(const KaString& name, int value);
    void setGlobal(const KaString& name, const KaString& value);
    void removeGlobal(const KaString& name);

    // Remembers which functions, tables and other objects the globals hold
    // now (replacing an earlier mark). dropGlobalsSinceMark() then puts back
    // every such global that was defined, replaced or removed since, and
    // forgets the mark: what a scene's scripts define goes with the scene.
    // Booleans, numbers and strings are never touched: they are the
    // scripts' memory that a save keeps. Nothing without a mark.
    void markGlobals();
    void dropGlobalsSinceMark();

    // Boolean, 64-bit float or string variant; invalid for anything else.
    KaVariant global(const KaString& name) const;
    // Each returns false, leaving value unchanged, unless the global has the
    // type asked for (a number is not a string, a numeric string not a number).
    bool global(const KaString& name, bool& value) const;
    bool global(const KaString& name, KaString& value) const;
    // The number truncated toward zero.
    bool global(const KaString& name, int& value) const;
    bool global(const KaString& name, float& value) const;

    // Appends one "Boolean", "Number" or "String" element per scalar global
    // whose name is a string.
    void save(TiXmlNode& node) const;
    // Restores what save() wrote. A save is not trusted: only globals that
    // hold nil, a boolean, a number or a string are set, so no save replaces
    // a function, a table or the script API; elements without a name or a
    // usable value are skipped.
    void load(TiXmlNode& node);

    // Emitted for each thread of this context that destroy() deletes, just
    // before it goes.
    KaSignal1Param<KaLuaThread*>& onThreadDiscarded() { return mThreadDiscarded; }
    // The live threads on this context's state.
    const KaArray<KaLuaThread*>& threads() const { return mThreads; }

    // Runs function(state) with data as its one light-userdata argument,
    // protected. On an error prints "<who>: <message>" and returns false.
    // The stack is left as it was.
    bool protectedCall(lua_CFunction function, void* data, const char* who) const;
    static bool protectedCall(lua_State* state, lua_CFunction function, void* data, const char* who);

private:
    friend class KaLuaThread;

    KaLuaContextImplementation(const KaLuaContextImplementation&) = delete;
    KaLuaContextImplementation& operator=(const KaLuaContextImplementation&) = delete;

    // Pushes the global (nil when it cannot be read); false on an error.
    bool pushGlobal(const KaString& name) const;
    bool setGlobalFromTop(const KaString& name, const char* who);

    lua_State* mState;
    // Runs of the state's threads under way (nested ones included).
    int mActiveRuns;
    bool mClosePending;
    KaArray<KaLuaThread*> mThreads;
    KaSignal1Param<KaLuaThread*> mThreadDiscarded;
};

// Prints the error at the top of the stack as "Lua: <message>".
int luaPanicFunction(lua_State* state);

#endif
