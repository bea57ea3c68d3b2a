#include <gtest/gtest.h>

#include "engine/base/KaReferencesCounter.h"
#include "engine/containers/KaIntrusivePtr.h"
#include "engine/containers/KaSingleton.h"
#include "engine/containers/KaSmartPointer.h"

namespace {

struct Counted : public KaReferencesCounter {
    static int deleted;
    int deleterCalls = 0;
    int otherDeleterCalls = 0;
    virtual ~Counted() { ++deleted; }
    void onLastRelease() { ++deleterCalls; }
    void onLastReleaseOther() { ++otherDeleterCalls; }
};
int Counted::deleted = 0;

} // namespace

TEST(KaSmartPointer, CountsAndDeletesOnce)
{
    Counted::deleted = 0;
    Counted* object = new Counted();
    {
        KaSmartPointer<Counted> a(object);
        EXPECT_EQ(object->counter(), 1u);
        {
            KaSmartPointer<Counted> b(a);
            EXPECT_EQ(object->counter(), 2u);
        }
        EXPECT_EQ(Counted::deleted, 0);
    }
    EXPECT_EQ(Counted::deleted, 1);
}

TEST(KaSmartPointer, SmartCopyOfTheHeldObjectKeepsIt)
{
    Counted::deleted = 0;
    KaSmartPointer<Counted> a(new Counted());
    Counted* raw = a.get();
    a.smartCopy(raw);
    a = a;
    EXPECT_EQ(Counted::deleted, 0);
    EXPECT_EQ(raw->counter(), 1u);
    a.smartCopy(nullptr);
    EXPECT_EQ(Counted::deleted, 1);
    EXPECT_EQ(a.get(), nullptr);
}

TEST(KaSmartPointer, PointerIsEmptyWhileThePointeeDies)
{
    bool seenEmpty = false;
    struct Probe : public KaReferencesCounter {
        KaSmartPointer<Probe>* holder;
        bool* result;
        Probe(KaSmartPointer<Probe>* h, bool* r) : holder(h), result(r) {}
        virtual ~Probe() { *result = holder->get() == nullptr; }
    };
    KaSmartPointer<Probe> p;
    p = new Probe(&p, &seenEmpty);
    p.destroy();
    EXPECT_TRUE(seenEmpty);
}

TEST(KaIntrusivePtr, DeleterReplacesDeletion)
{
    Counted::deleted = 0;
    Counted object; // on the stack: a deleter must not delete it
    object.incrementCounter();
    {
        KaIntrusivePtr<Counted> p(&object);
        p.setDeleter(&Counted::onLastRelease);
        KaIntrusivePtr<Counted> copy(p);
        EXPECT_EQ(copy.deleter(), p.deleter());
        object.decrementCounter(); // drop the test's own reference
        copy.release();
        EXPECT_EQ(object.deleterCalls, 0);
    }
    EXPECT_EQ(object.deleterCalls, 1);
    EXPECT_EQ(Counted::deleted, 0);
}

TEST(KaIntrusivePtr, AssignmentCarriesTheDeleterOnlyFromASourceWithOne)
{
    Counted::deleted = 0;
    Counted first, second, third;
    KaIntrusivePtr<Counted> owner;
    owner.setDeleter(&Counted::onLastRelease);
    KaIntrusivePtr<Counted> plain(&first);
    owner = plain;
    EXPECT_EQ(owner.deleter(), &Counted::onLastRelease);
    KaIntrusivePtr<Counted> other(&second);
    other.setDeleter(&Counted::onLastReleaseOther);
    owner = other;
    EXPECT_EQ(owner.deleter(), &Counted::onLastReleaseOther);
    owner = &third;
    EXPECT_EQ(owner.deleter(), &Counted::onLastReleaseOther);
    owner = &third; // same pointer: nothing
    EXPECT_EQ(third.counter(), 1u);
    owner = owner;
    EXPECT_EQ(third.counter(), 1u);
    owner.release();
    EXPECT_EQ(third.otherDeleterCalls, 1);
    EXPECT_EQ(owner.get(), nullptr);
    plain.setDeleter(&Counted::onLastRelease);
    other.setDeleter(&Counted::onLastRelease);
}

TEST(KaIntrusivePtr, ReleaseOfAnUncountedObjectDoesNothing)
{
    Counted::deleted = 0;
    Counted object;
    KaIntrusivePtr<Counted> p;
    p = &object;
    object.decrementCounter(); // count back to 0 behind the pointer's back
    p.release();
    EXPECT_EQ(Counted::deleted, 0);
    EXPECT_EQ(p.get(), nullptr);
}

namespace {
struct Service {
    static int built;
    static int destroyedWhileReachable;
    static KaSingleton<Service>* holder;
    Service() { ++built; }
    ~Service()
    {
        if (holder && holder->get() == this)
            ++destroyedWhileReachable;
    }
};
int Service::built = 0;
int Service::destroyedWhileReachable = 0;
KaSingleton<Service>* Service::holder = nullptr;
} // namespace

TEST(KaSingleton, CreatesOnFirstGetAndAgainAfterDestroy)
{
    KaSingleton<Service> holder;
    Service::holder = &holder;
    holder.destroy(); // empty holder: stays empty
    EXPECT_FALSE(holder.exists());
    Service* a = holder.get();
    EXPECT_EQ(holder.get(), a);
    EXPECT_EQ(Service::built, 1);
    holder.destroy();
    EXPECT_EQ(Service::destroyedWhileReachable, 1) << "the dying instance is still the holder's during its destructor";
    EXPECT_FALSE(holder.exists());
    holder.get();
    EXPECT_EQ(Service::built, 2);
    holder.destroy();
    Service::holder = nullptr;
}
