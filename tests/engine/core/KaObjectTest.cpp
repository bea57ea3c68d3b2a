#include <gtest/gtest.h>

#include <vector>

#include "engine/containers/KaIntrusivePtr.h"
#include "engine/base/KaReferencesCounter.h"
#include "engine/core/KaObject.h"

namespace {

std::vector<int> order;

struct Doomed : public KaObject, public KaReferencesCounter {
    int id;
    Doomed* queueOnDeath = nullptr;
    bool requeueSelf = false;
    explicit Doomed(int i) : id(i) {}
    ~Doomed() override
    {
        order.push_back(id);
        if (queueOnDeath)
            queueOnDeath->deleteLater();
        if (requeueSelf)
            deleteLater();
    }
};

class KaObjectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        KaObject::deleteNow();
        order.clear();
    }
};

} // namespace

TEST_F(KaObjectTest, EmptyQueueDoesNothing)
{
    KaObject::deleteNow();
    EXPECT_EQ(KaObject::pendingDeleteCount(), 0u);
    EXPECT_TRUE(order.empty());
}

TEST_F(KaObjectTest, DestroysFirstThenFromTheBack)
{
    for (int i = 1; i <= 4; ++i)
        (new Doomed(i))->deleteLater();
    EXPECT_TRUE(order.empty()) << "queued objects live until the end of the frame";
    KaObject::deleteNow();
    EXPECT_EQ(order, (std::vector<int> { 1, 4, 3, 2 }));
    EXPECT_EQ(KaObject::pendingDeleteCount(), 0u);
}

TEST_F(KaObjectTest, ObjectsQueuedByDestructorsGoInTheSamePass)
{
    Doomed* second = new Doomed(2);
    Doomed* first = new Doomed(1);
    first->queueOnDeath = second;
    (new Doomed(0))->deleteLater();
    first->deleteLater();
    KaObject::deleteNow();
    EXPECT_EQ(order, (std::vector<int> { 0, 1, 2 }));
    EXPECT_EQ(KaObject::pendingDeleteCount(), 0u);
}

TEST_F(KaObjectTest, QueuingTwiceDestroysOnce)
{
    Doomed* d = new Doomed(7);
    d->requeueSelf = true; // also queued again from its own destructor
    d->deleteLater();
    (new Doomed(8))->deleteLater();
    d->deleteLater();
    KaObject::deleteNow();
    EXPECT_EQ(order, (std::vector<int> { 7, 8 }));
}

TEST_F(KaObjectTest, IntrusivePointerWithDeleteLaterDefersDestruction)
{
    Doomed* d = new Doomed(3);
    {
        KaIntrusivePtr<Doomed> p;
        p.setDeleter(&KaObject::deleteLater);
        p = d;
        KaIntrusivePtr<Doomed> q(p);
        (void)q;
    }
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(KaObject::pendingDeleteCount(), 1u);
    KaObject::deleteNow();
    EXPECT_EQ(order, (std::vector<int> { 3 }));
}
