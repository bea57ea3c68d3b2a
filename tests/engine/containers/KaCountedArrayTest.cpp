#include <gtest/gtest.h>

#include <vector>

#include "engine/containers/KaCountedArray.h"
#include "engine/containers/KaSmartPointer.h"
#include "tests/engine/containers/KaTracked.h"

namespace {

typedef KaCountedArray<KaTracked> Storage;

std::vector<int> values(const Storage& a)
{
    std::vector<int> out;
    for (unsigned long i = 0; i < a.size(); ++i)
        out.push_back(a[i].value);
    return out;
}

class KaCountedArrayTest : public ::testing::Test {
protected:
    void SetUp() override { KaTracked::reset(); }
    void TearDown() override { EXPECT_EQ(KaTracked::alive(), 0) << "an element leaked or died twice"; }
};

} // namespace

// The count belongs to the counted pointers alone: a new storage is unheld,
// each pointer that takes it adds one, and the last one to let go deletes it
// with its elements, the elements first and in index order, then its own
// default element.
TEST_F(KaCountedArrayTest, LivesExactlyAsLongAsItsLastPointer)
{
    Storage* storage = new Storage();
    EXPECT_EQ(0u, storage->counter());
    storage->pushBack(KaTracked(1));
    storage->pushBack(KaTracked(2));
    storage->pushBack(KaTracked(3));

    KaSmartPointer<Storage> first(storage);
    EXPECT_EQ(1u, storage->counter());
    {
        KaSmartPointer<Storage> second(first);
        KaSmartPointer<Storage> third;
        third = second;
        EXPECT_EQ(3u, storage->counter());
        third = storage; // the same storage again: the count is unchanged
        EXPECT_EQ(3u, storage->counter());
    }
    EXPECT_EQ(1u, storage->counter());
    EXPECT_EQ((std::vector<int> { 1, 2, 3 }), values(*first));

    KaTracked::destroyed.clear();
    first = KaSmartPointer<Storage>();
    EXPECT_EQ((std::vector<int> { 1, 2, 3, -1 }), KaTracked::destroyed);
}

// A copy is a new, unshared storage: the count is not copied (even from a
// storage held three times), the elements are copied once each with the
// capacity trimmed to the size, and the default element is made afresh.
TEST_F(KaCountedArrayTest, ACopyStartsUnheldWithItsOwnElements)
{
    KaSmartPointer<Storage> original(new Storage());
    KaSmartPointer<Storage> sharing1(original), sharing2(original);
    original->reserve(10);
    for (int v : { 4, 5, 6, 7 })
        original->pushBack(KaTracked(v));
    ASSERT_EQ(3u, original->counter());

    const int copies = KaTracked::copies;
    const int constructions = KaTracked::constructions;
    Storage* copy = new Storage(*original);
    EXPECT_EQ(0u, copy->counter());
    EXPECT_EQ(3u, original->counter());
    EXPECT_EQ(4u, copy->size());
    EXPECT_EQ(4u, copy->capacity());
    EXPECT_EQ(copies + 4, KaTracked::copies) << "one copy per element, none of the default element";
    EXPECT_EQ(constructions + 5, KaTracked::constructions) << "the four elements and a fresh default element";
    EXPECT_EQ(-1, copy->elementOrDefault(4).value);

    KaSmartPointer<Storage> held(copy);
    EXPECT_EQ(1u, copy->counter());
    (*held)[0].value = 40;
    EXPECT_EQ((std::vector<int> { 40, 5, 6, 7 }), values(*held));
    EXPECT_EQ((std::vector<int> { 4, 5, 6, 7 }), values(*original));
}

// Growth through a shared storage moves its elements by bytes: every holder
// sees the grown buffer, and no element is copied but the new ones.
TEST_F(KaCountedArrayTest, HoldersShareOneBufferThroughGrowthAndRemoval)
{
    KaSmartPointer<Storage> a(new Storage());
    KaSmartPointer<Storage> b(a);
    a->pushBack(KaTracked(1));
    const int copies = KaTracked::copies;
    for (int v = 2; v <= 6; ++v)
        b->pushBack(KaTracked(v));
    a->removeFastAt(0);
    EXPECT_EQ(copies + 5, KaTracked::copies);
    EXPECT_EQ(a.get(), b.get());
    EXPECT_EQ((std::vector<int> { 6, 2, 3, 4, 5 }), values(*a));
    EXPECT_EQ(6u, b->capacity()) << "removal keeps the room";
}

// The storage's destructor is virtual, so a counted storage released through
// its storage base still destroys every element.
TEST_F(KaCountedArrayTest, DeletedThroughItsStorageBase)
{
    Storage* storage = new Storage();
    storage->pushBack(KaTracked(8));
    storage->pushBack(KaTracked(9));
    KaArrayImplementation<KaTracked>* base = storage;
    KaTracked::destroyed.clear();
    delete base;
    EXPECT_EQ((std::vector<int> { 8, 9, -1 }), KaTracked::destroyed);
}
