#include <gtest/gtest.h>

#include <vector>

#include "engine/containers/KaArrayImplementation.h"
#include "tests/engine/containers/KaTracked.h"

namespace {

std::vector<int> values(const KaArrayImplementation<KaTracked>& a)
{
    std::vector<int> out;
    for (unsigned long i = 0; i < a.size(); ++i)
        out.push_back(a[i].value);
    return out;
}

KaArrayImplementation<KaTracked>& fill(KaArrayImplementation<KaTracked>& a, std::vector<int> items)
{
    for (int v : items)
        a.pushBack(KaTracked(v));
    return a;
}

class KaArrayImplementationTest : public ::testing::Test {
protected:
    void SetUp() override { KaTracked::reset(); }
    void TearDown() override { EXPECT_EQ(KaTracked::alive(), 0) << "an element leaked or died twice"; }
};

} // namespace

TEST_F(KaArrayImplementationTest, GrowsExactlyAndRelocatesWithoutCopying)
{
    KaArrayImplementation<KaTracked> a;
    fill(a, { 1, 2, 3 });
    EXPECT_EQ(a.size(), 3u);
    EXPECT_EQ(a.capacity(), 3u);
    int copies = KaTracked::copies;
    int assignments = KaTracked::assignments;
    KaTracked four(4);
    a.pushBack(four);
    EXPECT_EQ(a.capacity(), 4u);
    // Only the appended element is copied: growth moves the others by bytes.
    EXPECT_EQ(KaTracked::copies, copies + 1);
    a.insert(KaTracked(0), 0);
    a.removeAt(2);
    EXPECT_EQ(KaTracked::copies, copies + 2);
    EXPECT_EQ(KaTracked::assignments, assignments);
    EXPECT_EQ(values(a), (std::vector<int> { 0, 1, 3, 4 }));
}

TEST_F(KaArrayImplementationTest, InsertAtEndAppendsAndAtZeroShifts)
{
    KaArrayImplementation<KaTracked> a;
    fill(a, { 1, 2 });
    a.insert(KaTracked(3), a.size());
    a.insert(KaTracked(0), 0);
    const KaTracked run[] = { KaTracked(7), KaTracked(8) };
    a.insert(run, 2, 2);
    EXPECT_EQ(values(a), (std::vector<int> { 0, 1, 7, 8, 2, 3 }));
}

TEST_F(KaArrayImplementationTest, ResizeValueInitialisesAndKeepsCapacity)
{
    KaArrayImplementation<unsigned int> a;
    a.resize(5);
    EXPECT_EQ(a.capacity(), 5u);
    for (unsigned long i = 0; i < 5; ++i)
        EXPECT_EQ(a[i], 0u);
    a[4] = 9;
    a.resize(2);
    EXPECT_EQ(a.size(), 2u);
    EXPECT_EQ(a.capacity(), 5u);
    a.resize(4);
    EXPECT_EQ(a[3], 0u) << "a regrown slot is value-initialised, not left over";

    KaArrayImplementation<KaTracked> t;
    fill(t, { 1, 2, 3, 4, 5 });
    KaTracked::destroyed.clear();
    t.resize(2);
    EXPECT_EQ(KaTracked::destroyed, (std::vector<int> { 3, 4, 5 }));
    t.resize(3);
    EXPECT_EQ(t[2].value, -1) << "new elements are default-constructed, not copies of the default element";
}

TEST_F(KaArrayImplementationTest, CopyOfNothingKeepsTheBuffer)
{
    KaArrayImplementation<KaTracked> a;
    fill(a, { 1, 2, 3, 4 });
    a.copy(nullptr, 0);
    EXPECT_EQ(a.size(), 0u);
    EXPECT_EQ(a.capacity(), 4u);
    EXPECT_NE(a.data(), nullptr);
}

TEST_F(KaArrayImplementationTest, CopyConstructorTrimsCapacity)
{
    KaArrayImplementation<KaTracked> a;
    a.reserve(10);
    fill(a, { 1, 2, 3, 4 });
    KaArrayImplementation<KaTracked> b(a);
    EXPECT_EQ(b.size(), 4u);
    EXPECT_EQ(b.capacity(), 4u);
    EXPECT_EQ(b.elementOrDefault(4).value, -1);
    EXPECT_EQ(values(b), values(a));
}

