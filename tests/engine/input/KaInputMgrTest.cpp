#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/core/KaIClock.h"
#include "engine/input/KaInputMgr.h"
#include "engine/input/KaScreen.h"

namespace {

class KaManualClock : public KaIClock {
public:
    unsigned long long microseconds() override { return mNow; }
    void advance(unsigned long long microseconds) { mNow += microseconds; }

    unsigned long long mNow = 5000000000ULL;
};

typedef std::vector<std::string> Log;

// Listens to every pointer signal of a manager and writes what it hears, in
// order. The any-pointer button handlers answer `handled`.
class Recorder {
public:
    explicit Recorder(KaInputMgr& input)
    {
        input.onAnyMouseLeftDown().add(this, &Recorder::anyDown);
        input.onAnyMouseLeftUp().add(this, &Recorder::anyUp);
        input.onDefaultMouseLeftDown().add(this, &Recorder::defaultDown);
        input.onDefaultMouseLeftUp().add(this, &Recorder::defaultUp);
        input.onAnyMousePositionChanged().add(this, &Recorder::anyMove);
        input.onDefaultMousePositionChanged().add(this, &Recorder::defaultMove);
    }

    bool anyDown(unsigned int id) { return note("any-down " + std::to_string(id), handled); }
    bool anyUp(unsigned int id) { return note("any-up " + std::to_string(id), handled); }
    bool defaultDown() { return note("default-down", false); }
    bool defaultUp() { return note("default-up", false); }
    bool anyMove(unsigned int id) { return note("any-move " + std::to_string(id), handledMove); }
    bool defaultMove() { return note("default-move", false); }

    Log log;
    bool handled = false;
    bool handledMove = false;

private:
    bool note(const std::string& entry, bool answer)
    {
        log.push_back(entry);
        return answer;
    }
};

struct KeyRecorder {
    std::vector<int> released;
    bool onKey(KaKey& key)
    {
        released.push_back(key);
        return false;
    }
};

// A manager on a hand-moved clock, with the default screen 768 pixels high.
class KaInputMgrTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mSavedScreenSize = defaultScreen.get()->getSize();
        defaultScreen.get()->setSize(KaVector3f32(1024.0f, 768.0f, 100.0f));
        input.setClock(&clock);
        input.initialize();
    }

    void TearDown() override { defaultScreen.get()->setSize(mSavedScreenSize); }

    // One move after the given pause, through the transformed entry.
    void moveAfter(unsigned long long microseconds, int x, int y)
    {
        clock.advance(microseconds);
        input.setMousePosition(KaVector2s32(x, y), 0);
    }

    KaManualClock clock;
    KaInputMgr input;

private:
    KaVector3f32 mSavedScreenSize;
};

} // namespace

TEST_F(KaInputMgrTest, InitializeGivesOneIdlePointerAndTheIdentityTransform)
{
    EXPECT_EQ(input.pointerCount(), 1u);
    EXPECT_FALSE(input.getMouseLeft(0));
    EXPECT_EQ(input.mousePosition(0), KaVector2s32(0, 0));
    EXPECT_EQ(input.getScale(), KaVector3f32(1.0f, 1.0f, 1.0f));
    EXPECT_TRUE(input.buttonsAccepted());
    EXPECT_FALSE(input.isBlocked());
    EXPECT_EQ(input.timeFromLastFreez(), 0);

    // initialize() brings a used manager back to that state.
    input.setMouseLeft(true, 0);
    input.setMousePosition(KaVector2s32(5, 6), 0);
    input.setScale(KaVector3f32(2.0f, 2.0f, 2.0f));
    input.setBlocked(true);
    input.initialize();
    EXPECT_FALSE(input.getMouseLeft(0));
    EXPECT_EQ(input.mousePosition(0), KaVector2s32(0, 0));
    EXPECT_EQ(input.getScale(), KaVector3f32(1.0f, 1.0f, 1.0f));
    EXPECT_FALSE(input.isBlocked());
}

