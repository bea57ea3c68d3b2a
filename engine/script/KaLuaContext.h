#ifndef KA_LUA_CONTEXT_H
#define KA_LUA_CONTEXT_H

#include "engine/containers/KaSmartPointer.h"
#include "engine/script/KaCountedLuaContext.h"

// The handle on one Lua state that the rest of the engine holds by value.
// It is created with an open state; every operation forwards to the
// implementation (see KaLuaContextImplementation).
class KaLuaContext {
public:
    typedef KaLuaContextImplementation::BindingsOpener BindingsOpener;

    KaLuaContext();
    // Closes the state first.
    virtual ~KaLuaContext();

    // Opens a new state (closing one still open).
    void create();
    void destroy();
    bool isCreated() const;
    lua_State* luaState() const;

    void addBindings(BindingsOpener opener);
    void registerCFunction(const KaString& name, lua_CFunction function);
    template <class T>
    void setInRegistry(const char* key, T* pointer)
    {
        if (mImplementation)
            mImplementation->setInRegistry(key, const_cast<void*>(static_cast<const void*>(pointer)));
    }
    void* fromRegistry(const char* key) const;

    void setGlobal(const KaString& name, bool value);
    void setGlobal(const KaString& name, int value);
    void setGlobal(const KaString& name, const KaString& value);
    // A literal is text, not a boolean.
    void setGlobal(const KaString& name, const char* value) { setGlobal(name, KaString(value)); }
    void removeGlobal(const KaString& name);
    // See KaLuaContextImplementation::markGlobals().
    void markGlobals();
    void dropGlobalsSinceMark();

    KaVariant global(const KaString& name) const;
    bool global(const KaString& name, bool& value) const;
    bool global(const KaString& name, KaString& value) const;
    bool global(const KaString& name, int& value) const;
    bool global(const KaString& name, float& value) const;

    void save(TiXmlNode& node) const;
    void load(TiXmlNode& node);

    // See KaLuaContextImplementation::onThreadDiscarded().
    KaSignal1Param<KaLuaThread*>& onThreadDiscarded() { return mImplementation->onThreadDiscarded(); }

    KaCountedLuaContext* implementation() const { return mImplementation.get(); }

private:
    KaLuaContext(const KaLuaContext&) = delete;
    KaLuaContext& operator=(const KaLuaContext&) = delete;

    KaSmartPointer<KaCountedLuaContext> mImplementation;
};

#endif
