#include <gtest/gtest.h>

#include <cmath>

#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaScrollingLayout.h"
#include "engine/scene/KaAnimation.h"
#include "tests/engine/gui/KaGuiInputFixture.h"

namespace {

// A 200 x 100 view centred in the 800 x 600 window (raw x 300 to 500, raw y
// 250 to 350) over a 200 x 200 content hung by its top edge from the view's
// top edge. A 100 x 40 button sits in the content, centred on raw (400, 300)
// while the content is at its start.
class KaScrollingLayoutTest : public KaGuiInputTest {
protected:
    void SetUp() override
    {
        KaGuiInputTest::SetUp();
        view.setSize(KaVector3f32(200, 100, 0));
        mainWindow.get()->addChild(&view);
        content.setSize(KaVector3f32(200, 200, 0));
        content.setAnchor(KaVector3f32(0.5f, 0.0f, 0.0f));
        content.setPosition(KaVector3f32(0.5f, 0.0f, 0.0f));
        view.setContentLayout(&content);
        button.setSize(KaVector3f32(100, 40, 0));
        button.setPositionType(KaILayout::Pixel);
        button.setPosition(KaVector3f32(0, -50, 0));
        content.addChild(&button);
        button.onMouseClickValidated.add(&validations, &KaEmissionCounter::onSignal);
        // The view was built before the test's clock: start its automatic
        // scrolling afresh on it.
        view.playAutoScroll();
        run(100);
    }
    void TearDown() override
    {
        mainWindow.get()->removeChild(&view);
        KaGuiInputTest::TearDown();
    }

    // Frames of 10 ms: timers first, then animations, as the frame loop does.
    void run(double milliseconds)
    {
        for (double done = 0.0; done < milliseconds - 0.5; done += 10.0) {
            advance(10);
            KaAnimation::updateAll();
        }
    }

    // A drag from raw (400, 300) up by `pixels`, 5 pixels a frame.
    void dragUp(int pixels)
    {
        press(400, 300);
        for (int y = 300 - 5; y >= 300 - pixels; y -= 5) {
            run(10);
            move(400, y);
        }
    }

    // The content's top edge, from the view's centre (y down).
    float contentTop() { return content.position().y - content.ySize() / 2.0f; }

    KaScrollingLayout view;
    KaLayout content;
    KaButtonLayout button;
    KaEmissionCounter validations;
};

float clampUnit(float value) { return value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value); }

TEST_F(KaScrollingLayoutTest, ScrollPositionMapsBothWays)
{
    struct Case {
        const char* name;
        bool enclose;
        KaVector3f32 contentSize;
        KaVector3f32 anchor;
    };
    const Case cases[] = {
        { "enclosed, taller, hung by its top", true, KaVector3f32(200, 200, 0), KaVector3f32(0.5f, 0, 0) },
        { "enclosed, larger both ways, centred", true, KaVector3f32(500, 300, 0), KaVector3f32(0.5f, 0.5f, 0) },
        { "not enclosed, taller, hung by its top", false, KaVector3f32(200, 200, 0), KaVector3f32(0.5f, 0, 0) },
        { "not enclosed, larger both ways", false, KaVector3f32(500, 300, 0), KaVector3f32(0.2f, 0.7f, 0) },
    };
    const KaVector3f32 positions[] = { KaVector3f32(0, 0, 0), KaVector3f32(1, 1, 0), KaVector3f32(0.25f, 0.75f, 0),
        KaVector3f32(-0.5f, 1.5f, 0), KaVector3f32(2, -1, 0) };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view.setEnclose(c.enclose);
        content.setSize(c.contentSize);
        content.setAnchor(c.anchor);
        for (const KaVector3f32& p : positions) {
            SCOPED_TRACE(testing::Message() << "p = (" << p.x << ", " << p.y << ")");
            view.setScrollPosition(p);
            const KaVector3f32 back = view.scrollPosition();
            const float xs[2] = { p.x, p.y };
            const float got[2] = { back.x, back.y };
            const float sizes[2] = { c.contentSize.x, c.contentSize.y };
            const float viewSizes[2] = { 200, 100 };
            for (int axis = 0; axis < 2; ++axis) {
                if (sizes[axis] > viewSizes[axis]) {
                    EXPECT_NEAR(got[axis], clampUnit(xs[axis]), 1e-5f) << "axis " << axis;
                }
            }
            // Where the content's edges land, in the view's space (y down).
            const KaVector3f32 centre = content.position();
            const float top = centre.y - c.contentSize.y / 2.0f;
            const float bottom = centre.y + c.contentSize.y / 2.0f;
            const float py = clampUnit(p.y);
            if (c.enclose)
                EXPECT_NEAR(top, -50.0f - py * (c.contentSize.y - 100.0f), 1e-3f);
            else
                EXPECT_NEAR(top, 50.0f - py * (c.contentSize.y + 100.0f), 1e-3f);
            if (py == 1.0f) {
                EXPECT_NEAR(bottom, c.enclose ? 50.0f : -50.0f, 1e-3f);
            }
        }
    }
}

