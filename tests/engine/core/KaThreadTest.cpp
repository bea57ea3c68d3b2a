#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "engine/core/KaMutex.h"
#include "engine/core/KaThread.h"
#include "engine/core/KaTimer.h"
#include "tests/support/KaTestSupport.h"

namespace {

// Runs a function on its thread.
class FunctionThread : public KaThread {
public:
    explicit FunctionThread(std::function<void(FunctionThread&)> work)
        : mWork(std::move(work))
    {
    }
    ~FunctionThread() override
    {
        stop();
        waitForTerminate();
    }

protected:
    void entry() override { mWork(*this); }

private:
    std::function<void(FunctionThread&)> mWork;
};

// Records the runs of entry(), each polling the stop request until asked.
class PollingThread : public KaThread {
public:
    ~PollingThread() override
    {
        stop();
        waitForTerminate();
    }

    std::vector<std::string> events()
    {
        mEventsMutex.lock();
        std::vector<std::string> copy = mEvents;
        mEventsMutex.unlock();
        return copy;
    }

    std::atomic<int> mPasses { 0 };

protected:
    void entry() override
    {
        record(isStopRequested() ? "begin with stop request" : "begin");
        while (!isStopRequested()) {
            ++mPasses;
            KaSleep(1);
        }
        record("end");
    }

private:
    void record(const std::string& event)
    {
        mEventsMutex.lock();
        mEvents.push_back(event);
        mEventsMutex.unlock();
    }

    KaMutex mEventsMutex;
    std::vector<std::string> mEvents;
};

// Bounded wait for work on another thread, in short sleeps.
template <class Condition> bool waitFor(Condition condition)
{
    for (int i = 0; i < 5000; ++i) {
        if (condition())
            return true;
        KaSleep(1);
    }
    return condition();
}

// Whether another thread manages to take the mutex (and gives it back).
bool otherThreadCanLock(KaMutex& mutex)
{
    std::atomic<bool> taken { false };
    FunctionThread other([&](FunctionThread&) {
        if (mutex.tryLock()) {
            taken = true;
            mutex.unlock();
        }
    });
    other.start();
    other.waitForTerminate();
    return taken;
}

} // namespace

TEST(KaThreadTest, StartRunsEntryUntilStopped)
{
    KaCaptureStdout capture;
    PollingThread thread;
    thread.start();
    EXPECT_TRUE(thread.isAttached());
    EXPECT_TRUE(thread.isRunning());
    EXPECT_FALSE(thread.isStopRequested());
    ASSERT_TRUE(waitFor([&] { return thread.mPasses > 0; }));

    thread.stop();
    EXPECT_TRUE(thread.isStopRequested());
    thread.waitForTerminate();
    EXPECT_FALSE(thread.isAttached());
    EXPECT_EQ(thread.events(), (std::vector<std::string> { "begin", "end" }));
    EXPECT_EQ(capture.text(), "");
}

TEST(KaThreadTest, WaitWithoutAThreadDoesNothing)
{
    KaCaptureStdout capture;
    PollingThread thread;
    thread.waitForTerminate();
    thread.priority(0.5f);
    EXPECT_FALSE(thread.isAttached());
    EXPECT_FALSE(thread.isRunning());
    EXPECT_TRUE(thread.events().empty());
    EXPECT_EQ(capture.text(), "");
}

TEST(KaThreadTest, SecondStartJoinsTheFirstRun)
{
    PollingThread thread;
    thread.start();
    ASSERT_TRUE(waitFor([&] { return thread.mPasses > 0; }));
    thread.start();
    ASSERT_TRUE(thread.isAttached());
    // The first run ended before the second began, and the second did not
    // inherit the stop request that ended the first.
    ASSERT_TRUE(waitFor([&] { return thread.events().size() >= 3; }));
    EXPECT_EQ(thread.events(), (std::vector<std::string> { "begin", "end", "begin" }));
    EXPECT_FALSE(thread.isStopRequested());
    thread.stop();
    thread.waitForTerminate();
    EXPECT_EQ(thread.events().size(), 4u);
}

TEST(KaMutexTest, RecursiveLockIsFreeAfterAsManyUnlocks)
{
    KaMutex mutex;
    EXPECT_TRUE(otherThreadCanLock(mutex));
    mutex.lock();
    mutex.lock();
    EXPECT_TRUE(mutex.tryLock()) << "the holder may always take it again";
    EXPECT_FALSE(otherThreadCanLock(mutex));
    mutex.unlock();
    mutex.unlock();
    EXPECT_FALSE(otherThreadCanLock(mutex)) << "still held once";
    mutex.unlock();
    EXPECT_TRUE(otherThreadCanLock(mutex));
}

TEST(KaMutexTest, SerialisesThreads)
{
    KaMutex mutex;
    long counter = 0;
    auto work = [&](FunctionThread&) {
        for (int i = 0; i < 20000; ++i) {
            mutex.lock();
            mutex.lock();
            ++counter;
            mutex.unlock();
            mutex.unlock();
        }
    };
    FunctionThread first(work);
    FunctionThread second(work);
    first.start();
    second.start();
    first.waitForTerminate();
    second.waitForTerminate();
    EXPECT_EQ(counter, 40000);
}
