#include "engine/containers/KaList.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/engine/containers/KaInstrumented.h"

namespace {

typedef KaList<int> IntList;
typedef IntList::KaIterator IntIterator;

IntList makeList(const std::vector<int>& values)
{
    IntList list;
    for (int value : values)
        list.pushBack(value);
    return list;
}

std::vector<int> valuesOf(const IntList& list)
{
    std::vector<int> values;
    for (IntIterator it = list.firstElement(); it != list.end(); ++it)
        values.push_back(*it);
    return values;
}

// The same elements walked backwards through the previous links: catches a
// removal or insertion that repairs only one direction.
std::vector<int> valuesBackwards(const IntList& list)
{
    std::vector<int> values;
    for (KaNode<int>* node = list.lastElement().node(); node != list.begin().node(); node = node->previous)
        values.insert(values.begin(), node->value);
    return values;
}

void expectContents(const IntList& list, const std::vector<int>& expected)
{
    EXPECT_EQ(valuesOf(list), expected);
    EXPECT_EQ(valuesBackwards(list), expected);
    EXPECT_EQ(list.count(), expected.size());
}

// An iterator standing on the element at index (0 = first element).
IntIterator at(const IntList& list, int index)
{
    IntIterator it = list.firstElement();
    for (int k = 0; k < index; ++k)
        ++it;
    return it;
}

TEST(KaList, EmptyListHasNothingToVisit)
{
    IntList list;
    EXPECT_EQ(list.count(), 0u);
    EXPECT_TRUE(list.isEmpty());
    EXPECT_TRUE(list.firstElement() == list.end());
    EXPECT_TRUE(list.lastElement() == list.begin());
    EXPECT_TRUE(list.begin() != list.end());
    EXPECT_TRUE(list.find(3) == list.end());

    IntIterator it = list.begin();
    ++it;
    EXPECT_TRUE(it == list.end());

    list.clear();
    EXPECT_FALSE(list.remove(3));
    expectContents(list, {});
}

TEST(KaList, PushBackKeepsOrderInBothDirections)
{
    IntList list = makeList({ 1, 2, 3 });
    expectContents(list, { 1, 2, 3 });
    EXPECT_EQ(*list.firstElement(), 1);
    EXPECT_EQ(*list.lastElement(), 3);
    EXPECT_EQ(*list.find(2), 2);
    EXPECT_TRUE(list.find(4) == list.end());
}

TEST(KaList, RemovingTheNodeUnderAnIteratorMovesItToThePredecessor)
{
    IntList list = makeList({ 10, 20, 30 });
    IntIterator it = list.find(20); // returned by value: must be registered all the same
    IntIterator second = it;        // a copy on the same node
    IntIterator postfixCopy = it++; // what postfix ++ hands back is registered too
    it = second;

    list.remove(it.node());

    for (const IntIterator* moved : { &it, &second, &postfixCopy }) {
        EXPECT_EQ(**moved, 10);
        EXPECT_EQ(moved->node(), list.firstElement().node());
    }
    ++it;
    EXPECT_EQ(*it, 30);
    expectContents(list, { 10, 30 });
}

TEST(KaList, RemovingTheOnlyElementPutsTheIteratorOnTheHeadSentinel)
{
    IntList list = makeList({ 7 });
    IntIterator it = list.firstElement();
    list.remove(it.node());

    EXPECT_TRUE(it == list.begin());
    ++it;
    EXPECT_TRUE(it == list.end());
    expectContents(list, {});
}

TEST(KaList, IteratorsOnOtherNodesDoNotMove)
{
    IntList list = makeList({ 1, 2, 3, 4 });
    IntIterator onFirst = at(list, 0);
    IntIterator onThird = at(list, 2);
    IntIterator onLast = at(list, 3);

    list.remove(at(list, 1).node());

    EXPECT_EQ(*onFirst, 1);
    EXPECT_EQ(*onThird, 3);
    EXPECT_EQ(*onLast, 4);
    EXPECT_TRUE(list.begin().node() != list.firstElement().node());
    expectContents(list, { 1, 3, 4 });
}

TEST(KaList, PruningWhileIteratingVisitsEveryElementOnce)
{
    struct Case {
        const char* name;
        std::function<bool(int)> unwanted;
        std::vector<int> kept;
    };
    const std::vector<int> original = { 1, 2, 3, 4, 5, 6 };
    const Case cases[] = {
        { "everything", [](int) { return true; }, {} },
        { "nothing", [](int) { return false; }, original },
        { "even values", [](int v) { return v % 2 == 0; }, { 1, 3, 5 } },
        { "odd values", [](int v) { return v % 2 != 0; }, { 2, 4, 6 } },
        { "first only", [](int v) { return v == 1; }, { 2, 3, 4, 5, 6 } },
        { "last only", [](int v) { return v == 6; }, { 1, 2, 3, 4, 5 } },
        { "a run in the middle", [](int v) { return v >= 3 && v <= 5; }, { 1, 2, 6 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IntList list = makeList(original);
        std::vector<int> visited;
        for (IntIterator it = list.firstElement(); it != list.end(); ++it) {
            visited.push_back(*it);
            if (c.unwanted(*it))
                list.remove(it.node());
        }
        EXPECT_EQ(visited, original);
        expectContents(list, c.kept);
    }
}

TEST(KaList, RemovingASentinelChangesNothing)
{
    IntList list = makeList({ 1, 2 });
    IntIterator begin = list.begin();
    IntIterator end = list.end();

    list.remove(begin.node());
    list.remove(end.node());
    list.remove(static_cast<KaNode<int>*>(nullptr));

    expectContents(list, { 1, 2 });
    EXPECT_TRUE(begin == list.begin());
    EXPECT_TRUE(end == list.end());
}

TEST(KaList, RemoveByValueTakesTheFirstOccurrenceOnly)
{
    IntList list = makeList({ 5, 1, 5, 2 });
    IntIterator onSecondFive = at(list, 2);

    EXPECT_TRUE(list.remove(5));
    expectContents(list, { 1, 5, 2 });
    EXPECT_EQ(*onSecondFive, 5);
    EXPECT_EQ(onSecondFive.node(), at(list, 1).node());

    EXPECT_FALSE(list.remove(9));
    expectContents(list, { 1, 5, 2 });

    EXPECT_EQ(list.find(5).node(), onSecondFive.node());
}

TEST(KaList, AdvancingPastTheEndStaysOnTheTail)
{
    IntList list = makeList({ 1 });
    IntIterator it = list.end();
    ++it;
    EXPECT_TRUE(it == list.end());

    IntIterator before = it++;
    EXPECT_TRUE(before == list.end());
    EXPECT_TRUE(it == list.end());
}

TEST(KaList, IteratorOnTheLastElementReachesALaterPushBack)
{
    IntList list = makeList({ 1, 2 });
    IntIterator it = list.lastElement();
    list.pushBack(3);
    ++it;
    EXPECT_EQ(*it, 3);
    ++it;
    EXPECT_TRUE(it == list.end());
}

TEST(KaList, ClearLeavesEveryIteratorOnASentinel)
{
    IntList list = makeList({ 1, 2, 3 });
    IntIterator onFirst = at(list, 0);
    IntIterator onLast = at(list, 2);
    IntIterator twiceOnMiddle = at(list, 1);
    IntIterator alsoOnMiddle = twiceOnMiddle;
    IntIterator onEnd = list.end();

    list.clear();

    expectContents(list, {});
    for (const IntIterator* it : { &onFirst, &onLast, &twiceOnMiddle, &alsoOnMiddle })
        EXPECT_TRUE(*it == list.begin());
    EXPECT_TRUE(onEnd == list.end());

    // The list is usable again and the old iterators walk into it.
    list.pushBack(4);
    ++onFirst;
    EXPECT_EQ(*onFirst, 4);
    expectContents(list, { 4 });
}

TEST(KaList, CopiesAreDeepAndIndependent)
{
    IntList source = makeList({ 1, 2, 3 });

    IntList copied(source);
    IntList assigned = makeList({ 9, 9 });
    assigned = source;

    for (IntList* copy : { &copied, &assigned }) {
        expectContents(*copy, { 1, 2, 3 });
        EXPECT_NE(copy->firstElement().node(), source.firstElement().node());
        copy->pushBack(4);
        copy->remove(1);
        expectContents(*copy, { 2, 3, 4 });
    }
    expectContents(source, { 1, 2, 3 });

    assigned = IntList();
    expectContents(assigned, {});
}

TEST(KaList, CopiesSharePointedToObjects)
{
    int a = 1;
    int b = 2;
    KaList<int*> source;
    source.pushBack(&a);
    source.pushBack(&b);

    KaList<int*> copy(source);
    EXPECT_EQ(*copy.firstElement(), &a);
    EXPECT_EQ(*copy.lastElement(), &b);
    copy.clear();
    EXPECT_EQ(a, 1); // clearing a list of pointers touches nothing they point to
}

TEST(KaList, AppendAddsTheOtherListAtTheEnd)
{
    IntList a = makeList({ 1, 2 });
    IntList b = makeList({ 3, 4 });
    IntIterator onLastOfA = a.lastElement();

    a += b;
    expectContents(a, { 1, 2, 3, 4 });
    expectContents(b, { 3, 4 });
    ++onLastOfA;
    EXPECT_EQ(*onLastOfA, 3);

    a += IntList();
    expectContents(a, { 1, 2, 3, 4 });
}

TEST(KaList, SelfAssignmentAndSelfAppendLoseNothing)
{
    IntList list = makeList({ 1, 2, 3 });
    IntList& same = list;
    IntIterator onMiddle = at(list, 1);

    list = same;
    expectContents(list, { 1, 2, 3 });
    EXPECT_EQ(*onMiddle, 2);

    list += same;
    expectContents(list, { 1, 2, 3, 1, 2, 3 });

    IntList empty;
    IntList& sameEmpty = empty;
    empty += sameEmpty;
    expectContents(empty, {});
}

TEST(KaList, IteratorsLeaveTheChainInAnyOrder)
{
    // Iterators are created on every element and destroyed in an order that
    // unlinks from the chain's front, middle and back. Those left must still
    // be found and moved by later removals.
    IntList list = makeList({ 1, 2, 3, 4, 5, 6 });
    std::vector<std::unique_ptr<IntIterator>> iterators;
    for (int k = 0; k < 6; ++k)
        iterators.emplace_back(new IntIterator(at(list, k)));
    std::unique_ptr<IntIterator> copyOfThird(new IntIterator(*iterators[2]));

    iterators[5].reset(); // joined last, so first in the chain
    iterators[0].reset(); // joined first, so at the far end
    iterators[2].reset(); // the copy sits right after it
    iterators[3].reset();

    list.remove(copyOfThird->node());
    list.remove(iterators[1]->node());
    list.remove(iterators[4]->node());

    EXPECT_TRUE(*copyOfThird == list.firstElement());
    EXPECT_TRUE(*iterators[1] == list.firstElement());
    EXPECT_EQ(**iterators[4], 4);
    expectContents(list, { 1, 4, 6 });
}

TEST(KaList, AssignedIteratorMovesToTheOtherListsChain)
{
    IntList b = makeList({ 20, 21, 22 });
    IntIterator watcher = b.firstElement();
    IntIterator it = b.lastElement();
    IntIterator unplaced;
    EXPECT_EQ(unplaced.list(), nullptr);
    {
        IntList a = makeList({ 10 });
        IntIterator onA = a.firstElement();
        it = onA;
        EXPECT_EQ(it.list(), &a);
        a.remove(onA.node());
        EXPECT_TRUE(it == a.begin());

        it = b.lastElement();
        unplaced = it;
        IntIterator& sameIterator = it;
        it = sameIterator; // self-assignment keeps its place
    }
    // a is gone: neither iterator may still be registered with it, and b's
    // chain must have kept its other iterators while it was away.
    EXPECT_EQ(it.list(), &b);
    EXPECT_EQ(*it, 22);

    b.remove(watcher.node());
    EXPECT_TRUE(watcher == b.begin());
    b.remove(it.node());
    EXPECT_EQ(*it, 21);
    EXPECT_EQ(*unplaced, 21);
    expectContents(b, { 21 });
}

TEST(KaList, IteratorsThatOutliveTheirListAreCutLoose)
{
    std::unique_ptr<IntList> list(new IntList());
    list->pushBack(1);
    IntIterator survivor = list->firstElement();
    IntIterator onEnd = list->end();

    list.reset();

    EXPECT_EQ(survivor.list(), nullptr);
    EXPECT_EQ(onEnd.list(), nullptr);
    IntIterator copy(survivor);
    EXPECT_EQ(copy.list(), nullptr);
    // Leaving the scope destroys them without touching the freed list.
}

TEST(KaList, EveryElementIsDestroyedExactlyOnce)
{
    typedef KaList<KaInstrumented> TrackedList;
    KaInstrumented::sLive = 0;
    {
        TrackedList list;
        const int sentinels = KaInstrumented::sLive;
        EXPECT_EQ(sentinels, 2);

        for (int v = 1; v <= 5; ++v)
            list.pushBack(KaInstrumented(v));
        EXPECT_EQ(KaInstrumented::sLive, sentinels + 5);

        list.pushBack(*list.firstElement()); // a value taken from the list itself
        EXPECT_EQ(list.lastElement()->value(), 1);
        EXPECT_EQ(KaInstrumented::sLive, sentinels + 6);

        // The value handed over is the element being removed.
        TrackedList::KaIterator third = list.firstElement();
        ++third;
        ++third;
        EXPECT_TRUE(list.remove(*third));
        EXPECT_EQ(third->value(), 2);
        EXPECT_EQ(KaInstrumented::sLive, sentinels + 5);

        list.remove(third.node());
        EXPECT_EQ(KaInstrumented::sLive, sentinels + 4);

        {
            TrackedList copy(list);
            TrackedList& same = copy;
            copy = same;
            copy += same;
            EXPECT_EQ(copy.count(), 8u);
            EXPECT_EQ(KaInstrumented::sLive, 2 * sentinels + 4 + 8);
            copy = list;
            EXPECT_EQ(KaInstrumented::sLive, 2 * sentinels + 4 + 4);
        }
        EXPECT_EQ(KaInstrumented::sLive, sentinels + 4);

        list.clear();
        EXPECT_EQ(KaInstrumented::sLive, sentinels);
        list.pushBack(KaInstrumented(9));
    }
    EXPECT_EQ(KaInstrumented::sLive, 0);
}

} // namespace
