#include "tests/game/ApplicationTestFixture.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

#include <tinyxml.h>

#include "engine/core/KaStream.h"
#include "engine/gui/KaITextLayout.h"
#include "game/panels/Dialog2.h"
#include "tests/engine/sound/KaSoundFixtures.h"
#include "tests/engine/sound/KaSoundTestDevice.h"

namespace {

// The panel as the game's description makes it: a full-screen lock button,
// and the full-screen panel "dialog" under the screen's bottom edge (anchor
// y 0), slid up to anchor y 1 in 300 ms and back down in 300 ms.
const char* kDialogGui = "textFormat = '<section style=\"left\" />[%s]'\n"
                         "KaButtonLayout{ name = \"dialogLockButton\", sizeType = Percent, size = {1, 1, 1} }\n"
                         "KaButtonLayout{ name = \"dialog\", sizeType = Percent, size = {1, 1, 1},"
                         " position = {0.5, 1, 0.5}, anchor = {0.5, 0, 0.5},"
                         " KaTextLayout{ name = \"text\", sizeType = Percent, size = {0.8, 0.2, 1},"
                         " position = {0.5, 0.85, 0.5} } }\n"
                         "KaLayoutAnchorLinearAnimation{ name = \"dialogAnimationUp\", duration = 300,"
                         " startValue = {0.5, 0, 0.5}, endValue = {0.5, 1, 0.5}, curve = {0, 1} }\n"
                         "KaLayoutAnchorLinearAnimation{ name = \"dialogAnimationDown\", duration = 300,"
                         " startValue = {0.5, 1, 0.5}, endValue = {0.5, 0, 0.5}, curve = {0, 1} }\n";

// Voices play in real time on the null device, the panel on the test's
// clock: a short voice has ended long before its 1.5 s are counted, a long
// one outlives a whole second and a half of the test clock by far.
const unsigned int kShortVoiceMs = 300;
const unsigned int kLongVoiceMs = 3000;

class Dialog2Test : public ApplicationFrameTest {
protected:
    void SetUp() override
    {
        ApplicationFrameTest::SetUp();
        // The child process below asks for a machine without a device.
        if (std::getenv("KA_TEST_NO_SOUND_DEVICE"))
            setenv("ALSOFT_DRIVERS", "no-such-driver", 1);
        // No splash screens: their fades would block the clicks.
        std::remove(content.file("menus/splashes/splash0.lua").c_str());
        std::remove(content.file("menus/splashes/splash1.lua").c_str());
        content.write("menus/dialog.lua", kDialogGui);
        writeVoice("sounds/Dialogs/short.ogg", kShortVoiceMs);
        writeVoice("sounds/Dialogs/long.ogg", kLongVoiceMs);
        // Stands in for the game's five seconds of silence.
        writeVoice("sounds/Dialogs/silence5s.ogg", 200);
        start();
        // Past the half second in which buttons refuse clicks.
        for (int i = 0; i < 40; ++i)
            frame();
        dialog.reset(new Dialog2);
        dialog->load();
        application.get()->layoutFront().addChild(dialog.get());
        dialog->onDialogFinished.add(this, &Dialog2Test::onFinished, 0.0f);
    }
    void TearDown() override
    {
        application.get()->layoutFront().removeChild(dialog.get());
        dialog.reset();
        ApplicationFrameTest::TearDown();
    }

    void writeVoice(const std::string& path, unsigned int milliseconds)
    {
        KaStream stream;
        ASSERT_TRUE(KaEncodeVorbisTones(stream, 1, 22050, 22050ul * milliseconds / 1000, { 330.0 }));
        content.write(path, "");
        ASSERT_TRUE(KaWriteStream(stream, content.file(path)));
    }

    void push(const char* name, const char* voice)
    {
        KaCaptureStdout console;
        dialog->pushDialog(name, KaString("text of ") + name, voice, "", "", 0.0f);
        log += console.text();
    }

    // Each name as it is emitted, with the line shown at that moment ("-"
    // when none).
    bool onFinished(const KaString& name)
    {
        names += std::string(name.c_str()) + ">"
            + (dialog->isDialogPlaying() ? std::string(dialog->current().name.c_str()) : std::string("-")) + ";";
        return false;
    }

