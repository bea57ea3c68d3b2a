#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "engine/containers/KaSignal.h"

namespace {

// A listener that logs its name when called and answers a set result.
struct Listener {
    std::vector<std::string>* log;
    std::string name;
    bool result = false;
    Listener(std::vector<std::string>* l, std::string n) : log(l), name(std::move(n)) {}
    bool on0()
    {
        log->push_back(name);
        return result;
    }
    bool other0()
    {
        log->push_back(name + "*");
        return result;
    }
    bool on1(int& value)
    {
        log->push_back(name);
        ++value;
        return result;
    }
    bool on2(int a, std::string b)
    {
        log->push_back(name + ":" + std::to_string(a) + b);
        b = "changed";
        return result;
    }
};

struct OtherListener {
    bool on0() { return false; }
};

} // namespace

TEST(KaCallback, EqualityIgnoresPriorityAndRequiresTheSameClass)
{
    std::vector<std::string> log;
    Listener a(&log, "a");
    KaCallback0Param<Listener> c0(&a, &Listener::on0, 0.0f);
    KaCallback0Param<Listener> c5(&a, &Listener::on0, 5.0f);
    KaCallback0Param<Listener> otherMethod(&a, &Listener::other0, 0.0f);
    OtherListener o;
    KaCallback0Param<OtherListener> otherClass(&o, &OtherListener::on0, 0.0f);
    EXPECT_TRUE(c0.isEqual(c5));
    EXPECT_TRUE(c5.isEqual(c0));
    EXPECT_TRUE(c0.isObjectEqual(c5));
    EXPECT_FALSE(c0.isEqual(otherMethod));
    EXPECT_TRUE(c0.isObjectEqual(otherMethod));
    EXPECT_FALSE(c0.isEqual(otherClass));
    EXPECT_FALSE(c0.isObjectEqual(otherClass));
    c0.setPriority(7.0f);
    EXPECT_EQ(c0.priority(), 7.0f);
}

TEST(KaCallback, ComparisonOrdersByDescendingPriority)
{
    struct Case {
        float a, b;
        int expected;
    } cases[] = {
        { 5, 3, -1 },
        { 3, 5, 1 },
        { 2, 2, 0 },
        { 0, -10000, -1 },
        { std::numeric_limits<float>::max(), 0, -1 },
        { NAN, 0, 1 },
        { 0, NAN, -1 },
        { NAN, NAN, 0 },
    };
    std::vector<std::string> log;
    Listener l(&log, "l");
    for (const Case& c : cases) {
        KaSmartPointer<KaICallback0Param> a(new KaCallback0Param<Listener>(&l, &Listener::on0, c.a));
        KaSmartPointer<KaICallback0Param> b(new KaCallback0Param<Listener>(&l, &Listener::on0, c.b));
        EXPECT_EQ(compareKaICallback0Param(a, b), c.expected) << c.a << " vs " << c.b;
    }
}

TEST(KaSignal, EmptySignalHandlesNothing)
{
    KaSignal0Param s;
    EXPECT_FALSE(s.call());
}

TEST(KaSignal, CallsInDescendingPriorityUntilHandled)
{
    std::vector<std::string> log;
    Listener p1(&log, "1"), p2(&log, "2"), p3(&log, "3");
    KaSignal0Param s;
    s.add(&p1, &Listener::on0, 1.0f);
    s.add(&p3, &Listener::on0, 3.0f);
    s.add(&p2, &Listener::on0, 2.0f);
    EXPECT_FALSE(s.call());
    EXPECT_EQ(log, (std::vector<std::string> { "3", "2", "1" }));
    log.clear();
    p2.result = true;
    EXPECT_TRUE(s.call());
    EXPECT_EQ(log, (std::vector<std::string> { "3", "2" }));
}

TEST(KaSignal, ZeroArgumentSignalAppendsUntilEmitted)
{
    std::vector<std::string> log;
    Listener a(&log, "a"), b(&log, "b");
    KaSignal0Param s;
    s.add(&a, &Listener::on0, 1.0f);
    s.add(&b, &Listener::on0, 2.0f);
    EXPECT_EQ(s.callbacks()[0]->priority(), 1.0f);
    s.call();
    EXPECT_EQ(s.callbacks()[0]->priority(), 2.0f);
    KaSmartPointer<KaICallback0Param> none;
    s.add(none);
    EXPECT_EQ(s.size(), 2u);
}

TEST(KaSignal, OneArgumentSignalInsertsAfterEqualPriorities)
{
    std::vector<std::string> log;
    Listener a(&log, "5"), b(&log, "0a"), c(&log, "0b"), d(&log, "0c"), e(&log, "3");
    KaSignal1Param<int&> s;
    s.add(&a, &Listener::on1, 5.0f);
    s.add(&b, &Listener::on1, 0.0f);
    s.add(&c, &Listener::on1, 0.0f);
    s.add(&d, &Listener::on1);
    s.add(&e, &Listener::on1, 3.0f);
    int value = 0;
    s.call(value);
    EXPECT_EQ(log, (std::vector<std::string> { "5", "3", "0a", "0b", "0c" }));
    EXPECT_EQ(value, 5) << "a reference argument is one object for every callback and the emitter";
}

