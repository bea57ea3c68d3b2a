#include "engine/containers/KaMap.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "engine/base/KaReferencesCounter.h"
#include "engine/containers/KaIntrusivePtr.h"
#include "tests/engine/containers/KaInstrumented.h"

namespace {

typedef KaMap<std::string, int> NameMap;
typedef std::vector<std::pair<std::string, int>> Records;

Records recordsOf(const NameMap& map)
{
    Records records;
    for (NameMap::KaIterator it = map.firstElement(); it != map.end(); ++it)
        records.emplace_back(it->key, it->value);
    return records;
}

NameMap makeMap(const Records& records)
{
    NameMap map;
    for (const auto& record : records)
        map.pushBack(record.first, record.second);
    return map;
}

TEST(KaMap, EmptyMapFindsNothing)
{
    NameMap map;
    EXPECT_TRUE(map.find("a") == map.end());
    EXPECT_TRUE(map.find("") == map.end()); // the head sentinel's empty key is never matched
    EXPECT_TRUE(map.firstElement() == map.end());
    EXPECT_TRUE(map.lastElement() == map.begin());
    NameMap::KaIterator it = map.begin();
    ++it;
    EXPECT_TRUE(it == map.end());
    EXPECT_EQ(map.count(), 0u);
}

TEST(KaMap, RecordsComeBackInInsertionOrder)
{
    NameMap map = makeMap({ { "c", 3 }, { "a", 1 }, { "b", 2 } });

    // A loop from begin() meets the head sentinel's record first, with an empty key.
    NameMap::KaIterator it = map.begin();
    EXPECT_EQ(it->key, "");
    Records visited;
    for (++it; it != map.end(); it++)
        visited.emplace_back(it->key, it->value);

    const Records expected = { { "c", 3 }, { "a", 1 }, { "b", 2 } };
    EXPECT_EQ(visited, expected);
    EXPECT_EQ(recordsOf(map), expected);
    EXPECT_EQ(map.firstElement()->key, "c");
    EXPECT_EQ(map.lastElement()->key, "b");
    EXPECT_EQ(map.count(), 3u);
}

TEST(KaMap, FindReturnsTheFirstRecordOfAKey)
{
    struct Case {
        const char* key;
        int expected; // -1: absent
    };
    const NameMap map = makeMap({ { "x", 1 }, { "Key", 10 }, { "y", 5 }, { "x", 2 }, { "key", 20 }, { "x", 3 } });
    const Case cases[] = {
        { "x", 1 },    // duplicates: the one added first wins
        { "Key", 10 }, // case matters
        { "key", 20 },
        { "KEY", -1 },
        { "y", 5 },
        { "", -1 },
        { "x ", -1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        NameMap::KaIterator found = map.find(c.key);
        if (c.expected < 0) {
            EXPECT_TRUE(found == map.end());
        } else {
            ASSERT_TRUE(found != map.end());
            EXPECT_EQ(found->key, c.key);
            EXPECT_EQ(found->value, c.expected);
        }
    }
    // Every duplicate is kept and visited.
    EXPECT_EQ(recordsOf(map).size(), 6u);
}

TEST(KaMap, FoundIteratorCanWriteTheValue)
{
    NameMap map = makeMap({ { "a", 1 }, { "b", 2 } });
    map.find("b")->value = 7;
    const Records expected = { { "a", 1 }, { "b", 7 } };
    EXPECT_EQ(recordsOf(map), expected);
}

TEST(KaMap, PostfixIncrementOnTheTailStaysThere)
{
    NameMap map = makeMap({ { "a", 1 } });
    NameMap::KaIterator it = map.end();
    NameMap::KaIterator before = it++;
    EXPECT_TRUE(before == map.end());
    EXPECT_TRUE(it == map.end());

    NameMap::KaIterator onFirst = map.firstElement();
    before = onFirst++;
    EXPECT_EQ(before->key, "a");
    EXPECT_TRUE(onFirst == map.end());
}

TEST(KaMap, CopiesAreDeepAndIndependent)
{
    const Records original = { { "a", 1 }, { "b", 2 } };
    NameMap source = makeMap(original);

    NameMap copied(source);
    NameMap assigned = makeMap({ { "z", 26 } });
    assigned = source;

    for (NameMap* copy : { &copied, &assigned }) {
        EXPECT_EQ(recordsOf(*copy), original);
        copy->pushBack("c", 3);
        copy->find("a")->value = 100;
    }
    EXPECT_EQ(recordsOf(source), original);
    EXPECT_EQ(recordsOf(copied), recordsOf(assigned));
}

TEST(KaMap, CopiesShareWhatPointerValuesPointTo)
{
    int target = 5;
    KaMap<std::string, int*> source;
    source.pushBack("t", &target);
    KaMap<std::string, int*> copy(source);
    EXPECT_EQ(copy.find("t")->value, &target);
    copy.clear();
    EXPECT_EQ(source.find("t")->value, &target);
}

TEST(KaMap, SelfAssignmentLosesNothing)
{
    const Records original = { { "a", 1 }, { "a", 2 }, { "b", 3 } };
    NameMap map = makeMap(original);
    NameMap& same = map;
    NameMap::KaIterator onSecond = map.find("b");

    map = same;

    EXPECT_EQ(recordsOf(map), original);
    EXPECT_EQ(onSecond->value, 3);
}

TEST(KaMap, ClearPutsIteratorsOnTheHeadSentinel)
{
    NameMap map = makeMap({ { "a", 1 }, { "b", 2 } });
    NameMap::KaIterator found = map.find("b");
    map.clear();

    EXPECT_TRUE(found == map.begin());
    EXPECT_TRUE(map.find("b") == map.end());
    EXPECT_EQ(map.count(), 0u);

    map.pushBack("c", 3);
    ++found;
    EXPECT_EQ(found->key, "c");
}

TEST(KaMap, PointerValuesAreNotOwned)
{
    KaInstrumented::sLive = 0;
    KaInstrumented* a = new KaInstrumented(1);
    KaInstrumented* b = new KaInstrumented(2);
    {
        KaMap<std::string, KaInstrumented*> map;
        map.pushBack("a", a);
        map.pushBack("b", b);
        map.clear();
        map.pushBack("a", a);
    }
    EXPECT_EQ(KaInstrumented::sLive, 2);
    EXPECT_EQ(a->value(), 1);
    EXPECT_EQ(b->value(), 2);
    delete a;
    delete b;
    EXPECT_EQ(KaInstrumented::sLive, 0);
}

TEST(KaMap, EveryRecordIsDestroyedExactlyOnce)
{
    typedef KaMap<std::string, KaInstrumented> TrackedMap;
    KaInstrumented::sLive = 0;
    {
        TrackedMap map;
        const int sentinels = KaInstrumented::sLive;
        map.pushBack("a", KaInstrumented(1));
        map.pushBack("b", KaInstrumented(2));
        map.pushBack("a", KaInstrumented(3));
        EXPECT_EQ(KaInstrumented::sLive, sentinels + 3); // the temporary records are gone

        {
            TrackedMap copy(map);
            TrackedMap& same = copy;
            copy = same;
            EXPECT_EQ(copy.find("b")->value.value(), 2);
            EXPECT_EQ(KaInstrumented::sLive, 2 * sentinels + 6);
        }
        EXPECT_EQ(KaInstrumented::sLive, sentinels + 3);

        map.clear();
        EXPECT_EQ(KaInstrumented::sLive, sentinels);
        map.pushBack("c", KaInstrumented(4));

        TrackedMap* onHeap = new TrackedMap(map);
        delete onHeap; // through the virtual destructor
    }
    EXPECT_EQ(KaInstrumented::sLive, 0);
}

class CountedResource : public KaReferencesCounter {
public:
    explicit CountedResource(int* destroyed) : mDestroyed(destroyed) {}
    virtual ~CountedResource() { ++*mDestroyed; }

private:
    int* mDestroyed;
};

TEST(KaMap, CountedValueHoldsOneReferencePerRecord)
{
    int destroyed = 0;
    KaIntrusivePtr<CountedResource> resource(new CountedResource(&destroyed));
    {
        KaMap<std::string, KaIntrusivePtr<CountedResource>> map;
        map.pushBack("r", resource);
        EXPECT_EQ(resource->counter(), 2u);
        map.pushBack("r again", resource);
        EXPECT_EQ(resource->counter(), 3u);
        map.clear();
        EXPECT_EQ(resource->counter(), 1u);
        map.pushBack("r", resource);
        resource = nullptr;
        EXPECT_EQ(destroyed, 0); // the map's record keeps it alive
        EXPECT_EQ(map.find("r")->value->counter(), 1u);
    }
    EXPECT_EQ(destroyed, 1);
}

} // namespace