    // That long on the test clock, in frames of at most 100 ms: a longer
    // frame is a freeze, after which buttons refuse clicks for a while.
    void step(unsigned long long milliseconds)
    {
        KaCaptureStdout console;
        do {
            const unsigned long long frame = milliseconds < 100 ? milliseconds : 100;
            advance(frame);
            application.get()->run();
            milliseconds -= frame;
        } while (milliseconds > 0);
        log += console.text();
    }
    // Timers and animations started outside the clock's sampling (a push
    // from the test, a line started as the previous one's panel comes out,
    // the sound manager's news, and at times an alarm's handler) count from
    // the next frame on.
    void settle() { step(0); }
    void waitForTheVoiceToEnd()
    {
        ASSERT_TRUE(KaWaitFor([this]() { return !dialog->voice().isPlaying(); }, 10.0));
        // The frame in which the sound manager sees it.
        step(0);
    }

    KaLuaGUI::AnchorAnimation* animation(const char* name) { return dialog->gui().layoutAnchorLinearAnimation(name); }
    bool slidingIn() { return animation("dialogAnimationUp")->isRunning(); }
    bool slidingOut() { return animation("dialogAnimationDown")->isRunning(); }
    std::string shownText()
    {
        KaITextLayout* text = dialog->gui().textLayout("text");
        return text ? std::string(text->text().c_str()) : "(none)";
    }
    std::string current() { return dialog->current().name.c_str(); }
    // The test's clock on, a frame at a time, until the panel is idle.
    void runToTheEnd()
    {
        for (int i = 0; i < 100 && dialog->isDialogPlaying(); ++i)
            step(100);
        EXPECT_FALSE(dialog->isDialogPlaying());
    }
    // Low on the screen (where the panel is first in) and off the centre,
    // which the application's fade holds a one-pixel button over.
    void clickThePanel()
    {
        inputMgr.get()->setMouseRawPosition(KaVector2s32(100, 200), 0);
        inputMgr.get()->setMouseLeft(true, 0);
        inputMgr.get()->setMouseLeft(false, 0);
    }

