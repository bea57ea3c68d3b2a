#include "tests/game/menus/MenuTestFixture.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include "engine/gui/KaSpriteLayout.h"
#include "engine/sound/KaSoundManager.h"
#include "game/menus/OptionsMenu.h"
#include "tests/engine/sound/KaSoundTestDevice.h"

namespace {

float sourceGain(unsigned int source)
{
    float gain = -1.0f;
    alGetSourcef(source, AL_GAIN, &gain);
    return gain;
}

// Holds the output device's clock while it lives: a sound started before
// stays playing however long a loaded machine takes over the frames that
// follow, so that only the game can stop it.
class HeldSoundClock {
public:
    HeldSoundClock()
        : mDevice(alcGetContextsDevice(alcGetCurrentContext()))
    {
        if (mDevice && alcIsExtensionPresent(mDevice, "ALC_SOFT_pause_device")) {
            mPause = reinterpret_cast<LPALCDEVICEPAUSESOFT>(alcGetProcAddress(mDevice, "alcDevicePauseSOFT"));
            mResume = reinterpret_cast<LPALCDEVICERESUMESOFT>(alcGetProcAddress(mDevice, "alcDeviceResumeSOFT"));
        }
        if (mPause && mResume)
            mPause(mDevice);
    }
    ~HeldSoundClock()
    {
        if (mPause && mResume)
            mResume(mDevice);
    }
    bool held() const { return mPause && mResume; }

private:
    ALCdevice* mDevice;
    LPALCDEVICEPAUSESOFT mPause = nullptr;
    LPALCDEVICERESUMESOFT mResume = nullptr;
};

KaString numbered(const char* prefix, int index, const char* suffix = "")
{
    KaString name;
    name.format("%s%d%s", prefix, index, suffix);
    return name;
}

}

#ifdef KA_RESOURCES_DIR

// Where the sample content places the options screen's buttons.
namespace {

const float rowOf[4] = { 0.28f, 0.40f, 0.52f, 0.64f };
const float minusX = 0.39f;
const float plusX = 0.79f;

}

class OptionsMenuTest : public MenuTest {
protected:
    void SetUp() override
    {
        MenuTest::SetUp();
        toMainMenu();
        MenuTest::click(application.get()->mainMenu().gui(), "optionsButton", 0.18f, 0.59f);
        settle();
    }
    OptionsMenu& options() { return application.get()->optionsMenu(); }
    void clickVolume(int row, bool plus)
    {
        static const char* const channels[4] = { "sfx", "music", "dialog", "video" };
        KaString name = KaString(channels[row]) + (plus ? "VolumePlusButton" : "VolumeMinusButton");
        click(options().gui(), name.c_str(), plus ? plusX : minusX, rowOf[row]);
    }
    // The lit mark of a channel's gauge, -1 when none; every "Off" layout
    // must show the opposite state.
    int litMark(const char* channel)
    {
        int lit = -1;
        const KaString prefix = KaString(channel) + "VolumeSprite";
        for (int i = 0; i < 10; ++i) {
            KaLayout* mark = options().gui().layout(numbered(prefix.c_str(), i));
            KaLayout* off = options().gui().layout(numbered(prefix.c_str(), i, "Off"));
            if (!mark || !off)
                return -2;
            if (mark->visible() == off->visible())
                return -3;
            if (mark->visible())
                lit = lit == -1 ? i : -4;
        }
        return lit;
    }
};

TEST_F(OptionsMenuTest, EachClickStepsTheVolumeByATenthAndLightsItsMark)
{
    KaSoundManager* sounds = soundManager.get();
    struct Case {
        int row;
        const char* channel;
        float from;
        bool plus;
        float to;
        int mark;
    } cases[] = {
        { 0, "sfx", 0.5f, true, 0.6f, 6 },
        { 0, "sfx", 0.95f, true, 1.0f, -1 }, // no mark at full volume
        { 0, "sfx", 0.05f, false, 0.0f, 0 },
        { 1, "music", 0.7f, false, 0.6f, 6 },
        { 2, "dialog", 0.3f, true, 0.4f, 4 },
        { 3, "video", 0.0f, false, 0.0f, 0 },
        { 3, "video", 1.0f, false, 0.9f, 9 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.channel) + (c.plus ? " +" : " -") + std::to_string(c.from));
        sounds->setChannelVolume(c.channel, c.from);
        clickVolume(c.row, c.plus);
        EXPECT_NEAR(c.to, sounds->channelVolume(c.channel), 1e-5f);
        EXPECT_EQ(c.mark, litMark(c.channel));
    }
}

