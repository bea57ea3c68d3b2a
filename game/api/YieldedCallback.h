#ifndef YIELDED_CALLBACK_H
#define YIELDED_CALLBACK_H

#include "engine/containers/KaArray.h"
#include "engine/containers/KaIsRelocatable.h"
#include "engine/core/KaString.h"

class KaLuaThread;

// One pending wait of a suspended scene script: the Lua thread that waits,
// the event that ends its wait and the parameters that event must carry
// (only the first is ever compared).
struct YieldedCallback {
    KaLuaThread* thread = nullptr; // not owned
    KaString event;
    KaString param1;
    KaString param2;
};
KA_RELOCATABLE(YieldedCallback);

// The pending waits in the order they were made. Never saved, never cleared
// by a scene change: a wait whose event never comes stays for the run.
extern KaArray<YieldedCallback> yieldedCallbacks;

// Raising an event that ends a wait: the first record for that event (and,
// when param is given, with that first parameter) is taken out, the last
// record moving into its place. A record with a thread resumes it and the
// answer is true: the caller then calls no Lua global for the event. False
// when no record matched or the matched one had no thread.
bool resumeYieldedCallback(const KaString& event, const KaString* param);

#endif