TEST_F(KaScrollingLayoutTest, ContentNoLargerThanTheViewStaysPut)
{
    content.setSize(KaVector3f32(150, 100, 0));
    const KaVector3f32 before = content.userPosition();
    view.setScrollPosition(KaVector3f32(1, 1, 0));
    EXPECT_EQ(content.userPosition(), before);
    EXPECT_EQ(view.scrollPosition(), KaVector3f32(0, 0, 0));

    // A zero-sized view: ratio 1, nothing divides by zero, nothing moves.
    view.setSize(KaVector3f32(0, 100, 0));
    view.setScrollPosition(KaVector3f32(0.5f, 0.5f, 0));
    EXPECT_EQ(content.userPosition(), before);
    EXPECT_EQ(view.scrollPosition(), KaVector3f32(0, 0, 0));
}

TEST_F(KaScrollingLayoutTest, DragGateLooksAtComputedSizesOnTheScrolledAxes)
{
    struct Case {
        const char* name;
        KaVector3f32 direction;
        KaILayout::CoordinatesType sizeType;
        KaVector3f32 size;
        int dx, dy;
        KaVector3f32 moved;
    };
    const Case cases[] = {
        { "taller, vertical", KaVector3f32(0, 1, 0), KaILayout::Pixel, KaVector3f32(200, 200, 0), 0, -20,
            KaVector3f32(0, -20, 0) },
        { "as tall, vertical", KaVector3f32(0, 1, 0), KaILayout::Pixel, KaVector3f32(200, 100, 0), 0, -20,
            KaVector3f32(0, 0, 0) },
        { "wider only, vertical", KaVector3f32(0, 1, 0), KaILayout::Pixel, KaVector3f32(400, 100, 0), -20, -20,
            KaVector3f32(0, 0, 0) },
        // Its user height equals the view's: a horizontal scroller drags all the same.
        { "wider, horizontal", KaVector3f32(1, 0, 0), KaILayout::Pixel, KaVector3f32(400, 100, 0), -20, 0,
            KaVector3f32(-20, 0, 0) },
        // User height 2 (twice the view) against the view's 100 pixels.
        { "taller in percent, vertical", KaVector3f32(0, 1, 0), KaILayout::Percent, KaVector3f32(1, 2, 0), 0, -20,
            KaVector3f32(0, -20, 0) },
        // Taller, but only x is scrolled: no drag.
        { "taller, horizontal", KaVector3f32(1, 0, 0), KaILayout::Pixel, KaVector3f32(200, 300, 0), 0, -20,
            KaVector3f32(0, 0, 0) },
    };
    content.setAnchor(KaVector3f32(0.5f, 0.5f, 0));
    content.setPosition(KaVector3f32(0.5f, 0.5f, 0));
    view.setContentLayout(&content);
    // Enclosed or not, a drag moves the content by as much as the pointer.
    for (bool enclose : { true, false }) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << (enclose ? ", enclosed" : ", not enclosed"));
            view.setEnclose(enclose);
            view.resetScrollPosition();
            view.setDirection(c.direction);
            content.setSizeType(c.sizeType);
            content.setSize(c.size);
            const KaVector3f32 before = content.position();
            press(400, 300);
            run(20);
            move(400 + c.dx, 300 + c.dy);
            const KaVector3f32 moved = content.position() - before;
            EXPECT_NEAR(moved.x, c.moved.x, 1e-3f);
            EXPECT_NEAR(moved.y, c.moved.y, 1e-3f);
            release(400 + c.dx, 300 + c.dy);
            run(1000);
        }
    }
}