TEST_F(OptionsMenuTest, QuickClicksEachCountAndReachTheSoundsGains)
{
    KaSoundManager* sounds = soundManager.get();
    Application* app = application.get();
    sounds->setChannelVolume("music", 0.0f);
    // No half second between them: the volume buttons take every click.
    for (int i = 0; i < 4; ++i)
        clickVolume(1, true);
    EXPECT_NEAR(0.4f, sounds->channelVolume("music"), 1e-5f);
    ASSERT_TRUE(app->menuMusic().isPlaying());
    EXPECT_NEAR(0.4f, sourceGain(app->menuMusic().alSource()), 1e-5f);
    for (int i = 0; i < 12; ++i)
        clickVolume(1, true);
    EXPECT_FLOAT_EQ(1.0f, sounds->channelVolume("music"));
    EXPECT_NEAR(1.0f, sourceGain(app->menuMusic().alSource()), 1e-5f);

    // The voices' test line plays on the dialog channel, the films' chime on
    // the video channel.
    sounds->setChannelVolume("dialog", 0.5f);
    clickVolume(2, false);
    KaMusic& dialog = options().dialogTestSound();
    ASSERT_TRUE(dialog.isPlaying());
    EXPECT_EQ(KaString("dialog"), dialog.channelName());
    EXPECT_NEAR(0.4f, sourceGain(dialog.alSource()), 1e-5f);
    sounds->setChannelVolume("video", 0.5f);
    clickVolume(3, true);
    KaMusic& video = options().videoTestSound();
    ASSERT_TRUE(video.isPlaying());
    EXPECT_FALSE(dialog.isPlaying()) << "one test sound at a time";
    EXPECT_NEAR(0.6f, sourceGain(video.alSource()), 1e-5f);
}

TEST_F(OptionsMenuTest, ATestSoundStillPlayingIsNotRestartedAndOutlivesTheScreen)
{
    KaMusic& dialog = options().dialogTestSound();
    clickVolume(2, true);
    ASSERT_TRUE(dialog.isPlaying());
    const HeldSoundClock clock;
    ASSERT_TRUE(clock.held()) << "the output device cannot be paused";
    dialog.onStopped().add(&stops, &KaCallCounter::onEvent, 0.0f);
    const float before = soundManager.get()->channelVolume("dialog");
    clickVolume(2, true);
    EXPECT_GT(soundManager.get()->channelVolume("dialog"), before);
    EXPECT_EQ(0, stops.count);
    EXPECT_TRUE(dialog.isPlaying());
    // Back to the main menu: the line plays on to its end.
    settle();
    click(options().gui(), "quitButton", 0.75f, 0.82f);
    EXPECT_FALSE(options().entered());
    EXPECT_TRUE(application.get()->mainMenu().loaded());
    EXPECT_TRUE(dialog.isPlaying());
    EXPECT_EQ(0, stops.count);
}

TEST_F(OptionsMenuTest, TheTutorialLeafsThroughItsPagesAndCloses)
{
    KaLuaGUI& tuto = options().tutoGui();
    KaLayout* panel = tuto.layout("tuto");
    ASSERT_NE(nullptr, panel);
    EXPECT_FALSE(panel->visible());
    auto shown = [&]() {
        std::string pages;
        for (int i = 1; i <= 3; ++i)
            if (tuto.layout(numbered("page", i))->visible())
                pages += std::to_string(i);
        return pages;
    };
    click(options().gui(), "tutoButton", 0.25f, 0.82f);
    EXPECT_TRUE(panel->visible());
    EXPECT_EQ("1", shown());
    for (const char* next : { "2", "3" }) {
        settle();
        click(tuto, numbered("page", static_cast<int>(options().tutoPage())).c_str(), 0.5f, 0.5f);
        EXPECT_EQ(next, shown());
    }
    EXPECT_EQ(3u, options().tutoPage());
    settle();
    click(tuto, "page3", 0.5f, 0.5f);
    EXPECT_FALSE(panel->visible());
    EXPECT_EQ(1u, options().tutoPage());
    settle();
    click(options().gui(), "tutoButton", 0.25f, 0.82f);
    EXPECT_EQ("1", shown()) << "the tutorial starts again at its first page";
}