TEST_F(KaArrayImplementationTest, Removals)
{
    struct Case {
        const char* what;
        std::vector<int> start;
        void (*op)(KaArrayImplementation<KaTracked>&);
        std::vector<int> expected;
    } cases[] = {
        { "removeFastAt(1)", { 1, 2, 3, 4 }, [](KaArrayImplementation<KaTracked>& a) { a.removeFastAt(1); }, { 1, 4, 3 } },
        { "removeFastAt(last)", { 1, 2, 3, 4 }, [](KaArrayImplementation<KaTracked>& a) { a.removeFastAt(3); }, { 1, 2, 3 } },
        { "removeFastAt on empty", {}, [](KaArrayImplementation<KaTracked>& a) { a.removeFastAt(5); }, {} },
        { "removeEnd on empty", {}, [](KaArrayImplementation<KaTracked>& a) { a.removeEnd(); }, {} },
        { "removeEnd", { 1, 2 }, [](KaArrayImplementation<KaTracked>& a) { a.removeEnd(); }, { 1 } },
        { "remove first equal", { 5, 6, 5 }, [](KaArrayImplementation<KaTracked>& a) { EXPECT_TRUE(a.remove(KaTracked(5))); }, { 6, 5 } },
        { "remove absent", { 5, 6 }, [](KaArrayImplementation<KaTracked>& a) { EXPECT_FALSE(a.remove(KaTracked(7))); }, { 5, 6 } },
        { "removeFast", { 5, 6, 7, 8 }, [](KaArrayImplementation<KaTracked>& a) { EXPECT_TRUE(a.removeFast(KaTracked(6))); }, { 5, 8, 7 } },
        { "removeRange", { 1, 2, 3, 4 }, [](KaArrayImplementation<KaTracked>& a) { a.removeRange(1, 2); }, { 1, 4 } },
        { "swap", { 1, 2, 3 }, [](KaArrayImplementation<KaTracked>& a) { a.swap(0, 2); }, { 3, 2, 1 } },
        { "swap self", { 1, 2, 3 }, [](KaArrayImplementation<KaTracked>& a) { a.swap(1, 1); }, { 1, 2, 3 } },
    };
    for (const Case& c : cases) {
        KaArrayImplementation<KaTracked> a;
        fill(a, c.start);
        unsigned long capacity = a.capacity();
        c.op(a);
        EXPECT_EQ(values(a), c.expected) << c.what;
        EXPECT_EQ(a.capacity(), capacity) << c.what << ": removals keep the capacity";
    }
}

TEST_F(KaArrayImplementationTest, ShrinkAndClear)
{
    KaArrayImplementation<KaTracked> a;
    fill(a, { 1, 2, 3, 4 });
    a.removeAt(0);
    a.shrink();
    EXPECT_EQ(a.capacity(), 3u);
    KaTracked* buffer = a.data();
    a.shrink();
    EXPECT_EQ(a.data(), buffer);
    KaTracked::destroyed.clear();
    a.clear();
    EXPECT_EQ(KaTracked::destroyed, (std::vector<int> { 2, 3, 4 })) << "ascending order";
    EXPECT_EQ(a.data(), nullptr);
    EXPECT_EQ(a.capacity(), 0u);
    EXPECT_EQ(a.elementOrDefault(0).value, -1);
}

TEST_F(KaArrayImplementationTest, AppendingOwnElementCopiesItFirst)
{
    // The reference points into the buffer that grows: it must be read first.
    KaArrayImplementation<KaTracked> a;
    fill(a, { 1, 2, 3 });
    a.pushBack(a[0]);
    a.insert(a[3], 0);
    a.pushBack(a.data(), a.size());
    a.insert(a.data() + 1, 2, 0);
    a.copy(a.data() + 2, 3);
    EXPECT_EQ(values(a), (std::vector<int> { 1, 1, 2 }));
}
