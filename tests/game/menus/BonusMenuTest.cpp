#include "tests/game/menus/MenuScreenTestFixture.h"

#include "engine/core/KaCore.h"
#include "engine/gui/KaITextLayout.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/scene/KaTiledSurface.h"
#include "game/menus/BonusMenu.h"
#include "game/menus/GlobalBonusMenu.h"
#include "tools/fixtures/KaJpegFixture.h"

namespace {

// The hub without the last place's button.
const char* hubGui()
{
    return "KaLayout{ name = \"menu\", sizeType = Percent, size = {1, 1, 1},\n"
           "  KaButtonLayout{ name = \"Pim\", sizeType = Percent, size = {0.2, 0.2, 1}, position = {0.2, 0.5, 0.5} },\n"
           "  KaButtonLayout{ name = \"Dov\", sizeType = Percent, size = {0.2, 0.2, 1}, position = {0.5, 0.5, 0.5} },\n"
           "  KaButtonLayout{ name = \"Back\", sizeType = Percent, size = {0.2, 0.1, 1}, position = {0.8, 0.1, 0.5} "
           "},\n"
           "}\n";
}

// A picture button: four state faces, then the artwork's child (none when
// artwork is null, as in a description that forgot it).
std::string pictureButton(int index, const char* artwork)
{
    std::string button = "KaButtonLayout{ name = \"" + std::to_string(index)
        + "\",\n"
          "  upLayout = KaLayout{ sizeType = Percent, size = {1, 1, 1} },\n"
          "  downLayout = KaLayout{ sizeType = Percent, size = {1, 1, 1} },\n"
          "  rollOverLayout = KaLayout{ sizeType = Percent, size = {1, 1, 1} },\n"
          "  disabledLayout = KaLayout{ sizeType = Percent, size = {1, 1, 1} },\n";
    if (artwork)
        button
            += "  KaSpriteLayout{ name = \"" + std::string(artwork) + "\", visible = false, image = \"thumb.jpg\" },\n";
    return button + "}\n";
}

// A gallery of the given artworks (null: a button without its artwork
// child), each in a holder a quarter of the width apart, with every name
// the screen uses.
std::string galleryGui(const std::vector<const char*>& artworks)
{
    // The caption's markup, which the screen puts in front of it.
    std::string text = "slideTranslation = 0.25\ntextAttributs = '<section style=\"left\" />'\n";
    std::string holders;
    for (size_t i = 0; i < artworks.size(); ++i) {
        text += pictureButton(static_cast<int>(i), artworks[i]);
        holders += "KaLayout{ name = \"slot" + std::to_string(i) + "\", sizeType = Percent, size = {0.25, 0.25, 1},"
            + " position = {" + std::to_string(0.5 + 0.25 * i) + ", 0.5, 0.5} },\n";
    }
    return text
        + "KaButtonLayout{ name = \"menu\", sizeType = Percent, size = {1, 1, 1},\n"
          "  KaLayout{ name = \"slots\", sizeType = Percent, size = {1, 1, 1},\n"
        + holders
        + "  },\n"
          "  KaButtonLayout{ name = \"slideButton\", sizeType = Percent, size = {1, 0.3, 1} },\n"
          "  KaButtonLayout{ name = \"leftButton\", sizeType = Percent, size = {0.1, 0.1, 1},"
          " position = {0.05, 0.9, 0.5} },\n"
          "  KaButtonLayout{ name = \"rightButton\", sizeType = Percent, size = {0.1, 0.1, 1},"
          " position = {0.95, 0.9, 0.5} },\n"
          "  KaTextLayout{ name = \"text\", sizeType = Percent, size = {0.5, 0.1, 1}, position = {0.5, 0.2, 0.5} },\n"
          "  KaButtonLayout{ name = \"quitButton\", sizeType = Percent, size = {0.1, 0.1, 1},"
          " position = {0.95, 0.05, 0.5} },\n"
          "}\n"
          "KaLayoutPositionLinearAnimation{ name = \"slideAnimation\", duration = 300, curve = {0, 1} }\n"
          "KaSpriteLayout{ name = \"fullScreenPictureLayout\", sizeType = Percent, size = {1, 1, 1},\n"
          "  KaSpriteLayout{ name = \"fullScreenPicture\", sizeType = Percent, size = {1, 1, 1} },\n"
          "  KaButtonLayout{ name = \"fullScreenPictureButton\", sizeType = Percent, size = {1, 1, 1} } }\n";
}

const char* const texts = "<value name=\"Save0\" value=\"Dusk\" />\n"
                          "<value name=\"Save1\" value=\"Office\" />\n"
                          "<value name=\"Save3\" value=\"Tide table\" />\n";

class BonusMenuTest : public MenuScreenTest {
protected:
    void SetUp() override
    {
        MenuScreenTest::SetUp();
        content.write("texts/en.xml", texts);
        content.write("menus/bonusmenu/GlobalBonusMenu.lua", hubGui());
        content.write("menus/bonusmenu/Pim.lua", galleryGui({ "ArtworkA", "ArtworkB", "ArtworkC", "ArtworkD" }));
        content.write("menus/bonusmenu/Dov.lua", galleryGui({ "ArtworkA", "ArtworkB", "ArtworkC", nullptr }));
        content.write("menus/bonusmenu/Empty.lua", galleryGui({}));
        // An artwork may be named by its picture's file.
        content.write("menus/bonusmenu/Files.lua", galleryGui({ "art/dusk.jpg", "ArtworkB" }));
        std::vector<unsigned char> pixels(16 * 8 * 3, 200);
        content.write("art/dusk.jpg", KaEncodeJpeg(pixels.data(), 16, 8, 3));
        content.write("thumb.jpg", KaEncodeJpeg(pixels.data(), 16, 8, 3));
    }