TEST_F(OptionsMenuTest, TheCreditsComeBackToTheOptions)
{
    Application* app = application.get();
    click(options().gui(), "creditsButton", 0.5f, 0.82f);
    EXPECT_FALSE(options().entered());
    ASSERT_TRUE(app->credits().entered());
    EXPECT_TRUE(app->credits().fromOptions());
    EXPECT_FALSE(app->backgroundVideoSprite().surface().frameAnim().isRunning()) << "the menu video pauses";
    EXPECT_EQ(KaPath("menus/music/credits.ogg"), app->menuMusic().getAccessName());
    EXPECT_TRUE(app->menuMusic().isPlaying());
    settle();
    click(app->credits().gui(), "background", 0.5f, 0.5f);
    EXPECT_FALSE(app->credits().entered());
    EXPECT_TRUE(options().entered());
    EXPECT_TRUE(app->backgroundVideoSprite().surface().frameAnim().isRunning());
    EXPECT_EQ(KaPath("menus/music/menu.ogg"), app->menuMusic().getAccessName());
}

#endif

// A description of the test's own: gauges without marks, five pages.
class OptionsMenuDescriptionTest : public ApplicationFrameTest {
protected:
    void SetUp() override
    {
        ApplicationFrameTest::SetUp();
        content.write("menus/options/optionsMenu.lua",
            "local function button(name, x, y) return KaButtonLayout{ name = name, sizeType = Percent,"
            " size = {0.1, 0.1, 1}, position = {x, y, 0.5} } end\n"
            "KaLayout{ name = \"menu2\", sizeType = Percent, size = {1, 1, 1},"
            " button(\"sfxVolumeMinusButton\", 0.1, 0.1), button(\"sfxVolumePlusButton\", 0.3, 0.1),"
            " button(\"tutoButton\", 0.5, 0.5), button(\"quitButton\", 0.9, 0.9),"
            " button(\"creditsButton\", 0.7, 0.9) }\n");
        std::string pages;
        for (int i = 1; i <= 5; ++i)
            pages += "KaButtonLayout{ name = \"page" + std::to_string(i)
                + "\", sizeType = Percent, size = {0.5, 0.5, 1} },";
        content.write("menus/options/tuto.lua",
            "KaButtonLayout{ name = \"tuto\", sizeType = Percent, size = {1, 1, 1},"
            " KaLayout{ name = \"background\", sizeType = Percent, size = {1, 1, 1}, "
                + pages + " } }\n");
        start();
        application.get()->splashScreens().onQuitSplash();
        options().enter();
        // Past the half second in which buttons refuse clicks.
        for (int i = 0; i < 40; ++i)
            frame();
    }
    OptionsMenu& options() { return application.get()->optionsMenu(); }
    void clickAt(int x, int y)
    {
        inputMgr.get()->setMouseRawPosition(KaVector2s32(x, y), 0);
        inputMgr.get()->setMouseLeft(true, 0);
        inputMgr.get()->setMouseLeft(false, 0);
    }
};

TEST_F(OptionsMenuDescriptionTest, WithoutMarksTheStepIsATenth)
{
    soundManager.get()->setChannelVolume("sfx", 0.5f);
    clickAt(96, 24);
    EXPECT_NEAR(0.6f, soundManager.get()->channelVolume("sfx"), 1e-5f);
    clickAt(32, 24);
    clickAt(32, 24);
    EXPECT_NEAR(0.4f, soundManager.get()->channelVolume("sfx"), 1e-5f);
}

TEST_F(OptionsMenuDescriptionTest, FivePagesTakeFourClicksAndTheFifthCloses)
{
    options().onVisibleTuto();
    for (int click = 0; click < 4; ++click)
        options().onVisibleTutoNextPage();
    EXPECT_EQ(5u, options().tutoPage());
    EXPECT_TRUE(options().tutoGui().layout("page5")->visible());
    EXPECT_FALSE(options().tutoGui().layout("page4")->visible());
    // The last page's button closes.
    for (int i = 0; i < 40; ++i)
        frame();
    clickAt(160, 120);
    EXPECT_FALSE(options().tutoGui().layout("tuto")->visible());
    EXPECT_EQ(1u, options().tutoPage());
}
