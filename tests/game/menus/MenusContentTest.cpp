#include "tests/game/menus/MenuScreenTestFixture.h"

#include "engine/gui/KaITextLayout.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/scene/KaTiledSurface.h"
#include "game/menus/BonusMenu.h"
#include "game/menus/GalleryMenu.h"
#include "game/menus/GlobalBonusMenu.h"
#include "game/menus/HelpOptionMenu.h"
#include "game/menus/HowTo.h"

#ifdef KA_RESOURCES_DIR

namespace {

// The bonus and help screens on the sample game's own descriptions,
// pictures and texts.
class MenusContentTest : public MenuScreenTest {
protected:
    void SetUp() override
    {
        MenuScreenTest::SetUp();
        ASSERT_EQ(0, chdir(KA_RESOURCES_DIR));
        // The sample game names its own save folder.
        const std::string part = readFile("texts/Part.lua");
        const size_t title = part.find("applicationTitle = \"");
        ASSERT_NE(title, std::string::npos);
        const size_t begin = title + std::string("applicationTitle = \"").size();
        saveFolder = part.substr(begin, part.find('"', begin) - begin);
    }
    std::string saveFolder;
    std::string textOf(KaLuaGUI& gui, const char* name)
    {
        KaITextLayout* text = gui.textLayout(name);
        return text ? text->text().c_str() : "(none)";
    }
};

}

TEST_F(MenusContentTest, TheHarboursGalleryOffersItsUnlockedArtworks)
{
    saves.write(saveFolder + "/0.xml", "<Save />\n");
    startWithArtworks("<Movie0 artworkPath=\"ArtworkHarbourAtDusk\" unlocked=\"1\" />\n"
                      "<Movie1 artworkPath=\"ArtworkTideTable\" unlocked=\"1\" />\n",
        saveFolder);
    GlobalBonusMenu& hub = app()->globalBonusMenu();
    app()->captureFade();
    hub.enter();
    app()->fade();
    settle();
    // Every place but the last has its plate; only the harbour is open.
    for (const char* place : { "Pim", "Dov", "Rok", "Ust", "Orn2" })
        EXPECT_NE(hub.buttonLayout(place), nullptr) << place;
    EXPECT_EQ(hub.buttonLayout("Orn3"), nullptr);
    EXPECT_NE(hub.buttonLayout("Pim")->state(), KaButtonLayout::Disabled);
    EXPECT_EQ(hub.buttonLayout("Dov")->state(), KaButtonLayout::Disabled);

    click(hub.buttonLayout("Pim"));
    BonusMenu& gallery = app()->bonusMenu();
    ASSERT_TRUE(gallery.isLoaded());
    settle();
    ASSERT_EQ(gallery.buttons().size(), 4u);
    const char* const artworks[4]
        = { "ArtworkTideTable", "ArtworkHarbourAtDusk", "ArtworkHarbourOffice", "ArtworkFishQuay" };
    const bool offered[4] = { true, true, false, false };
    for (unsigned long i = 0; i < 4; ++i) {
        SCOPED_TRACE(artworks[i]);
        EXPECT_EQ(std::string(gallery.buttons()[i]->artwork().c_str()), artworks[i]);
        EXPECT_EQ(gallery.buttons()[i]->button->state() != KaButtonLayout::Disabled, offered[i]);
    }
    // The captions are the save slots' names.
    EXPECT_EQ(textOf(gallery, "text"), "Page 1 of the logbook");

    click(gallery.buttonLayout("0"));
    KaSpriteLayout* picture = gallery.spriteLayout("fullScreenPicture");
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(std::string(picture->surface().path().c_str()), "menus/bonusmenu/Pim/TideTable.png");
    EXPECT_TRUE(picture->surface().tiledTexture());
    settle();
    click(gallery.buttonLayout("fullScreenPictureButton"));
    EXPECT_TRUE(gallery.layout("menu")->visible());

    settle();
    click(gallery.buttonLayout("rightButton"));
    EXPECT_EQ(gallery.current(), 1u);
    settle();
    click(gallery.buttonLayout("quitButton"));
    EXPECT_TRUE(hub.entered());
}

TEST_F(MenusContentTest, TheHowToPagesAndTheHelpOptionsScreenLoad)
{
    startWithArtworks("", saveFolder);
    HowTo howto;
    howto.enter();
    ASSERT_TRUE(howto.isLoaded());
    EXPECT_EQ(howto.layout("background")->childCount(), 3u);
    EXPECT_EQ(textOf(howto, "howtoWalk"), "Click the ground and Mira walks there.");
    EXPECT_EQ(textOf(howto, "howtoTurn"), "L2 / R2: turn the page");
    howto.onDefaultPadButtonUp(HowTo::BUTTON_L2);
    EXPECT_EQ(howto.currentPage(), 2u);
    howto.onDefaultPadButtonUp(HowTo::BUTTON_CANCEL);
    HelpOptionMenu& options = app()->helpOptionMenu();
    ASSERT_TRUE(options.entered());
    EXPECT_NE(options.buttonLayout("howtoButton"), nullptr);
    options.leave();
}

TEST_F(MenusContentTest, TheMovieGalleryListsItsMovieClosed)
{
    startWithArtworks("", saveFolder);
    GalleryMenu gallery;
    gallery.enter();
    ASSERT_EQ(gallery.buttons().size(), 1u);
    EXPECT_EQ(gallery.buttons()[0]->button->state(), KaButtonLayout::Disabled);
    gallery.leave();
}

#endif