TEST_F(KaScrollingLayoutTest, ShortDragStillClicksTheContentLongDragDoesNot)
{
    struct Case {
        int pixels;
        int validations;
        bool passThrough;
    };
    const Case cases[] = { { 0, 1, true }, { 20, 1, true }, { 30, 1, true }, { 40, 0, false } };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pixels << " pixels");
        view.resetScrollPosition();
        button.reset();
        run(1000);
        validations.count = gameDowns = gameUps = 0;
        dragUp(c.pixels);
        // The content followed the pointer: the button is still under it.
        EXPECT_NEAR(contentTop(), -50.0f - static_cast<float>(c.pixels), 1e-3f);
        EXPECT_TRUE(button.isMouseIn(input->mousePosition(0)));
        EXPECT_EQ(view.slideButton().clickPassThrough(), c.passThrough);
        release(400, 300 - c.pixels);
        EXPECT_EQ(validations.count, c.validations);
        EXPECT_EQ(gameDowns, 0);
        EXPECT_EQ(gameUps, 0) << "the release is swallowed by the button or the view";
    }
}

TEST_F(KaScrollingLayoutTest, ReleaseGlidesOnOnlyAfterARecentMove)
{
    struct Case {
        double hold;
        bool glides;
    };
    const Case cases[] = { { 0, true }, { 50, true }, { 150, false }, { 1000, false } };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "held " << c.hold << " ms");
        view.resetScrollPosition();
        run(100);
        dragUp(30);
        const KaVector3f32 speed = view.speed();
        // 5 pixels of a 100-pixel range every 10 ms.
        EXPECT_NEAR(speed.y, 5.0f, 1e-3f);
        run(c.hold);
        const float held = view.scrollPosition().y;
        release(400, 270);
        // The release itself never jumps by the time spent holding still.
        EXPECT_LE(view.scrollPosition().y - held, speed.y * 0.1f + 1e-4f);
        float previous = view.scrollPosition().y;
        run(10);
        const float firstStep = view.scrollPosition().y - previous;
        EXPECT_LE(firstStep, speed.y * 0.01f + 1e-4f) << "one frame at most at the release speed";
        previous = view.scrollPosition().y;
        run(600);
        const float glide = view.scrollPosition().y - held;
        if (c.glides) {
            EXPECT_GT(firstStep, 0.0f);
            EXPECT_GT(glide, 0.1f);
            EXPECT_LT(glide, speed.y * 0.5f + speed.y * 0.1f);
        } else {
            EXPECT_EQ(glide, 0.0f);
        }
        EXPECT_FALSE(view.speed().y > 0.0f) << "the glide ends at rest";
        run(2000);
    }
}

TEST_F(KaScrollingLayoutTest, PressStopsAGlide)
{
    dragUp(30);
    release(400, 270);
    run(100);
    const float atPress = view.scrollPosition().y;
    press(400, 270);
    run(100);
    release(400, 270);
    run(600);
    EXPECT_EQ(view.scrollPosition().y, atPress);
}

// Counts the scrolls that reach the end and those that come back to the start.
struct ScrollCounter {
    int forward = 0;
    int back = 0;
    float last = 0.0f;
    void sample(float y)
    {
        if (y >= 1.0f && last < 1.0f)
            ++forward;
        if (y <= 0.0f && last > 0.0f)
            ++back;
        last = y;
    }
};

class KaScrollingLayoutAutoTest : public KaScrollingLayoutTest {
protected:
    void SetUp() override
    {
        KaScrollingLayoutTest::SetUp();
        // One view height a second: each scroll takes 1000 ms.
        view.setAutoScrollAnimation1Speed(1.0f);
        view.setAutoScrollAnimation2Speed(1.0f);
    }
    ScrollCounter watch(double milliseconds)
    {
        ScrollCounter counter;
        counter.last = view.scrollPosition().y;
        for (double done = 0.0; done < milliseconds; done += 10.0) {
            run(10);
            counter.sample(view.scrollPosition().y);
        }
        return counter;
    }
};

