#include "game/api/YieldedCallback.h"

#include "engine/script/KaLuaThread.h"

KaArray<YieldedCallback> yieldedCallbacks;

bool resumeYieldedCallback(const KaString& event, const KaString* param)
{
    for (unsigned long i = 0; i < yieldedCallbacks.size(); ++i) {
        const YieldedCallback& record = yieldedCallbacks[i];
        if (record.event != event || (param && record.param1 != *param))
            continue;
        KaLuaThread* thread = record.thread;
        yieldedCallbacks.removeFastAt(i);
        if (!thread)
            return false;
        // The thread may wait again, or warp, before resume returns: the
        // list was left consistent first.
        thread->resume();
        return true;
    }
    return false;
}
