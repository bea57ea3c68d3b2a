#include <gtest/gtest.h>

#include "engine/base/KaReferencesCounter.h"
#include "engine/base/KaStd.h"
#include "tests/support/KaTestSupport.h"

TEST(KaStd, StrstrCases)
{
    struct Case {
        const char* haystack;
        const char* needle;
        long expected; // offset, or -1 for no match
    } cases[] = {
        { "hello", "", 0 },
        { "", "a", -1 },
        { "", "", 0 },
        { "hello", "llo", 2 },
        { "hello", "lo!", -1 },
        { "aaab", "aab", 1 },
        { "abc", "abcd", -1 },
        { "xyzxyz", "z", 2 },
    };
    for (const Case& c : cases) {
        const char* found = KaStrstr(c.haystack, c.needle);
        long offset = found ? static_cast<long>(found - c.haystack) : -1;
        EXPECT_EQ(offset, c.expected) << c.haystack << " / " << c.needle;
    }
}

TEST(KaStd, StrlenOfNullIsZero)
{
    EXPECT_EQ(KaStrlen(nullptr), 0u);
    EXPECT_EQ(KaStrlen("abc"), 3u);
}

TEST(KaStd, SprintfNeverWritesPastSize)
{
    char buffer[8];
    KaMemset(buffer, 'x', sizeof buffer);
    int count = KaSprintf(buffer, 4, "%s", "abcdef");
    EXPECT_EQ(count, 6);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(buffer[4], 'x');
}

TEST(KaStd, PrintfWritesExactlyTheText)
{
    KaCaptureStdout capture;
    EXPECT_EQ(KaPrintf("abc"), 3);
    EXPECT_EQ(consolePrintf("[X::y] %d\n", 42), 10);
    EXPECT_EQ(capture.text(), "abc[X::y] 42\n");
}

TEST(KaStd, LastErrorRoundTrip)
{
    KaSetLastError(7);
    EXPECT_EQ(KaGetLastError(), 7);
    KaSetLastError(0);
}

TEST(KaReferencesCounter, NeverGoesBelowZero)
{
    KaReferencesCounter counter;
    EXPECT_EQ(counter.counter(), 0u);
    EXPECT_FALSE(counter.decrementCounter());
    EXPECT_EQ(counter.counter(), 0u);
    counter.incrementCounter();
    counter.incrementCounter();
    EXPECT_FALSE(counter.decrementCounter());
    EXPECT_EQ(counter.counter(), 1u);
    EXPECT_TRUE(counter.decrementCounter());
    EXPECT_FALSE(counter.decrementCounter());
    counter.incrementCounter();
    counter.resetCounter();
    EXPECT_EQ(counter.counter(), 0u);
}

TEST(KaReferencesCounter, CopyStartsUncounted)
{
    KaReferencesCounter counter;
    counter.incrementCounter();
    KaReferencesCounter copy(counter);
    EXPECT_EQ(copy.counter(), 0u);
}