TEST_F(KaScrollingLayoutAutoTest, TimelineOfOneCycle)
{
    view.setAutoScrollLoop(1);
    view.playAutoScroll();
    // 1500 ms of pause, 1000 ms before the forward scroll, 1000 ms of scroll.
    run(2400);
    EXPECT_EQ(view.scrollPosition().y, 0.0f);
    run(600);
    EXPECT_NEAR(view.scrollPosition().y, 0.5f, 0.06f);
    run(600);
    EXPECT_EQ(view.scrollPosition().y, 1.0f);
    // 1000 ms of pause, then back in 1000 ms.
    run(800);
    EXPECT_EQ(view.scrollPosition().y, 1.0f);
    run(700);
    EXPECT_NEAR(view.scrollPosition().y, 0.5f, 0.06f);
    run(600);
    EXPECT_EQ(view.scrollPosition().y, 0.0f);
    EXPECT_EQ(view.autoScrollLoopsDone(), 1);
}

TEST_F(KaScrollingLayoutAutoTest, SpeedIsInViewSizesEnclosedOrNot)
{
    view.setAutoScrollAnimation2Enabled(false);
    for (bool enclose : { true, false }) {
        SCOPED_TRACE(enclose ? "enclosed" : "not enclosed");
        view.setEnclose(enclose);
        view.resetScrollPosition();
        view.playAutoScroll();
        const float start = contentTop();
        while (contentTop() == start)
            run(10);
        const float moving = contentTop();
        run(500);
        // One view height a second, whatever the range.
        EXPECT_NEAR(contentTop() - moving, -50.0f, 1.5f);
        run(5000);
        EXPECT_EQ(view.scrollPosition().y, 1.0f);
        EXPECT_FLOAT_EQ(contentTop(), enclose ? -150.0f : -250.0f);
    }
}

TEST_F(KaScrollingLayoutAutoTest, CyclesFollowTheLoopCount)
{
    struct Case {
        int loop;
        int forward, back, loopsDone;
    };
    // A cycle takes 4000 ms after the first 1500 ms: three and a half
    // cycles fit in 16 s.
    const Case cases[] = { { 0, 0, 0, 0 }, { 1, 1, 1, 1 }, { 2, 2, 2, 2 }, { 3, 3, 3, 3 }, { -1, 4, 3, 3 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "loop " << c.loop);
        view.resetScrollPosition();
        view.setAutoScrollLoop(c.loop);
        view.playAutoScroll();
        const ScrollCounter counter = watch(16000);
        EXPECT_EQ(counter.forward, c.forward);
        EXPECT_EQ(counter.back, c.back);
        EXPECT_EQ(view.autoScrollLoopsDone(), c.loopsDone);
    }
}

TEST_F(KaScrollingLayoutAutoTest, WithoutTheWayBackOneScrollCountsAsACycle)
{
    // As the extended text's area does it: once forward, and stay there.
    view.setAutoScrollLoop(1);
    view.setAutoScrollAnimation2Enabled(false);
    view.setAutoScrollAnimation1Delay(0);
    view.playAutoScroll();
    const ScrollCounter counter = watch(10000);
    EXPECT_EQ(counter.forward, 1);
    EXPECT_EQ(counter.back, 0);
    EXPECT_EQ(view.scrollPosition().y, 1.0f);
    EXPECT_EQ(view.autoScrollLoopsDone(), 1);

    // Forward only while disabled: the second cycle finds the end reached.
    view.setAutoScrollAnimation1Enabled(false);
    view.playAutoScroll();
    EXPECT_EQ(watch(10000).back, 0);
    EXPECT_EQ(view.autoScrollLoopsDone(), 0) << "nothing is scheduled";
}

TEST_F(KaScrollingLayoutAutoTest, ADragOrShowingAgainPlaysOneMoreCycle)
{
    view.setAutoScrollLoop(1);
    view.playAutoScroll();
    ScrollCounter counter = watch(8000);
    ASSERT_EQ(counter.forward, 1);
    ASSERT_EQ(counter.back, 1);
    EXPECT_EQ(watch(8000).forward, 0) << "done";

    // A press and release without a move.
    press(400, 300);
    release(400, 300);
    counter = watch(8000);
    EXPECT_EQ(counter.forward, 1);
    EXPECT_EQ(counter.back, 1);

    view.setVisible(false);
    view.setVisible(true);
    counter = watch(8000);
    EXPECT_EQ(counter.forward, 1);
    EXPECT_EQ(counter.back, 1);

    // Showing an already shown view restarts it too.
    view.setVisible(true);
    EXPECT_EQ(watch(8000).forward, 1);
}