    GlobalBonusMenu& hub() { return app()->globalBonusMenu(); }
    BonusMenu& gallery() { return app()->bonusMenu(); }
    KaButtonLayout* button(const char* name) { return gallery().buttonLayout(name); }

    void enterGallery(const char* description)
    {
        KaCaptureStdout console;
        app()->captureFade();
        gallery().enter(description);
        app()->fade();
        log += console.text();
        settle();
    }
    // Until the slide animation has ended.
    void slideOut()
    {
        for (int i = 0; i < 40; ++i)
            frame();
    }
    std::string caption()
    {
        KaITextLayout* text = gallery().textLayout("text");
        return text ? text->text().c_str() : "(none)";
    }
    bool fullScreenShown()
    {
        KaSpriteLayout* view = gallery().spriteLayout("fullScreenPictureLayout");
        return view && view->parent() == &app()->layoutFront() && !gallery().layout("menu")->visible();
    }
    std::vector<bool> enabledButtons()
    {
        std::vector<bool> enabled;
        for (unsigned long i = 0; i < gallery().buttons().size(); ++i)
            enabled.push_back(gallery().buttons()[i]->button->state() != KaButtonLayout::Disabled);
        return enabled;
    }
};

}

TEST_F(BonusMenuTest, TheHubOpensAPlacesGalleryAndGoesBack)
{
    startWithArtworks("");
    {
        KaCaptureStdout console;
        app()->captureFade();
        hub().enter();
        app()->fade();
        log += console.text();
    }
    settle();
    EXPECT_TRUE(hub().entered());
    EXPECT_TRUE(app()->backgroundVideoSprite().visible());
    ASSERT_NE(hub().layout("menu"), nullptr);
    EXPECT_EQ(hub().layout("menu")->parent(), &app()->layoutFront());
    // The description has no "Orn3": the others work all the same.
    EXPECT_EQ(log.find("Orn3"), std::string::npos) << log;

    click(hub().buttonLayout("Dov"));
    EXPECT_FALSE(hub().entered());
    EXPECT_FALSE(hub().isLoaded());
    ASSERT_TRUE(gallery().isLoaded());
    EXPECT_EQ(std::string(gallery().path().c_str()), "menus/bonusmenu/Dov.lua");
    settle();

    // Back from the gallery to the hub, and from the hub to the main menu.
    click(button("quitButton"));
    EXPECT_FALSE(gallery().isLoaded());
    EXPECT_TRUE(gallery().buttons().isEmpty());
    EXPECT_TRUE(hub().entered());
    settle();
    click(hub().buttonLayout("Back"));
    EXPECT_FALSE(hub().entered());
    EXPECT_FALSE(hub().isLoaded());
}

TEST_F(BonusMenuTest, LeavingTheHubTwiceUnloadsOnce)
{
    startWithArtworks("");
    hub().enter();
    KaLayout* menu = hub().layout("menu");
    ASSERT_NE(menu, nullptr);
    hub().leave();
    EXPECT_FALSE(hub().entered());
    EXPECT_FALSE(hub().isLoaded());
    EXPECT_FALSE(menu->visible());
    frame();
    // A second leave neither unloads again nor captures a frame for a fade.
    ASSERT_FALSE(app()->capturedThisFrame());
    hub().leave();
    EXPECT_FALSE(app()->capturedThisFrame());
}

