#include <gtest/gtest.h>

#include <cmath>

#include "engine/input/KaScreen.h"

namespace {

struct UnlockProbe {
    int calls = 0;
    bool onUnlock()
    {
        ++calls;
        return false;
    }
};

} // namespace

TEST(KaScreenTest, NewScreenHasNoSizeAndAnOpaqueBlackClearColour)
{
    KaScreen screen;
    EXPECT_EQ(screen.getSize(), KaVector3f32(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(screen.clearColor(), KaColor(0, 0, 0, 255));
}

TEST(KaScreenTest, DefaultScreenIsOneInstanceThatKeepsItsSize)
{
    KaScreen* screen = defaultScreen.get();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(defaultScreen.get(), screen);
    const KaVector3f32 saved = screen->getSize();
    screen->setSize(KaVector3f32(1024.0f, 768.5f, 100.0f));
    EXPECT_EQ(defaultScreen.get()->getSize(), KaVector3f32(1024.0f, 768.5f, 100.0f));
    screen->setSize(saved);
}

TEST(KaScreenTest, ClearColourTakesTheIntegerPartOfEachChannel)
{
    struct Case {
        float r, g, b, a;
        KaColor expected;
    };
    const Case cases[] = {
        { 1.0f, 0.5f, 0.0f, 0.999f, KaColor(255, 127, 0, 254) },
        { 0.0f, 0.0f, 0.0f, 1.0f, KaColor(0, 0, 0, 255) },
        // Out of range: the low byte of the integer part, never undefined.
        { 2.0f, -1.0f, 1e30f, std::nanf(""), KaColor(254, 1, 0, 0) },
    };
    for (const Case& c : cases) {
        KaScreen screen;
        screen.setClearColor(c.r, c.g, c.b, c.a);
        const KaColor got = screen.clearColor();
        EXPECT_EQ(got, c.expected) << "got " << int(got.r) << "," << int(got.g) << "," << int(got.b) << ","
                                   << int(got.a);
    }
}

TEST(KaScreenTest, UnlockEmitsOnUnlock)
{
    KaScreen screen;
    UnlockProbe probe;
    screen.onUnlock().add(&probe, &UnlockProbe::onUnlock);
    screen.unlock();
    screen.unlock();
    EXPECT_EQ(probe.calls, 2);
}
