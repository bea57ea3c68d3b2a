#include "tests/game/menus/MenuScreenTestFixture.h"

#include "engine/gui/KaSpriteLayout.h"
#include "engine/scene/KaTiledSurface.h"
#include "game/menus/GalleryMenu.h"

namespace {

// Three entries, two of them for the same movie, a movie player and the
// buttons around it.
const char* galleryGui()
{
    return "local function entry(movie, y)\n"
           "  return KaLayout{ sizeType = Percent, size = {0.4, 0.1, 1}, position = {0.5, y, 0.5},\n"
           "    KaButtonLayout{ name = movie, sizeType = Percent, size = {1, 1, 1} } }\n"
           "end\n"
           "KaLayout{ name = \"galleryMenu\", sizeType = Percent, size = {1, 1, 1},\n"
           "  KaLayout{ name = \"galleryList\", sizeType = Percent, size = {1, 1, 1},\n"
           "    entry(\"movies/quay.ogv\", 0.8), entry(\"movies/office.ogv\", 0.6),\n"
           "    KaLayout{ sizeType = Percent, size = {0.4, 0.1, 1}, position = {0.5, 0.4, 0.5},\n"
           "      KaButtonLayout{ name = \"quayAgain\", sizeType = Percent, size = {1, 1, 1} } } },\n"
           "  KaButtonLayout{ name = \"quitButton\", sizeType = Percent, size = {0.1, 0.1, 1},"
           " position = {0.9, 0.1, 0.5} },\n"
           "  KaButtonLayout{ name = \"videoBackgroundButton\", sizeType = Percent, size = {1, 1, 1} },\n"
           "  KaSpriteLayout{ name = \"video\", sizeType = Percent, size = {1, 1, 1} },\n"
           "  KaButtonLayout{ name = \"skipVideoButton\", sizeType = Percent, size = {0.1, 0.1, 1},"
           " position = {0.9, 0.1, 0.5} },\n"
           "}\n";
}

class GalleryMenuTest : public MenuScreenTest {
protected:
    void SetUp() override
    {
        MenuScreenTest::SetUp();
        content.write("menus/galleryMenu/galleryMenu.lua", galleryGui());
        startWithArtworks("");
    }
    void TearDown() override
    {
        gallery.reset();
        MenuScreenTest::TearDown();
    }
    void enter()
    {
        KaCaptureStdout console;
        gallery.reset(new GalleryMenu);
        gallery->enter();
        log += console.text();
        settle();
    }
    std::vector<bool> enabledEntries()
    {
        std::vector<bool> enabled;
        for (unsigned long i = 0; i < gallery->buttons().size(); ++i) {
            KaButtonLayout* button = gallery->buttons()[i]->button;
            enabled.push_back(button && button->state() != KaButtonLayout::Disabled);
        }
        return enabled;
    }
    bool playing()
    {
        return gallery->spriteLayout("video")->visible() && gallery->buttonLayout("skipVideoButton")->visible()
            && gallery->buttonLayout("videoBackgroundButton")->visible();
    }

    std::unique_ptr<GalleryMenu> gallery;
};

}

TEST_F(GalleryMenuTest, EntriesOpenForTheMoviesTheSaveRecordsAsPlayed)
{
    const struct {
        const char* label;
        const char* save; // null: no "save.xml"
        std::vector<bool> enabled;
    } cases[] = {
        { "no save", nullptr, { false, false, false } },
        { "no record", "<Save />", { false, false, false } },
        { "one record for two entries, one for none",
            "<Save><MoviesPlayed><Movie0 moviePath=\"movies/quay.ogv\" audioPath=\"movies/quay.ogg\" />"
            "<Movie1 moviePath=\"movies/elsewhere.ogv\" /><Film moviePath=\"movies/office.ogv\" />"
            "</MoviesPlayed></Save>",
            { true, false, false } },
        { "a save that does not parse", "<Save><MoviesPlayed><Movie0 moviePath=", { false, false, false } },
        // Its records parse before the error: still nothing is opened.
        { "a save broken after its records",
            "<Save><MoviesPlayed><Movie0 moviePath=\"movies/quay.ogv\" /></MoviesPlayed><Difficulty value=",
            { false, false, false } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string file = saves.file("UnitGame/save.xml");
        std::remove(file.c_str());
        if (c.save)
            saves.write("UnitGame/save.xml", c.save);
        enter();
        EXPECT_EQ(enabledEntries(), c.enabled);
        gallery->leave();
    }
    EXPECT_NE(log.find("Failed to load file \""), std::string::npos) << log;
}

TEST_F(GalleryMenuTest, TwoEntriesOfOneMovieAreBothOpenedByItsRecord)
{
    content.write("menus/galleryMenu/galleryMenu.lua",
        std::string(galleryGui()).replace(std::string(galleryGui()).find("quayAgain"), 9, "movies/quay.ogv"));
    saves.write("UnitGame/save.xml",
        "<Save><MoviesPlayed><Movie0 moviePath=\"movies/quay.ogv\" audioPath=\"\" /></MoviesPlayed></Save>");
    enter();
    // Two buttons of the same name: the description keeps the first only,
    // and the list's third entry has no button to open.
    EXPECT_EQ(enabledEntries(), std::vector<bool>({ true, false, false }));
}

TEST_F(GalleryMenuTest, AMoviePlaysUntilAClickAnywhereEndsIt)
{
    saves.write("UnitGame/save.xml",
        "<Save><MoviesPlayed><Movie0 moviePath=\"movies/quay.ogv\" "
        "audioPath=\"movies/quay.ogg\" /></MoviesPlayed></Save>");
    enter();
    EXPECT_FALSE(playing());
    click(gallery->buttonLayout("movies/quay.ogv"));
    ASSERT_TRUE(playing());
    EXPECT_EQ(std::string(gallery->music().channelName().c_str()), "video");
    EXPECT_EQ(std::string(gallery->spriteLayout("video")->surface().path().c_str()), "movies/quay.ogv");
    settle();

    // Anywhere but the skip button: the full-screen button behind the movie.
    press(KaVector2s32(40, 40));
    release();
    EXPECT_FALSE(gallery->spriteLayout("video")->visible());
    EXPECT_FALSE(gallery->buttonLayout("skipVideoButton")->visible());
    EXPECT_FALSE(gallery->buttonLayout("videoBackgroundButton")->visible());
    EXPECT_FALSE(gallery->music().isPlaying());

    // The list is back and its entry plays again; the skip button ends it.
    settle();
    click(gallery->buttonLayout("movies/quay.ogv"));
    ASSERT_TRUE(playing());
    settle();
    click(gallery->buttonLayout("skipVideoButton"));
    EXPECT_FALSE(playing());
}

TEST_F(GalleryMenuTest, LeavingForgetsTheEntriesAndTheDescription)
{
    enter();
    ASSERT_EQ(gallery->buttons().size(), 3u);
    EXPECT_EQ(gallery->layout("galleryMenu")->parent(), &app()->layoutFront());
    gallery->leave();
    EXPECT_TRUE(gallery->buttons().isEmpty());
    EXPECT_FALSE(gallery->isLoaded());
    gallery->leave();
}