// Only the artworks "options.xml" lists are offered; a button whose artwork
// child is missing is sealed instead of read past its children.
TEST_F(BonusMenuTest, PicturesAreOfferedForTheArtworksTheOptionsList)
{
    startWithArtworks("<Movie0 artworkPath=\"ArtworkA\" unlocked=\"1\" />\n"
                      "<Movie7 artworkPath=\"ArtworkC\" unlocked=\"0\" />\n"
                      "<Other artworkPath=\"ArtworkB\" />\n");
    enterGallery("menus/bonusmenu/Dov.lua");
    ASSERT_EQ(gallery().buttons().size(), 4u);
    EXPECT_EQ(enabledButtons(), std::vector<bool>({ true, false, true, false }));
    EXPECT_EQ(std::string(gallery().buttons()[3]->artwork().c_str()), "");

    // A sealed picture does not open; an offered one does.
    click(button("1"));
    EXPECT_FALSE(fullScreenShown());
    settle();
    click(button("0"));
    EXPECT_TRUE(fullScreenShown());
    settle();
    click(gallery().buttonLayout("fullScreenPictureButton"));
    EXPECT_FALSE(fullScreenShown());
    EXPECT_TRUE(gallery().layout("menu")->visible());
    EXPECT_EQ(gallery().spriteLayout("fullScreenPictureLayout")->parent(), nullptr);
}

TEST_F(BonusMenuTest, AnArtworkUnlockedInTheGameIsOfferedAndKeptInTheOptions)
{
    startWithArtworks("<Movie0 artworkPath=\"ArtworkA\" unlocked=\"1\" />\n");
    app()->game().addArtworkUnlocked("ArtworkD", false);
    enterGallery("menus/bonusmenu/Pim.lua");
    EXPECT_EQ(enabledButtons(), std::vector<bool>({ true, false, false, true }));

    ASSERT_TRUE(app()->saveOptions("options.xml"));
    const std::string options = readFile(optionsPath());
    EXPECT_NE(options.find("artworkPath=\"ArtworkA\""), std::string::npos) << options;
    EXPECT_NE(options.find("artworkPath=\"ArtworkD\""), std::string::npos) << options;
}

TEST_F(BonusMenuTest, TheFullScreenPictureIsTheArtworksFileOrItsButtonsPicture)
{
    startWithArtworks("<Movie0 artworkPath=\"art/dusk.jpg\" />\n<Movie1 artworkPath=\"ArtworkB\" />\n");
    enterGallery("menus/bonusmenu/Files.lua");
    const struct {
        unsigned long slot;
        const char* picture;
    } cases[] = {
        { 0, "art/dusk.jpg" },
        // Named by key: the picture its hidden child carries.
        { 1, "thumb.jpg" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.slot);
        ASSERT_LT(c.slot, gallery().buttons().size());
        gallery().buttons()[c.slot]->onLoadSave();
        EXPECT_TRUE(fullScreenShown());
        EXPECT_EQ(std::string(gallery().spriteLayout("fullScreenPicture")->surface().path().c_str()), c.picture);
        EXPECT_TRUE(gallery().onPictureButton());
    }
}

TEST_F(BonusMenuTest, TheArrowsSlideOnePictureAtATimeWithinTheStrip)
{
    startWithArtworks("");
    enterGallery("menus/bonusmenu/Pim.lua");
    KaLayout* strip = gallery().layout("slots");
    const float start = strip->userPosition().x;
    const struct {
        const char* arrow;
        uint32_t current;
    } steps[] = {
        { "leftButton", 0 }, // nothing left of the first picture
        { "rightButton", 1 },
        { "rightButton", 2 },
        { "rightButton", 3 },
        { "rightButton", 3 }, // nor right of the last
        { "leftButton", 2 },
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(std::string(step.arrow) + " to " + std::to_string(step.current));
        click(button(step.arrow));
        slideOut();
        EXPECT_EQ(gallery().current(), step.current);
        EXPECT_NEAR(strip->userPosition().x, start - 0.25f * step.current, 1e-4f);
    }
}

TEST_F(BonusMenuTest, NoSecondSlideWhileOneRuns)
{
    startWithArtworks("");
    enterGallery("menus/bonusmenu/Pim.lua");
    click(button("rightButton"));
    ASSERT_NE(gallery().layoutPositionLinearAnimation("slideAnimation"), nullptr) << log;
    ASSERT_TRUE(gallery().layoutPositionLinearAnimation("slideAnimation")->isRunning());
    gallery().onRightButton();
    gallery().onLeftButton();
    EXPECT_EQ(gallery().current(), 1u);
    slideOut();
    EXPECT_NEAR(gallery().layout("slots")->userPosition().x, 0.25f, 1e-4f);
}