TEST_F(KaScrollingLayoutAutoTest, HidingPutsTheContentBack)
{
    KaEmissionCounter changes;
    changes.listen(view.onScrollPositionChanged);
    const KaVector3f32 start = content.userPosition();
    view.playAutoScroll();
    run(3000);
    ASSERT_GT(view.scrollPosition().y, 0.2f);
    changes.count = 0;
    view.setVisible(false);
    EXPECT_EQ(content.userPosition(), start);
    EXPECT_EQ(changes.count, 1);
    // Idle while hidden.
    run(8000);
    EXPECT_EQ(content.userPosition(), start);

    // Hiding a parent does the same.
    view.setVisible(true);
    run(3000);
    ASSERT_GT(view.scrollPosition().y, 0.2f);
    mainWindow.get()->setVisible(false);
    EXPECT_EQ(content.userPosition(), start);
    mainWindow.get()->setVisible(true);
}

TEST_F(KaScrollingLayoutAutoTest, DragStopsTheAutomaticScrollUntilTheDelayAfterRelease)
{
    view.playAutoScroll();
    run(3000);
    const float during = view.scrollPosition().y;
    ASSERT_GT(during, 0.2f);
    press(400, 300);
    run(500);
    EXPECT_EQ(view.scrollPosition().y, during);
    release(400, 300);
    // 1500 ms of pause, then 1000 ms before the forward scroll resumes.
    run(2400);
    EXPECT_EQ(view.scrollPosition().y, during);
    run(300);
    EXPECT_GT(view.scrollPosition().y, during);
}

TEST_F(KaScrollingLayoutTest, ContentButtonsRollOverOnlyOnceTheViewLetsClicksThrough)
{
    // Before any press the slide button takes the moves over the view.
    move(400, 300);
    EXPECT_EQ(button.state(), KaButtonLayout::Up);
    EXPECT_EQ(view.slideButton().state(), KaButtonLayout::RollOver);

    // A click lets them through from then on.
    click(400, 300);
    EXPECT_EQ(validations.count, 1);
    move(50, 50);
    move(400, 300);
    EXPECT_EQ(button.state(), KaButtonLayout::RollOver);

    // A drag beyond the threshold shuts them out again until the next press.
    run(1000);
    dragUp(40);
    release(400, 260);
    move(50, 50);
    move(400, 260);
    EXPECT_EQ(button.state(), KaButtonLayout::Up);
    EXPECT_EQ(validations.count, 1);
}

TEST_F(KaScrollingLayoutTest, WithoutMouseControlTheViewIsTransparent)
{
    view.setMouseControl(false);
    move(400, 300);
    EXPECT_EQ(button.state(), KaButtonLayout::RollOver);
    const float top = contentTop();
    dragUp(40);
    EXPECT_EQ(contentTop(), top);
    release(400, 260);
    EXPECT_EQ(validations.count, 0) << "released off the button, which did not move";
    EXPECT_EQ(gameUps, 1) << "nothing over the view takes the release";
    click(400, 300);
    EXPECT_EQ(validations.count, 1);
    view.setMouseControl(true);
    EXPECT_TRUE(view.slideButton().visible());
}

TEST_F(KaScrollingLayoutTest, ContentCanBeReplacedAndRemoved)
{
    KaLayout other;
    other.setSize(KaVector3f32(200, 400, 0));
    other.setPosition(KaVector3f32(0.5f, 0.25f, 0));
    view.setContentLayout(&other);
    EXPECT_EQ(content.parent(), nullptr);
    EXPECT_EQ(view.childIndex(&other), view.childIndex(&view.slideButton()) - 1);
    view.setScrollPosition(KaVector3f32(0, 1, 0));
    view.resetScrollPosition();
    EXPECT_EQ(other.userPosition().y, 0.25f);

    view.setContentLayout(nullptr);
    EXPECT_EQ(other.parent(), nullptr);
    EXPECT_EQ(view.scrollPosition(), KaVector3f32(0, 0, 0));
    // Without a content nothing moves and nothing breaks.
    view.setScrollPosition(KaVector3f32(1, 1, 0));
    dragUp(40);
    release(400, 260);
    run(3000);
    EXPECT_EQ(view.scrollPosition(), KaVector3f32(0, 0, 0));
}

} // namespace
