#include "engine/script/KaLuaContext.h"

KaLuaContext::KaLuaContext()
    : mImplementation(new KaCountedLuaContext)
{
}

KaLuaContext::~KaLuaContext()
{
    destroy();
    mImplementation.destroy();
}

void KaLuaContext::create()
{
    if (mImplementation)
        mImplementation->create();
}

void KaLuaContext::destroy()
{
    if (mImplementation)
        mImplementation->destroy();
}

bool KaLuaContext::isCreated() const { return mImplementation && mImplementation->isCreated(); }

lua_State* KaLuaContext::luaState() const { return mImplementation ? mImplementation->luaState() : nullptr; }

void KaLuaContext::addBindings(BindingsOpener opener)
{
    if (mImplementation)
        mImplementation->addBindings(opener);
}

void KaLuaContext::registerCFunction(const KaString& name, lua_CFunction function)
{
    if (mImplementation)
        mImplementation->registerCFunction(name, function);
}

void* KaLuaContext::fromRegistry(const char* key) const
{
    return mImplementation ? mImplementation->fromRegistry(key) : nullptr;
}

void KaLuaContext::setGlobal(const KaString& name, bool value)
{
    if (mImplementation)
        mImplementation->setGlobal(name, value);
}

void KaLuaContext::setGlobal(const KaString& name, int value)
{
    if (mImplementation)
        mImplementation->setGlobal(name, value);
}

void KaLuaContext::setGlobal(const KaString& name, const KaString& value)
{
    if (mImplementation)
        mImplementation->setGlobal(name, value);
}

void KaLuaContext::markGlobals()
{
    if (mImplementation)
        mImplementation->markGlobals();
}

void KaLuaContext::dropGlobalsSinceMark()
{
    if (mImplementation)
        mImplementation->dropGlobalsSinceMark();
}

void KaLuaContext::removeGlobal(const KaString& name)
{
    if (mImplementation)
        mImplementation->removeGlobal(name);
}

KaVariant KaLuaContext::global(const KaString& name) const
{
    return mImplementation ? mImplementation->global(name) : KaVariant();
}

bool KaLuaContext::global(const KaString& name, bool& value) const
{
    return mImplementation && mImplementation->global(name, value);
}

bool KaLuaContext::global(const KaString& name, KaString& value) const
{
    return mImplementation && mImplementation->global(name, value);
}

bool KaLuaContext::global(const KaString& name, int& value) const
{
    return mImplementation && mImplementation->global(name, value);
}

bool KaLuaContext::global(const KaString& name, float& value) const
{
    return mImplementation && mImplementation->global(name, value);
}

void KaLuaContext::save(TiXmlNode& node) const
{
    if (mImplementation)
        mImplementation->save(node);
}

void KaLuaContext::load(TiXmlNode& node)
{
    if (mImplementation)
        mImplementation->load(node);
}
