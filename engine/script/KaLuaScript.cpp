#include "engine/script/KaLuaScript.h"

#include "engine/script/KaLuaContext.h"
#include "engine/script/KaLuaThread.h"

KaLuaScript::KaLuaScript()
    : mContext(nullptr)
    , mExecuted(false)
{
}

KaLuaScript::~KaLuaScript() { unload(); }

void KaLuaScript::attachToContext(KaLuaContext& context) { mContext = &context; }

void KaLuaScript::load(const KaString& path)
{
    unload();
    mPath = path;
}

void KaLuaScript::unload()
{
    mPath.clear();
    mExecuted = false;
}

bool KaLuaScript::canRun() const { return mContext && mContext->isCreated(); }

void KaLuaScript::execute()
{
    if (!canRun())
        return;
    if (KaLuaThread* thread = KaLuaThread::create(*mContext)) {
        thread->executeFile(mPath);
        thread->release();
    }
    mExecuted = true;
}

void KaLuaScript::execute(const KaString& function)
{
    if (!canRun())
        return;
    if (KaLuaThread* thread = KaLuaThread::create(*mContext)) {
        thread->execute(function);
        thread->release();
    }
}

void KaLuaScript::execute(const KaString& function, const KaVariant& first)
{
    if (!canRun())
        return;
    if (KaLuaThread* thread = KaLuaThread::create(*mContext)) {
        thread->execute(function, first);
        thread->release();
    }
}

void KaLuaScript::execute(const KaString& function, const KaVariant& first, const KaVariant& second)
{
    if (!canRun())
        return;
    if (KaLuaThread* thread = KaLuaThread::create(*mContext)) {
        thread->execute(function, first, second);
        thread->release();
    }
}

void KaLuaScript::execute(const KaString& function, const KaVariant& first, const KaVariant& second, const KaVariant& third)
{
    if (!canRun())
        return;
    if (KaLuaThread* thread = KaLuaThread::create(*mContext)) {
        thread->execute(function, first, second, third);
        thread->release();
    }
}
