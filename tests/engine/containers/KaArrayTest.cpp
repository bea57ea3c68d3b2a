#include <gtest/gtest.h>

#include <vector>

#include "engine/containers/KaArray.h"
#include "tests/engine/containers/KaTracked.h"

namespace {

template <class T>
std::vector<T> items(const KaArray<T>& a)
{
    return std::vector<T>(a.begin(), a.end());
}

KaArray<int> make(std::vector<int> v)
{
    KaArray<int> a;
    for (int x : v)
        a.pushBack(x);
    return a;
}

} // namespace

TEST(KaArray, AssignmentSharesUntilAWrite)
{
    KaArray<int> a = make({ 1, 2 });
    EXPECT_EQ(a.shareCount(), 1u);
    KaArray<int> b;
    b = a;
    EXPECT_EQ(a.shareCount(), 2u);
    EXPECT_EQ(a.constData(), b.constData());
    a.pushBack(3);
    EXPECT_EQ(a.shareCount(), 1u);
    EXPECT_EQ(b.shareCount(), 1u);
    EXPECT_EQ(items(a), (std::vector<int> { 1, 2, 3 }));
    EXPECT_EQ(items(b), (std::vector<int> { 1, 2 }));
}

TEST(KaArray, CopyConstructionCopiesAtOnce)
{
    KaArray<int> a;
    a.reserve(8);
    a.pushBack(1).pushBack(2);
    KaArray<int> c(a);
    EXPECT_EQ(a.shareCount(), 1u);
    EXPECT_EQ(c.shareCount(), 1u);
    EXPECT_NE(a.constData(), c.constData());
    EXPECT_EQ(c.capacity(), 2u);
}

TEST(KaArray, ReadsThroughConstDoNotDetachWritesDo)
{
    KaArray<int> a = make({ 1, 2 });
    KaArray<int> b;
    b = a;
    const KaArray<int>& cb = b;
    EXPECT_EQ(cb[1], 2);
    EXPECT_EQ(cb.elementOrDefault(9), 0);
    EXPECT_TRUE(a.isShared());
    b[0] = 10;
    EXPECT_FALSE(a.isShared());
    EXPECT_EQ(a[0], 1);
    b = a;
    b.last() = 7;
    EXPECT_EQ(items(a), (std::vector<int> { 1, 2 }));
    EXPECT_EQ(items(b), (std::vector<int> { 1, 7 }));
}

TEST(KaArray, EveryMutationOnASharedArrayLeavesTheOtherAlone)
{
    struct Case {
        const char* what;
        void (*op)(KaArray<int>&);
        std::vector<int> expected;
    } cases[] = {
        { "pushBack", [](KaArray<int>& a) { a.pushBack(9); }, { 1, 2, 3, 4, 9 } },
        { "pushFront", [](KaArray<int>& a) { a.pushFront(9); }, { 9, 1, 2, 3, 4 } },
        { "insert", [](KaArray<int>& a) { a.insert(9, 2); }, { 1, 2, 9, 3, 4 } },
        { "insert run", [](KaArray<int>& a) { const int r[] = { 8, 9 }; a.insert(r, 2, 1); }, { 1, 8, 9, 2, 3, 4 } },
        { "pushBack run", [](KaArray<int>& a) { const int r[] = { 8, 9 }; a.pushBack(r, 2); }, { 1, 2, 3, 4, 8, 9 } },
        { "remove value", [](KaArray<int>& a) { EXPECT_TRUE(a.remove(3)); }, { 1, 2, 4 } },
        { "remove absent value", [](KaArray<int>& a) { EXPECT_FALSE(a.remove(7)); }, { 1, 2, 3, 4 } },
        { "remove range", [](KaArray<int>& a) { a.remove(1, 2); }, { 1, 4 } },
        { "removeAt", [](KaArray<int>& a) { a.removeAt(0); }, { 2, 3, 4 } },
        { "removeEnd", [](KaArray<int>& a) { a.removeEnd(); }, { 1, 2, 3 } },
        { "removeFast", [](KaArray<int>& a) { a.removeFast(1); }, { 4, 2, 3 } },
        { "removeFastAt", [](KaArray<int>& a) { a.removeFastAt(1); }, { 1, 4, 3 } },
        { "resize", [](KaArray<int>& a) { a.resize(2); }, { 1, 2 } },
        { "clear", [](KaArray<int>& a) { a.clear(); }, {} },
        { "copy", [](KaArray<int>& a) { const int r[] = { 5 }; a.copy(r, 1); }, { 5 } },
        { "insert self", [](KaArray<int>& a) { a.insert(a, 1); }, { 1, 1, 2, 3, 4, 2, 3, 4 } },
        { "pushBack own element", [](KaArray<int>& a) { a.pushBack(a[3]); }, { 1, 2, 3, 4, 4 } },
    };
    for (const Case& c : cases) {
        KaArray<int> original = make({ 1, 2, 3, 4 });
        KaArray<int> changed;
        changed = original;
        c.op(changed);
        EXPECT_EQ(items(changed), c.expected) << c.what;
        EXPECT_EQ(items(original), (std::vector<int> { 1, 2, 3, 4 })) << c.what;
        EXPECT_EQ(original.shareCount(), 1u) << c.what;
        EXPECT_EQ(changed.shareCount(), 1u) << c.what;
    }
}

