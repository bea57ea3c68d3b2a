#include "tests/game/menus/MenuTestFixture.h"

#include "engine/gui/KaSpriteLayout.h"
#include "game/menus/Credits.h"

#ifdef KA_RESOURCES_DIR

// The sample credits: three harbour views in "Backgrounds", the text
// scrolling for 40 s.
class CreditsTest : public MenuTest {
protected:
    void SetUp() override
    {
        MenuTest::SetUp();
        toMainMenu();
        KaCaptureStdout console;
        credits().enter(false);
        log += console.text();
    }
    Credits& credits() { return application.get()->credits(); }
    KaI3DObject2* picture(unsigned long index) { return credits().gui().layout("Backgrounds")->child(index); }
    // The game's clock moves on by that many milliseconds, in frames of
    // 100 ms: the slideshow does not need every sixtieth of a second.
    void runFor(unsigned long long milliseconds)
    {
        KaCaptureStdout console;
        for (unsigned long long spent = 0; spent < milliseconds; spent += 100) {
            advance(100);
            application.get()->run();
        }
        log += console.text();
    }
    std::string visiblePictures()
    {
        std::string shown;
        for (unsigned long i = 0; i < 3; ++i)
            shown += picture(i)->visible() ? "1" : "0";
        return shown;
    }
};

TEST_F(CreditsTest, ThePicturesFadeInTwelveSecondsApartAndTheLastOneStays)
{
    ASSERT_TRUE(credits().entered());
    ASSERT_EQ(3u, credits().gui().layout("Backgrounds")->childCount());
    EXPECT_EQ("100", visiblePictures());
    EXPECT_EQ(0, picture(0)->color().a) << "transparent for the first three quarters";
    runFor(8500);
    EXPECT_EQ(0, picture(0)->color().a);
    runFor(2500);
    EXPECT_GT(picture(0)->color().a, 100) << "fading in over the last quarter";
    EXPECT_EQ("100", visiblePictures());
    runFor(1200);
    EXPECT_EQ(1, credits().backgroundIndex());
    EXPECT_EQ(255, picture(0)->color().a);
    EXPECT_EQ("110", visiblePictures()) << "earlier pictures stay under the later ones";
    runFor(12000);
    EXPECT_EQ(2, credits().backgroundIndex());
    EXPECT_EQ("111", visiblePictures());
    // Each fade restarts on the frame after the previous one ended: a
    // frame of 100 ms late at most.
    runFor(12400);
    EXPECT_EQ(3, credits().backgroundIndex());
    EXPECT_EQ(255, picture(2)->color().a);
    EXPECT_FALSE(credits().backgroundFade().isRunning()) << "no fourth picture";
    EXPECT_TRUE(credits().entered()) << "the text still scrolls";
}

TEST_F(CreditsTest, EnteredTwiceTheyStillMoveOnePicturePerFade)
{
    {
        KaCaptureStdout console;
        credits().enter(false);
    }
    EXPECT_EQ(0, credits().backgroundIndex());
    runFor(12200);
    EXPECT_EQ(1, credits().backgroundIndex());
    EXPECT_EQ("110", visiblePictures());
}

TEST_F(CreditsTest, TheEndOfTheTextReturnsWhereTheCreditsCameFrom)
{
    KaLayout* text = credits().gui().layout("text");
    const float start = text->userPosition().y;
    runFor(20000);
    EXPECT_LT(text->userPosition().y, start) << "the text scrolls up";
    EXPECT_TRUE(credits().entered());
    runFor(20500);
    EXPECT_FALSE(credits().entered());
    EXPECT_TRUE(application.get()->mainMenu().loaded());
    EXPECT_FALSE(application.get()->optionsMenu().entered());
}

TEST_F(CreditsTest, LeavingTwiceChangesScreenOnce)
{
    log.clear();
    {
        KaCaptureStdout console;
        credits().leave();
        credits().leave();
        log += console.text();
    }
    size_t entries = 0;
    for (size_t at = log.find("[MainMenu] main menu"); at != std::string::npos;
         at = log.find("[MainMenu] main menu", at + 1))
        ++entries;
    EXPECT_EQ(1u, entries) << log;
    EXPECT_FALSE(credits().backgroundFade().isRunning());
    // Entered again, the slideshow starts over from its first picture.
    credits().enter(true);
    EXPECT_EQ(0, credits().backgroundIndex());
    runFor(12100);
    EXPECT_EQ(1, credits().backgroundIndex()) << "one step a fade, not two";
}

TEST_F(CreditsTest, ThePictureIndexCountsOnEightBits)
{
    for (int i = 0; i < 255; ++i)
        credits().onBackgroundAnimFinished();
    EXPECT_EQ(255, credits().backgroundIndex());
    credits().onBackgroundAnimFinished();
    EXPECT_EQ(0, credits().backgroundIndex());
}

#endif