TEST_F(KaInputMgrTest, ButtonEventsGoToTheAnyPointerSignalFirstAndToTheDefaultOneWhenUnhandled)
{
    enum Op { Press, Release, ForcePress, ForceRelease, Block, Unblock, RefuseButtons };
    struct Case {
        const char* name;
        bool handled;
        std::vector<Op> ops;
        Log expected;
        bool pressedAfter;
    };
    const Case cases[] = {
        { "press", false, { Press }, { "any-down 0", "default-down" }, true },
        { "press handled by a GUI element", true, { Press }, { "any-down 0" }, true },
        { "press then release", false, { Press, Release }, { "any-down 0", "default-down", "any-up 0", "default-up" },
            false },
        { "release handled", true, { Press, Release }, { "any-down 0", "any-up 0" }, false },
        { "two presses emit one", false, { Press, Press }, { "any-down 0", "default-down" }, true },
        { "release while up emits nothing", false, { Release }, {}, false },
        // A forced release is reported at once; the physical release that
        // follows only clears the mark, and the next press is reported.
        { "forced release, then the button comes up", false, { Press, ForceRelease, Release, Press },
            { "any-down 0", "default-down", "any-up 0", "default-up", "any-down 0", "default-down" }, true },
        // While the mark is set a changed state is swallowed.
        { "press swallowed while forced", false, { Press, ForceRelease, Press },
            { "any-down 0", "default-down", "any-up 0", "default-up" }, false },
        { "forced press then the physical press", false, { ForcePress, Press, Release },
            { "any-down 0", "default-down", "any-up 0", "default-up" }, false },
        { "blocked", false, { Block, Press, ForcePress }, {}, false },
        { "a force while blocked leaves no mark", false, { Block, ForcePress, Unblock, Press },
            { "any-down 0", "default-down" }, true },
        { "buttons refused", false, { RefuseButtons, Press, ForcePress }, {}, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaInputMgr manager;
        Recorder recorder(manager);
        recorder.handled = c.handled;
        for (Op op : c.ops) {
            switch (op) {
            case Press:
                manager.setMouseLeft(true, 0);
                break;
            case Release:
                manager.setMouseLeft(false, 0);
                break;
            case ForcePress:
                manager.forceMouseLeft(true, 0);
                break;
            case ForceRelease:
                manager.forceMouseLeft(false, 0);
                break;
            case Block:
                manager.setBlocked(true);
                break;
            case Unblock:
                manager.setBlocked(false);
                break;
            case RefuseButtons:
                manager.setButtonsAccepted(false);
                break;
            }
        }
        EXPECT_EQ(recorder.log, c.expected);
        EXPECT_EQ(manager.getMouseLeft(0), c.pressedAfter);
    }
}

TEST_F(KaInputMgrTest, AHandlerThatReturnsTrueHidesThePressFromLowerPrioritiesAndTheDefaultSignal)
{
    // A GUI element at z 5 is offered the click before the game, which
    // listens at -10000; the default signal comes last, and only for a click
    // nobody took.
    struct Listener {
        Log* log;
        std::string name;
        bool answer;
        bool onDown(unsigned int)
        {
            log->push_back(name);
            return answer;
        }
        bool onDefault()
        {
            log->push_back(name);
            return false;
        }
    };
    for (bool buttonTakesIt : { true, false }) {
        KaInputMgr manager;
        Log log;
        Listener game { &log, "game", false };
        Listener button { &log, "button", buttonTakesIt };
        Listener fallback { &log, "default", false };
        manager.onAnyMouseLeftDown().add(&game, &Listener::onDown, -10000.0f);
        manager.onAnyMouseLeftDown().add(&button, &Listener::onDown, 5.0f);
        manager.onDefaultMouseLeftDown().add(&fallback, &Listener::onDefault);
        manager.setMouseLeft(true, 0);
        EXPECT_EQ(log, buttonTakesIt ? Log({ "button" }) : Log({ "button", "game", "default" }));
    }
}

TEST_F(KaInputMgrTest, RawPositionsAreFlippedAgainstTheScreenHeightAndTransformed)
{
    struct Case {
        const char* name;
        float screenHeight;
        KaVector3f32 scale;
        float degrees;
        KaVector2s32 translation;
        KaVector2s32 raw;
        KaVector2s32 expected;
    };
    const KaVector3f32 unit(1.0f, 1.0f, 1.0f);
    const Case cases[] = {
        { "identity", 768.0f, unit, 0.0f, KaVector2s32(0, 0), KaVector2s32(100, 100), KaVector2s32(100, 668) },
        { "height truncated", 768.9f, unit, 0.0f, KaVector2s32(0, 0), KaVector2s32(100, 100), KaVector2s32(100, 668) },
        { "top left corner", 768.0f, unit, 0.0f, KaVector2s32(0, 0), KaVector2s32(0, 0), KaVector2s32(0, 768) },
        { "no screen size yet", 0.0f, unit, 0.0f, KaVector2s32(0, 0), KaVector2s32(7, 100), KaVector2s32(7, -100) },
        { "scale, truncated toward zero", 768.0f, KaVector3f32(0.5f, 1.5f, 1.0f), 0.0f, KaVector2s32(0, 0),
            KaVector2s32(101, 767), KaVector2s32(50, 1) },
        { "translation after scale", 768.0f, KaVector3f32(2.0f, 3.0f, 1.0f), 0.0f, KaVector2s32(10, 20),
            KaVector2s32(5, 758), KaVector2s32(20, 50) },
        // The engine's rotations turn clockwise for a positive angle (its
        // quaternion matrices are transposed): (x, y) becomes (-x, -y) at
        // 180 degrees, about the origin, before the translation.
        { "half turn", 768.0f, unit, 180.0f, KaVector2s32(0, 0), KaVector2s32(30, 668), KaVector2s32(-30, -100) },
        { "half turn then translation", 768.0f, unit, 180.0f, KaVector2s32(1000, 500), KaVector2s32(30, 668),
            KaVector2s32(970, 400) },
        // (100, -30) in exact arithmetic; the single-precision quarter turn
        // lands a hair inside both, and truncation keeps the inner pixel.
        { "quarter turn", 768.0f, unit, 90.0f, KaVector2s32(0, 0), KaVector2s32(30, 668), KaVector2s32(99, -29) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        defaultScreen.get()->setSize(KaVector3f32(1024.0f, c.screenHeight, 100.0f));
        KaInputMgr manager;
        manager.setScale(c.scale);
        manager.setRotation(c.degrees);
        manager.setTranslation(c.translation);
        manager.setMouseRawPosition(c.raw, 0);
        EXPECT_EQ(manager.mouseRawPosition(0), c.raw);
        const KaVector2s32 got = manager.mousePosition(0);
        EXPECT_EQ(got, c.expected) << "got (" << got.x << ", " << got.y << ")";
    }
}

TEST_F(KaInputMgrTest, PositionChangesEmitOnceInOrderAndTrackTheOldPosition)
{
    Recorder recorder(input);
    // A handled move still reaches the default signal.
    recorder.handledMove = true;

    input.setMouseRawPosition(KaVector2s32(10, 758), 0);
    EXPECT_EQ(input.mousePosition(0), KaVector2s32(10, 10));
    EXPECT_EQ(input.mouseOldPosition(0), KaVector2s32(0, 0));
    EXPECT_EQ(recorder.log, Log({ "any-move 0", "default-move" }));

    recorder.log.clear();
    input.setMouseRawPosition(KaVector2s32(10, 758), 0);
    input.setMousePosition(KaVector2s32(10, 10), 0);
    EXPECT_TRUE(recorder.log.empty()) << "the same position again is no change";

    input.setMousePosition(static_cast<unsigned short>(20), static_cast<unsigned short>(25), 0);
    EXPECT_EQ(input.mousePosition(0), KaVector2s32(20, 25));
    EXPECT_EQ(input.mouseOldPosition(0), KaVector2s32(10, 10));

    // After a release the next move starts the old position afresh.
    input.setMouseLeft(true, 0);
    input.setMouseLeft(false, 0);
    input.setMousePosition(KaVector2s32(30, 35), 0);
    EXPECT_EQ(input.mouseOldPosition(0), KaVector2s32(30, 35));
    input.setMousePosition(KaVector2s32(40, 45), 0);
    EXPECT_EQ(input.mouseOldPosition(0), KaVector2s32(30, 35));
}

TEST_F(KaInputMgrTest, BlockedInputKeepsTheRawPositionOnly)
{
    Recorder recorder(input);
    input.setBlocked(true);
    input.setMouseRawPosition(KaVector2s32(10, 758), 0);
    input.setMousePosition(KaVector2s32(3, 4), 0);
    input.setKey(KaKeyEnter, true);
    EXPECT_EQ(input.mouseRawPosition(0), KaVector2s32(10, 758));
    EXPECT_EQ(input.mousePosition(0), KaVector2s32(0, 0));
    EXPECT_FALSE(input.getKey(KaKeyEnter));
    EXPECT_TRUE(recorder.log.empty());
}

TEST_F(KaInputMgrTest, GetMousePositionCutsToSixteenBits)
{
    input.setMousePosition(KaVector2s32(70000, -5), 0);
    short x = 0;
    short y = 0;
    input.getMousePosition(x, y, 0);
    EXPECT_EQ(x, 4464);
    EXPECT_EQ(y, -5);
    short px = 0;
    short py = 0;
    input.getMousePosition(&px, &py, 0);
    EXPECT_EQ(px, 4464);
    EXPECT_EQ(py, -5);
}

TEST_F(KaInputMgrTest, KeysChangeStateAndReportReleasesOnly)
{
    KeyRecorder keys;
    input.onKeyReleased().add(&keys, &KeyRecorder::onKey);

    input.setKey(KaKeyEscape, true);
    EXPECT_TRUE(input.getKey(KaKeyEscape));
    EXPECT_TRUE(keys.released.empty()) << "a press emits nothing";
    input.setKey(KaKeyEscape, true);
    input.setKey(KaKeyEscape, false);
    input.setKey(KaKeyEscape, false);
    EXPECT_FALSE(input.getKey(KaKeyEscape));
    EXPECT_EQ(keys.released, std::vector<int>({ KaKeyEscape }));

    for (int code : { -1, 15, 1000 }) {
        input.setKey(static_cast<KaKey>(code), true);
        input.setKey(static_cast<KaKey>(code), false);
        EXPECT_FALSE(input.getKey(static_cast<KaKey>(code))) << code;
    }
    EXPECT_EQ(keys.released.size(), 1u) << "codes outside 0 to 14 are ignored";
    input.setKey(KaKeyDelete, true);
    EXPECT_TRUE(input.getKey(KaKeyDelete)) << "14 is a key";
}

TEST_F(KaInputMgrTest, MouseSpeedAveragesTheMovesWithinTheWindow)
{
    moveAfter(100000, 10, 0);
    moveAfter(100000, 30, 4);
    struct Case {
        float window;
        KaVector2s32 expected;
    };
    const Case cases[] = {
        // Only the newest move: 20 pixels in 0.1 s.
        { 0.05f, KaVector2s32(200, 40) },
        // Both moves, from (0, 0): 30 pixels in 0.2 s.
        { 0.15f, KaVector2s32(150, 20) },
        // The unwritten entries add no time and no distance.
        { 10.0f, KaVector2s32(150, 20) },
    };
    for (const Case& c : cases) {
        const KaVector2s32 got = input.mouseSpeed(c.window);
        EXPECT_EQ(got, c.expected) << "window " << c.window << " got (" << got.x << ", " << got.y << ")";
    }

    clock.advance(2000000);
    EXPECT_EQ(input.mouseSpeed(1.0f), KaVector2s32(0, 0)) << "resting longer than the window";
}

TEST_F(KaInputMgrTest, MouseSmoothPositionAveragesTheRecentPositions)
{
    moveAfter(100000, -10, 5);
    moveAfter(100000, -20, 5);
    EXPECT_EQ(input.mouseSmoothPosition(0, 0.15f), KaVector2s32(-15, 5));
    EXPECT_EQ(input.mouseSmoothPosition(0, 0.05f), KaVector2s32(-20, 5));
    // A wide window walks the whole ring: the 18 unwritten entries count as
    // (0, 0), and the integer division truncates toward zero.
    EXPECT_EQ(input.mouseSmoothPosition(0, 10.0f), KaVector2s32(-1, 0));
    // Any other pointer id reads pointer 0's position.
    EXPECT_EQ(input.mouseSmoothPosition(3, 0.15f), KaVector2s32(-20, 5));

    clock.advance(500000);
    EXPECT_EQ(input.mouseSmoothPosition(0, 0.15f), KaVector2s32(-20, 5)) << "at rest: the position itself";
}

TEST_F(KaInputMgrTest, FreezeTimerRestartsAfterALongFrame)
{
    struct Step {
        unsigned long long frame;
        long long expected;
    };
    const Step steps[] = {
        { 16000, 16 }, { 16000, 32 }, { 200000, 232 }, // exactly 0.2 s is not a freeze
        { 250000, 0 }, { 16000, 16 }, { 16500, 32 }, // 32.5 ms, truncated
    };
    for (const Step& step : steps) {
        clock.advance(step.frame);
        input.update();
        EXPECT_EQ(input.timeFromLastFreez(), step.expected) << "after a frame of " << step.frame;
    }
}

TEST_F(KaInputMgrTest, TiltReadsAsZero)
{
    short x = 1;
    short y = 1;
    short z = 1;
    input.getTiltValues(&x, &y, &z);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(z, 0);
    EXPECT_EQ(input.smoothedTilt(500), KaVector3f32(0.0f, 0.0f, 0.0f));
    const KaVector3f32 none = input.smoothedTilt(0);
    EXPECT_EQ(none, KaVector3f32(0.0f, 0.0f, 0.0f)) << "no samples: no division by zero";
}

TEST(KaInputMgrHolderTest, HolderGivesOneInitializedManager)
{
    KaInputMgr* manager = inputMgr.get();
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(inputMgr.get(), manager);
    EXPECT_EQ(manager->pointerCount(), 1u);
    EXPECT_TRUE(manager->buttonsAccepted());
}