TEST(KaArray, SelfAssignmentAndDetachOnOwned)
{
    KaArray<int> a = make({ 1, 2 });
    const int* data = a.constData();
    a = a;
    a.detach();
    EXPECT_EQ(a.constData(), data);
    EXPECT_EQ(a.shareCount(), 1u);
}

TEST(KaArray, ReserveAvoidsReallocation)
{
    KaArray<int> a;
    a.reserve(10);
    EXPECT_EQ(a.capacity(), 10u);
    EXPECT_EQ(a.size(), 0u);
    a.pushBack(0);
    const int* data = a.constData();
    for (int i = 1; i < 10; ++i)
        a.pushBack(i);
    EXPECT_EQ(a.constData(), data);
    a.reserve(3);
    EXPECT_EQ(a.capacity(), 10u);
}

TEST(KaArray, ClearOwnedReleasesShrinkKeepsSharing)
{
    KaArray<int> a = make({ 1, 2, 3 });
    a.removeEnd();
    KaArray<int> b;
    b = a;
    b.shrink();
    EXPECT_TRUE(a.isShared());
    EXPECT_EQ(a.capacity(), 2u);
    a.clear();
    EXPECT_EQ(items(b), (std::vector<int> { 1, 2 }));
    b.clear();
    EXPECT_EQ(b.capacity(), 0u);
}

TEST(KaArray, ArrayOfArraysCopiesThePushedArray)
{
    KaArray<int> inner = make({ 1 });
    KaArray<KaArray<int> > outer;
    outer.pushBack(inner);
    inner.pushBack(2);
    EXPECT_EQ(outer[0].size(), 1u);
    outer.pushBack(outer[0]);
    outer.removeAt(0);
    EXPECT_EQ(items(outer[0]), (std::vector<int> { 1 }));
}

TEST(KaArray, ElementsLiveExactlyAsLongAsTheirLastHandle)
{
    KaTracked::reset();
    {
        KaArray<KaTracked> a;
        for (int i = 0; i < 4; ++i)
            a.pushBack(KaTracked(i));
        {
            KaArray<KaTracked> b;
            b = a;
        }
        EXPECT_EQ(a.size(), 4u);
        KaTracked::destroyed.clear();
    }
    // The array's own default element goes last.
    EXPECT_EQ(KaTracked::destroyed, (std::vector<int> { 0, 1, 2, 3, -1 }));
    EXPECT_EQ(KaTracked::alive(), 0);
}