TEST(KaSignal, EqualPrioritiesKeepTheirOrderOnEveryEmission)
{
    std::vector<std::string> log;
    std::vector<Listener> listeners;
    for (int i = 0; i < 12; ++i)
        listeners.emplace_back(&log, std::to_string(i));
    KaSignal0Param s;
    // Interleave priorities so that the zero-argument signal must really sort.
    for (int i = 0; i < 12; ++i)
        s.add(&listeners[i], &Listener::on0, i % 3 == 0 ? NAN : static_cast<float>(i % 2));
    s.call();
    std::vector<std::string> first = log;
    EXPECT_EQ(first, (std::vector<std::string> { "1", "5", "7", "11", "2", "4", "8", "10", "0", "3", "6", "9" }));
    log.clear();
    s.call();
    EXPECT_EQ(log, first);
}

TEST(KaSignal, ByValueArgumentsAreCopiedPerCall)
{
    std::vector<std::string> log;
    Listener a(&log, "a"), b(&log, "b");
    KaSignal2Param<int, std::string> s;
    s.add(&a, &Listener::on2);
    s.add(&b, &Listener::on2);
    std::string text = "x";
    s.call(4, text);
    EXPECT_EQ(log, (std::vector<std::string> { "a:4x", "b:4x" }));
    EXPECT_EQ(text, "x");
}

TEST(KaSignal, RemovalRules)
{
    std::vector<std::string> log;
    Listener a(&log, "a");
    KaSignal0Param s;
    s.add(&a, &Listener::on0, 1.0f);
    s.add(&a, &Listener::on0, 2.0f);
    s.call();
    EXPECT_EQ(log.size(), 2u) << "no duplicate check";
    s.remove(&a, &Listener::on0, 99.0f); // the priority plays no part
    EXPECT_EQ(s.size(), 1u);
    EXPECT_EQ(s.callbacks().constData()[0].get() != nullptr, true);
    EXPECT_EQ(s.callbacks().capacity(), 1u) << "the storage is shrunk after a removal";
    s.remove(&a, &Listener::other0); // not there: nothing
    EXPECT_EQ(s.size(), 1u);

    // By pointer: the very callback wins over an earlier equal one.
    KaSignal0Param t;
    t.add(&a, &Listener::on0, 5.0f);
    KaSmartPointer<KaICallback0Param> mine(new KaCallback0Param<Listener>(&a, &Listener::on0, 1.0f));
    t.add(mine);
    t.remove(mine);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t.callbacks()[0]->priority(), 5.0f);
    EXPECT_EQ(mine->counter(), 1u);
}

namespace {

struct Reentrant {
    std::vector<std::string>* log;
    KaSignal0Param* signal;
    KaSmartPointer<KaICallback0Param> victim;
    Listener* late = nullptr;
    int depth = 0;
    Reentrant(std::vector<std::string>* l, KaSignal0Param* s) : log(l), signal(s) {}
    bool removeLater()
    {
        log->push_back("remover");
        signal->remove(victim);
        return false;
    }
    bool addHigher()
    {
        log->push_back("adder");
        if (late) {
            signal->add(late, &Listener::on0, 100.0f);
            late = nullptr;
        }
        return false;
    }
    bool emitAgain()
    {
        log->push_back("emitter" + std::to_string(depth));
        if (depth++ == 0)
            signal->call();
        return false;
    }
};

struct Owner {
    KaSignal0Param signal;
};

struct Destroyer {
    Owner* owner;
    int calls = 0;
    bool destroy()
    {
        ++calls;
        delete owner;
        owner = nullptr;
        return true;
    }
};

} // namespace

TEST(KaSignal, ARemovedCallbackStillRunsInTheCurrentEmission)
{
    std::vector<std::string> log;
    KaSignal0Param s;
    Reentrant r(&log, &s);
    Listener later(&log, "later");
    r.victim = new KaCallback0Param<Listener>(&later, &Listener::on0, 1.0f);
    s.add(&r, &Reentrant::removeLater, 2.0f);
    s.add(r.victim);
    KaICallback0Param* victim = r.victim.get();
    r.victim.destroy(); // only the signal holds it now
    r.victim = victim;
    s.call();
    EXPECT_EQ(log, (std::vector<std::string> { "remover", "later" }));
    log.clear();
    s.call();
    EXPECT_EQ(log, (std::vector<std::string> { "remover" }));
}

TEST(KaSignal, AnAddedCallbackRunsFromTheNextEmission)
{
    std::vector<std::string> log;
    KaSignal0Param s;
    Listener late(&log, "late");
    Reentrant r(&log, &s);
    r.late = &late;
    s.add(&r, &Reentrant::addHigher);
    s.call();
    EXPECT_EQ(log, (std::vector<std::string> { "adder" }));
    log.clear();
    s.call();
    EXPECT_EQ(log, (std::vector<std::string> { "late", "adder" }));
}

TEST(KaSignal, NestedEmissionRunsTheWholeCurrentList)
{
    std::vector<std::string> log;
    KaSignal0Param s;
    Listener tail(&log, "tail");
    Reentrant r(&log, &s);
    s.add(&r, &Reentrant::emitAgain, 1.0f);
    s.add(&tail, &Listener::on0, 0.0f);
    s.call();
    EXPECT_EQ(log, (std::vector<std::string> { "emitter0", "emitter1", "tail", "tail" }));
}

TEST(KaSignal, ACallbackMayDestroyTheSignal)
{
    std::vector<std::string> log;
    Owner* owner = new Owner();
    Destroyer d { owner };
    Listener after(&log, "after");
    owner->signal.add(&d, &Destroyer::destroy, 1.0f);
    owner->signal.add(&after, &Listener::on0, 0.0f);
    EXPECT_TRUE(owner->signal.call());
    EXPECT_EQ(d.calls, 1);
    EXPECT_TRUE(log.empty());
}
