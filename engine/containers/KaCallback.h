#ifndef KA_CALLBACK_H
#define KA_CALLBACK_H

#include <cmath>
#include <typeinfo>

#include "engine/base/KaReferencesCounter.h"
#include "engine/containers/KaSmartPointer.h"

// A callback binds one bool-returning member function of one object with a
// float priority. Signals keep their listeners as counted pointers to
// callbacks and call them by descending priority until one returns true.
// A callback never owns, counts or checks the object it is bound to.
//
// The arities share one template; the engine's names are aliases:
//   KaICallback0Param, KaICallback1Param<P>, KaICallback2Param<P1, P2>
//   KaCallback0Param<T>, KaCallback1Param<P, T>, KaCallback2Param<P1, P2, T>
template <class... Args>
class KaICallback : public KaReferencesCounter {
public:
    virtual ~KaICallback() = default;
    virtual bool call(Args... args) = 0;
    virtual void setPriority(float priority) = 0;
    virtual float priority() const = 0;
    // Same class, same object, same member function; the priority is ignored.
    virtual bool isEqual(KaICallback& other) = 0;
    // Same class and same object.
    virtual bool isObjectEqual(KaICallback& other) = 0;
};

template <class T, class... Args>
class KaBoundCallback : public KaICallback<Args...> {
public:
    typedef bool (T::*Method)(Args...);

    KaBoundCallback(T* object, Method method, float priority)
        : mObject(object), mMethod(method), mPriority(priority)
    {
    }

    bool call(Args... args) override { return (mObject->*mMethod)(static_cast<Args>(args)...); }
    void setPriority(float priority) override { mPriority = priority; }
    float priority() const override { return mPriority; }

    bool isEqual(KaICallback<Args...>& other) override
    {
        KaBoundCallback* same = sameClass(other);
        return same && same->mObject == mObject && same->mMethod == mMethod;
    }

    bool isObjectEqual(KaICallback<Args...>& other) override
    {
        KaBoundCallback* same = sameClass(other);
        return same && same->mObject == mObject;
    }

    T* object() const { return mObject; }

private:
    KaBoundCallback* sameClass(KaICallback<Args...>& other)
    {
        return typeid(other) == typeid(*this) ? static_cast<KaBoundCallback*>(&other) : nullptr;
    }

    T* mObject;
    Method mMethod;
    float mPriority;
};

typedef KaICallback<> KaICallback0Param;
template <class P>
using KaICallback1Param = KaICallback<P>;
template <class P1, class P2>
using KaICallback2Param = KaICallback<P1, P2>;

template <class T>
using KaCallback0Param = KaBoundCallback<T>;
template <class P, class T>
using KaCallback1Param = KaBoundCallback<T, P>;
template <class P1, class P2, class T>
using KaCallback2Param = KaBoundCallback<T, P1, P2>;

// Orders callbacks for a sort: -1 when a comes first (higher priority),
// 0 for equal priorities, 1 otherwise. A NaN priority sorts after every
// number and equal to another NaN, so the order is consistent.
template <class... Args>
int compareKaICallback(const KaSmartPointer<KaICallback<Args...> >& a, const KaSmartPointer<KaICallback<Args...> >& b)
{
    float pa = a->priority();
    float pb = b->priority();
    bool nanA = std::isnan(pa);
    bool nanB = std::isnan(pb);
    if (nanA || nanB)
        return nanA == nanB ? 0 : (nanA ? 1 : -1);
    if (pa > pb)
        return -1;
    return pa == pb ? 0 : 1;
}

inline int compareKaICallback0Param(const KaSmartPointer<KaICallback0Param>& a, const KaSmartPointer<KaICallback0Param>& b)
{
    return compareKaICallback(a, b);
}
template <class P>
int compareKaICallback1Param(const KaSmartPointer<KaICallback1Param<P> >& a, const KaSmartPointer<KaICallback1Param<P> >& b)
{
    return compareKaICallback(a, b);
}
template <class P1, class P2>
int compareKaICallback2Param(const KaSmartPointer<KaICallback2Param<P1, P2> >& a,
    const KaSmartPointer<KaICallback2Param<P1, P2> >& b)
{
    return compareKaICallback(a, b);
}

#endif