    std::unique_ptr<Dialog2> dialog;
    std::string names;
};

TEST_F(Dialog2Test, ThreeLinesPlayInTurnEachAtLeastOneAndAHalfSeconds)
{
    KaButtonLayout* lock = dialog->gui().buttonLayout("dialogLockButton");
    ASSERT_NE(lock, nullptr);
    EXPECT_EQ(std::string(dialog->name().c_str()), "dialog2");
    EXPECT_EQ(lock->parent(), dialog.get());
    EXPECT_FALSE(dialog->isDialogPlaying());

    push("A", "short.ogg");
    push("B", "long");
    push("C", "missing.ogg");
    settle();
    EXPECT_TRUE(dialog->isDialogPlaying());
    EXPECT_EQ(current(), "A");
    EXPECT_EQ(dialog->queuedCount(), 2u);
    EXPECT_EQ(shownText(), "[text of A]");
    EXPECT_EQ(dialog->voice().channelName(), KaString("dialog"));
    EXPECT_FALSE(dialog->voice().repeat());
    EXPECT_TRUE(slidingIn());

    // A: its voice ends first; the line stays until its 1.5 s are up.
    waitForTheVoiceToEnd();
    step(1400);
    EXPECT_FALSE(slidingIn());
    EXPECT_NE(log.find("Dialog pos 1.000000\n"), std::string::npos) << log;
    EXPECT_FALSE(slidingOut());
    EXPECT_EQ(current(), "A");
    step(200);
    EXPECT_TRUE(slidingOut());
    EXPECT_EQ(names, "");
    // Out: B is already shown when A is reported.
    settle();
    step(300);
    EXPECT_EQ(names, "A>B;");
    EXPECT_EQ(shownText(), "[text of B]");
    settle();

    // B: its voice's 3 s pass on the clock while the voice still plays (in
    // real time); the voice's end ends it.
    step(1600);
    EXPECT_FALSE(slidingOut());
    step(1500);
    ASSERT_TRUE(dialog->voice().isPlaying()) << "the long voice ended before the test could look";
    EXPECT_FALSE(slidingOut());
    waitForTheVoiceToEnd();
    EXPECT_TRUE(slidingOut());
    settle();
    step(300);
    EXPECT_EQ(names, "A>B;B>C;");
    settle();

    // C: no voice file; the line ends on its 1.5 s.
    EXPECT_NE(log.find("can't open file"), std::string::npos) << log;
    step(1400);
    EXPECT_EQ(current(), "C");
    EXPECT_FALSE(slidingOut());
    step(200);
    EXPECT_TRUE(slidingOut());
    settle();
    step(300);
    EXPECT_EQ(names, "A>B;B>C;C>-;");
    EXPECT_FALSE(dialog->isDialogPlaying());
    EXPECT_FALSE(lock->visible());
}

// Without a sound device no voice plays, yet a line stays as long as its
// voice file lasts (and at least 1.5 s). OpenAL reads its driver choice once
// per process, hence the child process.
TEST(Dialog2NoDevice, ALineLastsAsLongAsItsVoiceFile)
{
    std::string output;
    const int status = KaRunChildTest("Dialog2NoDeviceChild.*", { { "KA_TEST_NO_SOUND_DEVICE", "1" } }, &output);
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

using Dialog2NoDeviceChild = Dialog2Test;

TEST_F(Dialog2NoDeviceChild, DISABLED_Run)
{
    const struct {
        const char* voice;
        unsigned long long lasts;
    } cases[] = { { "long.ogg", kLongVoiceMs }, { "short.ogg", 1500 }, { "missing.ogg", 1500 } };
    for (const auto& line : cases) {
        SCOPED_TRACE(line.voice);
        push(line.voice, line.voice);
        settle();
        EXPECT_FALSE(dialog->voice().isPlaying());
        step(line.lasts - 100);
        EXPECT_EQ(current(), line.voice);
        EXPECT_FALSE(slidingOut());
        step(200);
        EXPECT_TRUE(slidingOut());
        runToTheEnd();
    }
    EXPECT_EQ(names, "long.ogg>-;short.ogg>-;missing.ogg>-;");
}

TEST_F(Dialog2Test, AClickOnThePanelSkipsTheLineOnceItIsIn)
{
    KaLuaGUI::AnchorAnimation* down = animation("dialogAnimationDown");
    KaCallCounter downStops;
    down->onStop.add(&downStops, &KaCallCounter::onEvent, 0.0f);

    push("A", "long.ogg");
    settle();
    step(200);
    ASSERT_TRUE(slidingIn());
    clickThePanel();
    EXPECT_FALSE(slidingOut()) << "a click while the panel slides in does nothing";
    EXPECT_TRUE(dialog->voice().isPlaying());

    // Buttons take no second validation within half a second.
    step(600);
    ASSERT_FALSE(slidingIn());
    clickThePanel();
    EXPECT_TRUE(slidingOut());
    EXPECT_FALSE(dialog->voice().isPlaying());
    // The voice's stop comes back through its signal: the panel is not sent
    // out a second time.
    EXPECT_EQ(downStops.count, 0);
    EXPECT_EQ(names, "");
    settle();
    step(300);
    EXPECT_EQ(downStops.count, 1);
    EXPECT_EQ(names, "A>-;");

    // A click on an idle panel skips nothing.
    step(600);
    clickThePanel();
    EXPECT_FALSE(slidingOut());
    EXPECT_EQ(names, "A>-;");
}

TEST_F(Dialog2Test, ALinePushedWhileAnotherIsShownWaitsForIt)
{
    struct Case {
        const char* when;
        const char* voice;
        std::function<void()> reach;
    } cases[] = {
        { "sliding in without a voice", "missing.ogg", [this]() { step(100); } },
        { "after the voice ended, before 1.5 s", "short.ogg", [this]() { waitForTheVoiceToEnd(); } },
        { "sliding out", "short.ogg",
            [this]() {
                waitForTheVoiceToEnd();
                step(1600);
                step(100);
                EXPECT_TRUE(slidingOut());
            } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.when);
        names.clear();
        push("A", c.voice);
        c.reach();
        push("B", "missing.ogg");
        EXPECT_EQ(current(), "A");
        EXPECT_EQ(dialog->queuedCount(), 1u);
        runToTheEnd();
        EXPECT_EQ(names, "A>B;B>-;");
    }
}

TEST_F(Dialog2Test, VoicesAreTakenFromOneFolder)
{
    struct Case {
        const char* voice;
        const char* path;
    } cases[] = { { "", "sounds/Dialogs/silence5s.ogg" }, { "short.wav", "sounds/Dialogs/short.ogg" },
        { "short", "sounds/Dialogs/short.ogg" }, { "sub\\\\deep//x.mp3", "sounds/Dialogs/sub/deep/x.ogg" } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.voice);
        for (bool fourArguments : { false, true }) {
            dialog->unload();
            dialog->load();
            KaCaptureStdout console;
            if (fourArguments)
                dialog->pushDialog("A", "a", c.voice, 2);
            else
                dialog->pushDialog("A", "a", c.voice, "", "", 0.0f);
            EXPECT_EQ(std::string(dialog->voice().filePath().c_str()), c.path);
        }
        EXPECT_EQ(dialog->current().blend, 2.0f);
    }
    // The silence is a voice like any other: it plays.
    dialog->unload();
    dialog->load();
    dialog->pushDialog("A", "a", "", "", "", 0.0f);
    EXPECT_TRUE(dialog->voice().isPlaying());
}

TEST_F(Dialog2Test, TheSubtitleTemplateIsNotAFormat)
{
    struct Case {
        const char* format;
        const char* text;
        const char* shown;
    } cases[] = {
        { "textFormat = '<section style=\"left\" />[%s]'", "100% sure, %s %d %n", "[100% sure, %s %d %n]" },
        { "textFormat = '<section style=\"left\" />%d%% %s %s'", "x", "%d%% x %s" },
        // A template without its "%s" still shows the line, after itself.
        { "textFormat = '<section style=\"left\" />Says: '", "plain", "Says: plain" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        content.write("menus/dialog.lua", std::string(c.format) + "\n" + (kDialogGui + std::string(kDialogGui).find('\n') + 1));
        dialog->unload();
        dialog->load();
        dialog->pushDialog("A", c.text, "missing", "", "", 0.0f);
        EXPECT_EQ(shownText(), c.shown);
    }
}

TEST_F(Dialog2Test, LeavingTheGameDropsTheLinesUnreported)
{
    push("A", "long.ogg");
    push("B", "short.ogg");
    step(400);
    dialog->unload();
    EXPECT_FALSE(dialog->voice().isPlaying());
    EXPECT_EQ(dialog->queuedCount(), 0u);
    EXPECT_FALSE(dialog->isDialogPlaying());
    for (int i = 0; i < 30; ++i)
        step(100);
    EXPECT_EQ(names, "");

    // The next game starts afresh.
    dialog->load();
    push("C", "missing");
    EXPECT_TRUE(dialog->isDialogPlaying());
    runToTheEnd();
    EXPECT_EQ(names, "C>-;");
}

TEST_F(Dialog2Test, WithoutItsDescriptionALineStillEnds)
{
    content.write("menus/dialog.lua", "-- nothing here\n");
    dialog->unload();
    dialog->load();
    push("A", "missing");
    settle();
    EXPECT_FALSE(dialog->isDialogPlaying()) << "no lock button: nothing to tell";
    step(1400);
    EXPECT_EQ(names, "");
    step(200);
    EXPECT_EQ(names, "A>-;");
}

TEST_F(Dialog2Test, TheBackupHoldsAnEmptyDialogElement)
{
    TiXmlDocument document;
    TiXmlElement save("Save");
    dialog->saveToBackup(save);
    ASSERT_NE(save.FirstChildElement("Dialog"), nullptr);
    EXPECT_EQ(save.FirstChildElement("Dialog")->FirstChild(), nullptr);
    EXPECT_EQ(save.FirstChildElement("Dialog")->FirstAttribute(), nullptr);
}

}
