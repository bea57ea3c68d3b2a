#include <gtest/gtest.h>

#include <png.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/gui/KaITextLayout.h"
#include "engine/gui/KaLayout.h"
#include "engine/gui/KaMainWindow.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/scene/KaAnimation.h"
#include "game/panels/Notifier.h"
#include "tests/engine/graphics/KaPngTestFiles.h"
#include "tests/game/ApplicationTestFixture.h"

namespace {

// A notice file with short phases: 100 ms in, 1 s shown, 200 ms out. The
// picture's phases paint it green and run beside the card's, longer, so
// that only the card's can be what moves the notices on.
std::string noticeFile(const std::string& textFormatLine)
{
    return textFormatLine
        + "KaColorLinearAnimation{ name = 'fadeIn', duration = 100, startValue = {255, 255, 255, 0},"
          " endValue = {255, 255, 255, 255}, curve = {0, 1} }\n"
          "KaColorLinearAnimation{ name = 'visible', duration = 1000, startValue = {255, 255, 255, 255},"
          " endValue = {255, 255, 255, 255}, curve = {0, 1} }\n"
          "KaColorLinearAnimation{ name = 'fadeOut', duration = 200, startValue = {255, 255, 255, 255},"
          " endValue = {255, 255, 255, 0}, curve = {0, 1} }\n"
          "KaColorLinearAnimation{ name = 'fadeInImage', duration = 150, startValue = {0, 255, 0, 0},"
          " endValue = {0, 255, 0, 255}, curve = {0, 1} }\n"
          "KaColorLinearAnimation{ name = 'visibleImage', duration = 1500, startValue = {0, 255, 0, 255},"
          " endValue = {0, 255, 0, 255}, curve = {0, 1} }\n"
          "KaColorLinearAnimation{ name = 'fadeOutImage', duration = 300, startValue = {0, 255, 0, 255},"
          " endValue = {0, 255, 0, 0}, curve = {0, 1} }\n"
          "KaLayout{ name = 'notifier', sizeType = Percent, size = {1, 1, 1},\n"
          "  KaLayout{ name = 'sprite', sizeType = Percent, size = {0.4, 0.1, 1},\n"
          "    KaTextLayout{ name = 'text', sizeType = Percent, size = {1, 1, 1} } },\n"
          "  KaSpriteLayout{ name = 'image', sizeType = Percent, size = {0.1, 0.1, 1}, ratio = 0.5,"
          " color = {255, 0, 0, 255} } }\n";
}

const char* const kTextFormat = "textFormat = '<section style=\"left\" />Got %s!'\n";

std::string png(unsigned int width, unsigned int height)
{
    const KaPngFileLayout layout = { width, height, PNG_COLOR_TYPE_RGB, 8, false };
    return KaWritePng(layout, std::vector<unsigned char>(width * height * 3, 200));
}

class NotifierTest : public ApplicationTest {
protected:
    void SetUp() override
    {
        ApplicationTest::SetUp();
        ASSERT_TRUE(gl.isValid());
        mainWindow.get()->setSize(KaVector3f32(320, 240, 100));
        KaCaptureStdout quiet;
        application.get();
        renderer.get()->init();
        KaTimer::updateAll();
        content.write("menus/Notifier.lua", noticeFile(kTextFormat));
        content.write("pictures/wide.png", png(16, 8));
    }
    void TearDown() override
    {
        // Its objects go at the fixture's last end of frame.
        notifier.unload();
        ApplicationTest::TearDown();
    }

    // Frames of 10 ms, as the frame loop runs the timers and animations.
    void runFor(unsigned int milliseconds)
    {
        for (unsigned int t = 0; t < milliseconds; t += 10) {
            advance(10);
            KaTimer::updateAll();
            KaAnimation::updateAll();
        }
    }
    bool running(const char* animation)
    {
        KaLuaGUI::ColorAnimation* found = notifier.gui().colorLinearAnimation(animation);
        return found && found->isRunning();
    }
    // The card's phase and the notice it shows, "idle" when hidden.
    std::string state()
    {
        KaLayout* root = notifier.gui().layout("notifier");
        if (!root || !root->visible())
            return "idle";
        std::string phase = running("fadeIn") ? "fadeIn"
            : running("visible")              ? "visible"
            : running("fadeOut")              ? "fadeOut"
                                              : "still";
        return phase + " " + shownText();
    }
    std::string shownText()
    {
        KaITextLayout* text = notifier.gui().textLayout("text");
        return text ? std::string(text->text().c_str()) : "(none)";
    }
    std::vector<std::string> queued()
    {
        std::vector<std::string> texts;
        for (unsigned long i = 0; i < notifier.queue().size(); ++i)
            texts.push_back(notifier.queue()[i].text.c_str());
        return texts;
    }

