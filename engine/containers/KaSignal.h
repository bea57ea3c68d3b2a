#ifndef KA_SIGNAL_H
#define KA_SIGNAL_H

#include "engine/containers/KaArray.h"
#include "engine/containers/KaCallback.h"

template <class T>
struct KaNonDeduced {
    typedef T Type;
};

// An event source with prioritised listeners. call() offers the event to the
// callbacks in descending priority until one returns true (handled).
//
// Every emission sorts the list and then works on a snapshot of it, so a
// callback may add or remove callbacks, emit the same signal again, or even
// destroy the signal's owner: a callback added during an emission is first
// called at the next one, and one removed during an emission is still called
// in it when its turn has not come.
//
// Adding: the zero-argument signal appends (it is ordered at the next
// emission); the one- and two-argument signals insert after every callback of
// equal or higher priority. Nothing checks for duplicates.
//
// The engine's names are aliases: KaSignal0Param, KaSignal1Param<P>,
// KaSignal2Param<P1, P2>. Main thread only.
template <class... Args>
class KaSignal {
public:
    typedef KaICallback<Args...> Callback;
    typedef KaSmartPointer<Callback> CallbackPointer;

    static constexpr float mDefaultPriority = 0.0f;

    template <class T>
    void add(typename KaNonDeduced<T>::Type* object, bool (T::*method)(Args...), float priority = mDefaultPriority)
    {
        CallbackPointer callback(new KaBoundCallback<T, Args...>(object, method, priority));
        add(callback);
    }

    void add(const CallbackPointer& callback)
    {
        if (!callback)
            return;
        if (sizeof...(Args) == 0) {
            mCallbacks.pushBack(callback);
            return;
        }
        float priority = callback->priority();
        unsigned long count = mCallbacks.size();
        unsigned long index = 0;
        while (index < count && !(mCallbacks.elementOrDefault(index)->priority() < priority))
            ++index;
        mCallbacks.insert(callback, index);
    }

    // Removes one entry bound to that object and member function, whatever
    // its priority.
    template <class T>
    void remove(typename KaNonDeduced<T>::Type* object, bool (T::*method)(Args...), float priority = mDefaultPriority)
    {
        CallbackPointer probe(new KaBoundCallback<T, Args...>(object, method, priority));
        remove(probe);
    }

    // Removes at most one entry: the very same callback if it is there,
    // otherwise the first one isEqual to it.
    void remove(const CallbackPointer& callback)
    {
        if (!callback)
            return;
        const KaArray<CallbackPointer>& entries = mCallbacks;
        unsigned long count = entries.size();
        long found = entries.indexOf(callback);
        for (unsigned long i = 0; found < 0 && i < count; ++i) {
            if (callback->isEqual(*entries[i]))
                found = static_cast<long>(i);
        }
        if (found < 0)
            return;
        mCallbacks.removeAt(static_cast<unsigned long>(found));
        mCallbacks.shrink();
    }

    bool call(Args... args)
    {
        sortByPriority();
        // The snapshot shares the sorted storage and is only read: a callback
        // that changes the list makes the signal copy it (copy on write), and
        // one that destroys the signal leaves the snapshot's references alive.
        // From here on only the snapshot is touched.
        KaArray<CallbackPointer> shared;
        shared = mCallbacks;
        const KaArray<CallbackPointer>& snapshot = shared;
        for (unsigned long i = 0; i < snapshot.size(); ++i) {
            if (snapshot[i]->call(args...))
                return true;
        }
        return false;
    }

    unsigned long size() const { return mCallbacks.size(); }
    const KaArray<CallbackPointer>& callbacks() const { return mCallbacks; }

private:
    // Stable sort by descending priority (NaN last): equal priorities keep
    // their order, so emissions are the same from run to run. Each priority is
    // asked once per emission, and a list already in order is left alone.
    void sortByPriority()
    {
        unsigned long count = mCallbacks.size();
        if (count < 2)
            return;
        const KaArray<CallbackPointer>& entries = mCallbacks;
        bool sorted = true;
        for (unsigned long i = 1; sorted && i < count; ++i)
            sorted = compareKaICallback(entries[i - 1], entries[i]) <= 0;
        if (sorted)
            return;

        struct Key {
            float priority;
            unsigned long index;
        };
        KaArrayImplementation<Key> keys;
        keys.resize(count);
        for (unsigned long i = 0; i < count; ++i)
            keys[i] = Key { entries[i]->priority(), i };
        for (unsigned long i = 1; i < count; ++i) {
            Key key = keys[i];
            unsigned long j = i;
            while (j > 0 && before(key.priority, keys[j - 1].priority)) {
                keys[j] = keys[j - 1];
                --j;
            }
            keys[j] = key;
        }
        KaArray<CallbackPointer> ordered;
        ordered.reserve(count);
        for (unsigned long i = 0; i < count; ++i)
            ordered.pushBack(entries[keys[i].index]);
        mCallbacks = ordered;
    }

    static bool before(float a, float b)
    {
        if (std::isnan(a))
            return false;
        return std::isnan(b) || a > b;
    }

    KaArray<CallbackPointer> mCallbacks;
};

typedef KaSignal<> KaSignal0Param;
template <class P>
using KaSignal1Param = KaSignal<P>;
template <class P1, class P2>
using KaSignal2Param = KaSignal<P1, P2>;

#endif
