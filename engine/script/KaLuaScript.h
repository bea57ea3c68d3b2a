#ifndef KA_LUA_SCRIPT_H
#define KA_LUA_SCRIPT_H

#include "engine/core/KaPath.h"
#include "engine/core/KaVariant.h"

class KaLuaContext;

// A script file bound to a context. Every run (the file, or one of its
// global functions) happens in a Lua thread of its own, released at once:
// a run that suspends itself lives on until it is resumed to its end.
class KaLuaScript {
public:
    KaLuaScript();
    virtual ~KaLuaScript();

    // Not owned.
    void attachToContext(KaLuaContext& context);
    // Keeps the path; nothing is read before execute().
    void load(const KaString& path);
    void unload();

    // Runs the file. Nothing without an attached context whose state is open.
    void execute();
    // Calls one global function with up to three arguments.
    void execute(const KaString& function);
    void execute(const KaString& function, const KaVariant& first);
    void execute(const KaString& function, const KaVariant& first, const KaVariant& second);
    void execute(const KaString& function, const KaVariant& first, const KaVariant& second, const KaVariant& third);

    const KaPath& path() const { return mPath; }
    KaLuaContext* context() const { return mContext; }
    bool executed() const { return mExecuted; }

private:
    KaLuaScript(const KaLuaScript&) = delete;
    KaLuaScript& operator=(const KaLuaScript&) = delete;

    bool canRun() const;

    KaPath mPath;
    KaLuaContext* mContext;
    bool mExecuted;
};

#endif