    KaGLTestContext gl { 320, 240 };
    Notifier notifier;
};

TEST_F(NotifierTest, TwoNoticesFollowEachOtherThroughTheirPhases)
{
    notifier.load();
    ASSERT_NE(nullptr, notifier.gui().layout("notifier"));
    EXPECT_EQ("idle", state()) << "loading shows nothing";

    notifier.push("first", "");
    EXPECT_EQ("fadeIn Got first!", state()) << "nothing was showing: shown at once";
    notifier.push("second", "");
    EXPECT_EQ("fadeIn Got first!", state()) << "a push while one shows only queues";
    EXPECT_EQ(std::vector<std::string>({ "second" }), queued());

    // Each change of state, with the time it came at.
    std::vector<std::pair<std::string, unsigned int>> changes;
    std::string last = state();
    for (unsigned int t = 10; t <= 3000; t += 10) {
        runFor(10);
        if (state() != last) {
            last = state();
            changes.push_back({ last, t });
        }
    }
    const std::vector<std::string> expected = {
        "visible Got first!",
        "fadeOut Got first!",
        "fadeIn Got second!",
        "visible Got second!",
        "fadeOut Got second!",
        "idle",
    };
    // How long each phase lasted: the file's durations, give or take the
    // frames in which a phase ends and the next one starts counting.
    const unsigned int lasted[] = { 100, 1000, 200, 100, 1000, 200 };
    ASSERT_EQ(expected.size(), changes.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(expected[i], changes[i].first);
        const unsigned int start = i == 0 ? 0 : changes[i - 1].second;
        EXPECT_NEAR(lasted[i], changes[i].second - start, 20) << "up to " << expected[i];
    }
    EXPECT_TRUE(queued().empty());
}

TEST_F(NotifierTest, CardAndPictureFadeEachWithItsOwnPhases)
{
    notifier.load();
    notifier.push("first", "");
    runFor(50);
    KaLayout* card = notifier.gui().layout("sprite");
    KaLayout* picture = notifier.gui().layout("image");
    ASSERT_NE(nullptr, card);
    ASSERT_NE(nullptr, picture);
    EXPECT_GT(card->color().a, 60);
    EXPECT_LT(card->color().a, 200);
    EXPECT_EQ(255, card->color().r) << "the card follows \"fadeIn\"";
    EXPECT_EQ(0, picture->color().r) << "the picture follows \"fadeInImage\"";
    EXPECT_GT(picture->color().a, 0);
    EXPECT_LT(picture->color().a, card->color().a) << "its own, longer fade";

    runFor(1150);
    EXPECT_TRUE(running("fadeOut"));
    EXPECT_TRUE(running("fadeOutImage")) << "the picture fades out with the card";
    runFor(200);
    EXPECT_EQ(0, card->color().a);
    EXPECT_EQ("idle", state());
}

// The message goes where "%s" stands, as text: neither the template nor the
// message is ever read as a printf format.
TEST_F(NotifierTest, TheTemplateTakesTheMessageAsText)
{
    struct Case {
        const char* textFormatLine;
        const char* message;
        const char* shown;
    };
    const Case cases[] = {
        { "textFormat = '<section style=\"left\" />Got %s!'\n", "the key", "Got the key!" },
        { "textFormat = '<section style=\"left\" />100% sure: %s'\n", "50%d %n %s%%", "100% sure: 50%d %n %s%%" },
        { "textFormat = '<section style=\"left\" />%s and %s'\n", "tea", "tea and %s" },
        { "textFormat = '<section style=\"left\" />A new page'\n", "unused", "A new page" },
        { "", "a file without a template shows nothing", "" },
    };
    for (const Case& c : cases) {
        content.write("menus/Notifier.lua", noticeFile(c.textFormatLine));
        Notifier own;
        own.load();
        own.push(c.message, "");
        KaITextLayout* text = own.gui().textLayout("text");
        ASSERT_NE(nullptr, text);
        EXPECT_STREQ(c.shown, text->text().c_str()) << c.textFormatLine;
        own.unload();
    }
}

TEST_F(NotifierTest, ThePictureIsLoadedOrLeftAsTheFileGivesIt)
{
    notifier.load();
    notifier.push("with a picture", "pictures/wide.png");
    KaSpriteLayout* picture = notifier.gui().spriteLayout("image");
    ASSERT_NE(nullptr, picture);
    EXPECT_FLOAT_EQ(2.0f, picture->ratio()) << "the 16 x 8 picture was loaded";

    notifier.push("without", "");
    runFor(1350);
    ASSERT_EQ("fadeIn Got without!", state());
    picture = notifier.gui().spriteLayout("image");
    ASSERT_NE(nullptr, picture);
    EXPECT_FLOAT_EQ(0.5f, picture->ratio()) << "the previous notice's picture is gone: the file's state again";
}

TEST_F(NotifierTest, TheQueueOutlivesAnUnload)
{
    notifier.load();
    notifier.push("a", "");
    notifier.push("b", "");
    notifier.push("c", "");
    runFor(50);
    notifier.unload();
    EXPECT_EQ(std::vector<std::string>({ "b", "c" }), queued());
    EXPECT_EQ(nullptr, notifier.gui().layout("notifier"));

    runFor(3000);
    EXPECT_EQ(std::vector<std::string>({ "b", "c" }), queued()) << "nothing goes on while unloaded";

    notifier.load();
    EXPECT_EQ("idle", state()) << "loading alone shows none of them";
    notifier.push("d", "");
    EXPECT_EQ("fadeIn Got b!", state()) << "the oldest waiting notice comes first";
    EXPECT_EQ(std::vector<std::string>({ "c", "d" }), queued());
}

TEST_F(NotifierTest, AFileWithoutPhasesOrPictureStillShowsTheNotices)
{
    content.write("menus/Notifier.lua",
        std::string(kTextFormat) + "KaLayout{ name = 'notifier', KaTextLayout{ name = 'text' } }\n");
    KaCaptureStdout console;
    notifier.load();
    notifier.push("one", "pictures/nowhere.png");
    notifier.push("two", "");
    EXPECT_EQ("still Got two!", state()) << "with nothing running the next push shows at once";
    EXPECT_TRUE(queued().empty());
}

#ifdef KA_RESOURCES_DIR

// The sample game's notice: every element the game drives, a template with
// one "%s", and a notice that runs through to the end.
TEST_F(NotifierTest, TheSampleNoticeRunsThroughItsPhases)
{
    ASSERT_EQ(0, chdir(KA_RESOURCES_DIR));
    KaCaptureStdout console;
    notifier.load();
    KaLuaGUI& gui = notifier.gui();
    for (const char* layout : { "notifier", "sprite" })
        EXPECT_NE(nullptr, gui.layout(layout)) << layout;
    EXPECT_NE(nullptr, gui.textLayout("text"));
    EXPECT_NE(nullptr, gui.spriteLayout("image"));
    for (const char* animation : { "fadeIn", "visible", "fadeOut", "fadeInImage", "visibleImage", "fadeOutImage" })
        EXPECT_NE(nullptr, gui.colorLinearAnimation(animation)) << animation;
    const std::string textFormat = gui.value("textFormat").toString().c_str();
    EXPECT_NE(std::string::npos, textFormat.find("%s"));
    EXPECT_EQ(textFormat.find("%s"), textFormat.rfind("%s")) << "one place for the message";

    notifier.push("The logbook", "");
    EXPECT_NE("idle", state());
    runFor(10000);
    EXPECT_EQ("idle", state());
    EXPECT_EQ("", console.text()) << "the file and its pictures load without a word:\n" << console.text();
}

#endif

}