TEST_F(BonusMenuTest, ADragOfMoreThanATenthSlidesAndDoesNotOpenThePicture)
{
    startWithArtworks("<Movie0 artworkPath=\"ArtworkA\" />\n<Movie1 artworkPath=\"ArtworkB\" />\n");
    enterGallery("menus/bonusmenu/Pim.lua");
    gallery().onRightButton();
    slideOut();
    ASSERT_EQ(gallery().current(), 1u);
    KaButtonLayout* slide = button("slideButton");
    const KaVector2s32 centre = pixelOf(slide);
    const float width = gallery().layout("slots")->xSize();

    // A short drag right does nothing: the release opens the picture under
    // the pointer.
    press(centre);
    EXPECT_TRUE(slide->clickPassThrough());
    moveTo(KaVector2s32(centre.x + static_cast<int>(width * 0.05f), centre.y));
    EXPECT_EQ(gallery().current(), 1u);
    release();
    EXPECT_TRUE(fullScreenShown());
    gallery().onPictureButton();
    settle();

    // A long one slides left by one picture; its release is the drag's.
    press(centre);
    moveTo(KaVector2s32(centre.x + static_cast<int>(width * 0.15f), centre.y));
    EXPECT_EQ(gallery().current(), 0u);
    EXPECT_FALSE(slide->clickPassThrough());
    release();
    EXPECT_FALSE(fullScreenShown());
}

TEST_F(BonusMenuTest, TheCaptionComesFromTheSaveSlotFiles)
{
    startWithArtworks("");
    saves.write("UnitGame/1.xml", "<Save />\n");
    saves.write("UnitGame/2.xml", "<Save />\n");
    enterGallery("menus/bonusmenu/Pim.lua");
    const struct {
        uint32_t current;
        const char* caption;
    } cases[] = {
        { 0, "" }, // no "0.xml"
        { 1, "Office" }, { 2, "" }, // "2.xml", but no text for "Save2"
        { 3, "" }, // a text, but no "3.xml"
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.current);
        while (gallery().current() < c.current) {
            gallery().onRightButton();
            slideOut();
        }
        EXPECT_EQ(caption(), c.caption);
    }
}

TEST_F(BonusMenuTest, SlotsAreAQuarterOfTheWindowOrAThirdOnSmallScreens)
{
    startWithArtworks("");
    // The definition follows the window's size in inches.
    const struct {
        float width, height;
        const char* definition;
        float divisor;
    } cases[] = { { 1920, 1200, "HD", 4.0f }, { 320, 240, "SD", 3.0f } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.definition);
        mainWindow.get()->setSize(KaVector3f32(c.width, c.height, 100));
        app()->onMainWindowSizeChanged();
        ASSERT_EQ(std::string(core.get()->fileFlagSystemFlag("definition").c_str()), c.definition);
        gallery().enter("menus/bonusmenu/Pim.lua");
        ASSERT_FALSE(gallery().buttons().isEmpty());
        BonusMenu::SaveButton* slot = gallery().buttons()[0];
        EXPECT_NEAR(slot->xSize(), c.width / c.divisor, 0.5f);
        EXPECT_NEAR(slot->ySize(), c.height / c.divisor, 0.5f);
        EXPECT_NEAR(slot->button->xSize(), c.width / c.divisor, 0.5f);
        EXPECT_EQ(slot->parent(), gallery().layout("slot0"));
        gallery().leave();
    }
}

// A place without pictures: nothing to slide to, no caption, no crash.
TEST_F(BonusMenuTest, APlaceWithoutPicturesNeitherSlidesNorCaptions)
{
    startWithArtworks("");
    saves.write("UnitGame/0.xml", "<Save />\n");
    enterGallery("menus/bonusmenu/Empty.lua");
    EXPECT_TRUE(gallery().buttons().isEmpty());
    EXPECT_EQ(caption(), "");
    const float start = gallery().layout("slots")->userPosition().x;
    click(button("rightButton"));
    slideOut();
    gallery().onLeftButton();
    EXPECT_EQ(gallery().current(), 0u);
    EXPECT_FALSE(gallery().layoutPositionLinearAnimation("slideAnimation")->isRunning());
    EXPECT_EQ(gallery().layout("slots")->userPosition().x, start);
}
