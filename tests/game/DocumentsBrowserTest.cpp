#include "tests/game/ApplicationTestFixture.h"

#include <png.h>

#include <vector>

#include <tinyxml.h>

#include "engine/graphics/KaTiledTexture.h"
#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaITextLayout.h"
#include "engine/gui/KaScrollingLayout.h"
#include "engine/gui/KaTextLayout.h"
#include "engine/script/LocFile.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/scene/KaTiledSurface.h"
#include "game/documents/Document.h"
#include "game/documents/DocumentsBrowser.h"
#include "tests/engine/graphics/KaPngTestFiles.h"
#include "tools/fixtures/KaJpegFixture.h"

namespace {

// Two pages: the first with three slots, of which the second already holds
// a layout of the GUI's own, the second page with one slot. The zoomed view
// is built as the game's own: a full-screen button holding a scroll view
// whose content is the zoomed sprite.
const char* const kBrowserGui = R"(
KaLayout{ name = "documentBrowser", sizeType = Percent, size = {1, 1, 1},
  KaLayout{ name = "page0", sizeType = Percent, size = {1, 1, 1},
    KaLayout{ name = "page0Slot0", sizeType = Percent, size = {0.2, 0.2, 1} },
    KaLayout{ name = "page0Slot1", sizeType = Percent, size = {0.2, 0.2, 1}, KaLayout{ name = "taken" } },
    KaLayout{ name = "page0Slot2", sizeType = Percent, size = {0.2, 0.2, 1} } },
  KaLayout{ name = "page1", sizeType = Percent, size = {1, 1, 1},
    KaLayout{ name = "page1Slot0", sizeType = Percent, size = {0.2, 0.2, 1} } },
  KaButtonLayout{ name = "diode0", sizeType = Percent, size = {0.05, 0.05, 1} },
  KaButtonLayout{ name = "diode1", sizeType = Percent, size = {0.05, 0.05, 1} },
  KaButtonLayout{ name = "previousPage", sizeType = Percent, size = {0.1, 0.1, 1}, position = {0.1, 0.5, 0.5} },
  KaButtonLayout{ name = "nextPage", sizeType = Percent, size = {0.1, 0.1, 1}, position = {0.9, 0.5, 0.5} },
}
KaButtonLayout{ name = "zoomed", sizeType = Percent, size = {1, 1, 1},
  KaScrollingLayout{ name = "scroll", sizeType = Percent, size = {1, 1, 1},
    contentLayout = KaSpriteLayout{ name = "zoomedSprite", sizeType = Percent, size = {1, 1, 1},
      positionType = Percent, position = {0.5, 0.5, 0.5} } } }
)";

const char* const kDocumentGui = R"(
KaButtonLayout{ name = "object", sizeType = Percent, size = {1, 1, 1},
  upLayout = KaSpriteLayout{ name = "upLayout", sizeType = Percent, size = {1, 1, 1} },
  KaTextLayout{ name = "text", sizeType = Percent, size = {1, 0.2, 1} } }
)";

// Records without an enclosing root; the first "Letter" has no name, other
// top-level nodes are skipped.
const char* const kDatabase = R"(<?xml version="1.0" ?>
<!-- the documents -->
<Other id="Letter" name="not a document" />
<Document id="Letter" description="the first one" />
<Document id="Letter" name="A letter" description="the second one" />
<Document id="Map" name="The map" />
)";

// A page GUI with a root and, of the twenty buttons, the first and the
// eighth.
const char* const kPageGui = R"(
KaLayout{ name = "root", sizeType = Percent, size = {1, 1, 1},
  KaButtonLayout{ name = "button0", sizeType = Percent, size = {0.1, 0.1, 1} },
  KaButtonLayout{ name = "button7", sizeType = Percent, size = {0.1, 0.1, 1} } }
)";

const char* const kPictures = "DocumentsBrowser/Documents/Documents/";

std::string png(unsigned int width, unsigned int height)
{
    return KaWritePng(KaPngFileLayout { width, height, PNG_COLOR_TYPE_RGB, 8, false });
}

std::string jpeg(unsigned int width, unsigned int height)
{
    std::vector<unsigned char> pixels(width * height * 3, 128);
    return KaEncodeJpeg(pixels.data(), width, height, 3);
}

class DocumentsBrowserTest : public ApplicationFrameTest {
protected:
    void SetUp() override
    {
        ApplicationFrameTest::SetUp();
        content.write("menus/splashes/splash0.lua", "");
        content.write("menus/splashes/splash1.lua", "");
        content.write("DocumentsBrowser/DocumentsBrowser.lua", kBrowserGui);
        content.write("DocumentsBrowser/Document.lua", kDocumentGui);
        content.write("DocumentsBrowser/Documents/Documents.xml", kDatabase);
        // "Letter": page 0 in both formats (PNG wide, JPEG tall, so the
        // sprite's shape tells which one was read), page 1 a JPEG only, no
        // page GUI: the one beside the pictures is one folder too low.
        content.write(std::string(kPictures) + "Letter_zoomed_0.png", png(40, 20));
        content.write(std::string(kPictures) + "Letter_zoomed_0.jpg", jpeg(16, 32));
        content.write(std::string(kPictures) + "Letter_zoomed_1.jpg", jpeg(32, 32));
        content.write(std::string(kPictures) + "Letter_zoomed_0.lua", kPageGui);
        // "Map": pages 0 and 2, the latter with its GUI.
        content.write(std::string(kPictures) + "Map_zoomed_0.png", png(20, 20));
        content.write(std::string(kPictures) + "Map_zoomed_2.png", png(20, 40));
        content.write("DocumentsBrowser/Documents/Map_zoomed_2.lua", kPageGui);
        start();
    }
    void TearDown() override
    {
        delete browser;
        ApplicationFrameTest::TearDown();
    }

    // The browser as the game holds it: loaded, its layers on the front
    // layer.
    void loadBrowser()
    {
        browser = new DocumentsBrowser();
        KaCaptureStdout console;
        browser->load();
        browser->loadZoomed();
        log += console.text();
        Application* app = application.get();
        // The layer that takes clicks until the first black fade is over,
        // as it is once a game has been entered.
        app->visualFade().blockingButton().setVisible(false);
        app->layoutFront().addChild(browser);
        app->layoutFront().addChild(&browser->zoomedLayout());
        browser->onDocumentClosed.add(this, &DocumentsBrowserTest::onClosed, 0.0f);
        browser->onDocumentButtonValidated.add(this, &DocumentsBrowserTest::onButton, 0.0f);
    }
    bool onClosed(const KaString& id)
    {
        events += std::string("closed:") + id.c_str() + ";";
        return false;
    }
    bool onButton(const KaString& page, const KaString& button)
    {
        events += std::string("button:") + page.c_str() + "," + button.c_str() + ";";
        return false;
    }

    void clickZoomed()
    {
        inputMgr.get()->setMouseRawPosition(KaVector2s32(160, 120), 0);
        inputMgr.get()->setMouseLeft(true, 0);
        inputMgr.get()->setMouseLeft(false, 0);
    }
    void frames(int count)
    {
        for (int i = 0; i < count; ++i)
            frame();
    }

    KaSpriteLayout* zoomedSprite() { return browser->gui().spriteLayout("zoomedSprite"); }
    bool zoomedShown() { return browser->gui().layout("zoomed")->visible(); }
    std::string picturePath() { return zoomedSprite()->surface().path().c_str(); }
    // The zoomed sprite's height as a share of the screen's width.
    float pictureHeight() { return zoomedSprite()->userSize().y; }

    DocumentsBrowser* browser = nullptr;
    std::string events;
};

TEST_F(DocumentsBrowserTest, NamesAndDescriptionsComeFromTheFirstRecordHoldingThem)
{
    loadBrowser();
    EXPECT_EQ(log.find("[Inventory::Load]"), std::string::npos) << log;
    struct Case {
        const char* id;
        const char* name;
        const char* description;
    } cases[] = {
        { "Letter", "A letter", "the first one" },
        { "Map", "The map", "" },
        { "letter", "", "" },
        { "Nothing", "", "" },
        { "", "", "" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::string(browser->documentName(c.id).c_str()), c.name) << c.id;
        EXPECT_EQ(std::string(browser->documentDescription(c.id).c_str()), c.description) << c.id;
        EXPECT_EQ(browser->documentCount(c.id), 1u);
    }
}

// A French player reads the French file when the content has one; a
// language without its own file falls back on the common one.
TEST_F(DocumentsBrowserTest, NamesComeInThePlayersLanguageWhenTheContentHasThem)
{
    content.write("DocumentsBrowser/Documents/Documents_fr.xml",
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>\n"
        "<Document id=\"Letter\" name=\"Une lettre\" description=\"la premi&#232;re\" />\n");
    const KaString before = core.get()->language();
    struct Case {
        const char* language;
        const char* name;
        const char* description;
    } cases[] = {
        { "fr", "Une lettre", "la premi\xe8re" },
        { "de", "A letter", "the first one" },
        { "en", "A letter", "the first one" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        core.get()->language(c.language);
        delete browser;
        browser = nullptr;
        loadBrowser();
        EXPECT_EQ(std::string(browser->documentName("Letter").c_str()), c.name);
        EXPECT_EQ(std::string(browser->documentDescription("Letter").c_str()), c.description);
    }
    core.get()->language(before);
}

TEST_F(DocumentsBrowserTest, AMissingOrBrokenDatabaseLeavesNamesEmptyAndTheBrowserWorking)
{
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        { nullptr, "[Inventory::Load] file :DocumentsBrowser/Documents/Documents.xml error : could not open file\n" },
        { "<Document id=\"Letter\" name=\"A letter\">\n<Document", "[Inventory::Load] file "
                                                                 ":DocumentsBrowser/Documents/Documents.xml error : " },
    };
    for (const Case& c : cases) {
        if (c.text)
            content.write("DocumentsBrowser/Documents/Documents.xml", c.text);
        else
            unlink((content.path() + "/DocumentsBrowser/Documents/Documents.xml").c_str());
        delete browser;
        log.clear();
        loadBrowser();
        EXPECT_NE(log.find(c.message), std::string::npos) << log;
        // Not half a database: nothing resolves.
        EXPECT_EQ(std::string(browser->documentName("Letter").c_str()), "");
        EXPECT_TRUE(browser->addDocument("Letter"));
        browser->showDocument("Letter", 0);
        EXPECT_TRUE(zoomedShown());
    }
}

TEST_F(DocumentsBrowserTest, DocumentsFillTheEmptySlotsInOrderUntilNoneIsLeft)
{
    loadBrowser();
    const char* slots[] = { "page0Slot0", "page0Slot2", "page1Slot0" };
    const char* ids[] = { "Letter", "Map", "Letter" };
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(browser->addDocument(ids[i])) << i;
    KaArray<Document*> held = browser->documents();
    ASSERT_EQ(held.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(held[i]->parent(), browser->gui().layout(slots[i])) << i;
        EXPECT_EQ(std::string(held[i]->id().c_str()), ids[i]);
    }
    // The slot that held a layout of the GUI's own was passed over.
    EXPECT_EQ(browser->gui().layout("page0Slot1")->childCount(), 1u);
    // The icon and the name of the document.
    EXPECT_EQ(std::string(held[1]->gui().spriteLayout("upLayout")->surface().path().c_str()),
        "DocumentsBrowser/Documents/Map.png");
    EXPECT_EQ(std::string(held[1]->gui().textLayout("text")->text().c_str()), "The map");

    // Full: refused, and nothing moved.
    EXPECT_FALSE(browser->addDocument("Map"));
    Document* spare = new Document(*browser);
    spare->load("Map");
    EXPECT_FALSE(browser->addDocument(*spare));
    EXPECT_EQ(spare->parent(), nullptr);
    delete spare;
    EXPECT_EQ(browser->documents().size(), 3u);

    // A click on a document's icon shows its first page.
    held[1]->gui().buttonLayout("object")->onMouseClickValidated.call();
    EXPECT_EQ(std::string(browser->shownDocument().c_str()), "Map");
    EXPECT_EQ(browser->shownPage(), 0u);
    EXPECT_TRUE(zoomedShown());
}

TEST_F(DocumentsBrowserTest, PagesTurnWithinTheGuiAndTheirDiodesFollow)
{
    loadBrowser();
    EXPECT_FALSE(browser->visible());
    browser->enter();
    EXPECT_TRUE(browser->visible());
    struct Step {
        bool (DocumentsBrowser::*turn)();
        unsigned long page;
    } steps[] = {
        { &DocumentsBrowser::onPreviousPage, 0 },
        { &DocumentsBrowser::onNextPage, 1 },
        { &DocumentsBrowser::onNextPage, 1 },
        { &DocumentsBrowser::onPreviousPage, 0 },
    };
    for (const Step& step : steps) {
        EXPECT_FALSE((browser->*step.turn)());
        EXPECT_EQ(browser->currentPage(), step.page);
        for (unsigned long i = 0; i < 2; ++i) {
            KaString page, diode;
            page.format("page%lu", i);
            diode.format("diode%lu", i);
            EXPECT_EQ(browser->gui().layout(page)->visible(), i == step.page);
            EXPECT_EQ(browser->gui().buttonLayout(diode)->state() == KaButtonLayout::Disabled, i == step.page);
        }
    }
    // Leaving hides the browser only: a shown document stays.
    browser->showDocument("Map", 0);
    browser->leave();
    EXPECT_FALSE(browser->visible());
    EXPECT_TRUE(zoomedShown());
    // The shown page names the browser page too: page 0 of the document
    // brings the browser back to its page 0 at the next entry.
    browser->onNextPage();
    browser->showDocument("Map", 0);
    browser->enter();
    EXPECT_EQ(browser->currentPage(), 0u);
    EXPECT_TRUE(browser->gui().layout("page0")->visible());
}

TEST_F(DocumentsBrowserTest, AShownPageFillsTheWidthAndPngWinsOverJpeg)
{
    loadBrowser();
    browser->showDocument("Letter", 0);
    EXPECT_TRUE(zoomedShown());
    EXPECT_EQ(picturePath(), std::string(kPictures) + "Letter_zoomed_0.png");
    EXPECT_EQ(zoomedSprite()->sizeType(), KaILayout::Percent);
    EXPECT_FLOAT_EQ(zoomedSprite()->userSize().x, 1.0f);
    // 320 x 240 window, 40 x 20 picture.
    EXPECT_FLOAT_EQ(pictureHeight(), (320.0f / 240.0f) * (20.0f / 40.0f));
    // No page GUI: the one beside the pictures is not read.
    EXPECT_FALSE(browser->zoomedGui().isLoaded());
    EXPECT_EQ(zoomedSprite()->childCount(), 0u);

    browser->showDocument("Letter", 1);
    EXPECT_EQ(picturePath(), std::string(kPictures) + "Letter_zoomed_1.jpg");
    EXPECT_FLOAT_EQ(pictureHeight(), 320.0f / 240.0f);
    EXPECT_EQ(events, "");
}

TEST_F(DocumentsBrowserTest, APageGuiLiesOverThePictureAndReportsItsButtons)
{
    loadBrowser();
    browser->showDocument("Map", 2);
    ASSERT_TRUE(browser->zoomedGui().isLoaded());
    KaLayout* root = browser->zoomedGui().layout("root");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->parent(), zoomedSprite());
    browser->zoomedGui().buttonLayout("button7")->onMouseClickValidated.call();
    browser->zoomedGui().buttonLayout("button0")->onMouseClickValidated.call();
    EXPECT_EQ(events, "button:Map_zoomed_2,button7;button:Map_zoomed_2,button0;");

    // The next page has no GUI: the previous one goes.
    browser->showDocument("Map", 0);
    EXPECT_FALSE(browser->zoomedGui().isLoaded());
    EXPECT_EQ(root->parent(), nullptr);
    EXPECT_EQ(zoomedSprite()->childCount(), 0u);
}

TEST_F(DocumentsBrowserTest, ClicksOnTheZoomedDocumentTurnItsPagesOrCloseIt)
{
    // Real clicks on the zoomed view, on the fake clock (frames of 17 ms).
    loadBrowser();
    frames(2);

    // The first double click after loading already closes.
    browser->showDocument("Letter", 0);
    frames(1);
    clickZoomed();
    frames(5);
    clickZoomed();
    EXPECT_FALSE(zoomedShown());
    EXPECT_EQ(events, "closed:Letter;");
    frames(20);
    EXPECT_EQ(events, "closed:Letter;");

    // A single click turns the page once the double click's time is past;
    // past the last page the document closes.
    events.clear();
    browser->showDocument("Letter", 0);
    frames(1);
    clickZoomed();
    frames(10);
    EXPECT_EQ(browser->shownPage(), 0u) << "decided before 200 ms";
    frames(4);
    EXPECT_EQ(browser->shownPage(), 1u);
    EXPECT_EQ(picturePath(), std::string(kPictures) + "Letter_zoomed_1.jpg");
    EXPECT_TRUE(zoomedShown());
    EXPECT_EQ(events, "");
    clickZoomed();
    frames(14);
    EXPECT_FALSE(zoomedShown());
    EXPECT_EQ(std::string(browser->shownDocument().c_str()), "");
    EXPECT_EQ(events, "closed:Letter;");

    // Two clicks 250 ms apart are two single clicks.
    events.clear();
    browser->showDocument("Letter", 0);
    frames(1);
    clickZoomed();
    frames(15);
    clickZoomed();
    frames(14);
    EXPECT_FALSE(zoomedShown());
    EXPECT_EQ(events, "closed:Letter;");
}

TEST_F(DocumentsBrowserTest, NothingShownNothingClosed)
{
    loadBrowser();
    frames(2);
    // A script closes the page between a click and its decision: one close,
    // and the decision that follows finds nothing to decide.
    browser->showDocument("Letter", 0);
    frames(1);
    clickZoomed();
    frames(3);
    browser->hideDocument();
    EXPECT_EQ(events, "closed:Letter;");
    frames(20);
    EXPECT_EQ(events, "closed:Letter;");
    EXPECT_FALSE(browser->doubleClickTimer().isAlarmSet());
    browser->onQuitDocumentDoubleClickTimer();
    browser->hideDocument();
    EXPECT_EQ(events, "closed:Letter;");

    // A click pending on one document does not turn the next one's page.
    browser->showDocument("Letter", 0);
    frames(1);
    clickZoomed();
    frames(3);
    browser->showDocument("Map", 0);
    frames(20);
    EXPECT_EQ(std::string(browser->shownDocument().c_str()), "Map");
    EXPECT_EQ(browser->shownPage(), 0u);

    // A document without a first page closes as soon as it is shown (the
    // one it replaced is not reported).
    events.clear();
    browser->showDocument("Nothing", 0);
    EXPECT_FALSE(zoomedShown());
    EXPECT_EQ(events, "closed:Nothing;");
}

TEST_F(DocumentsBrowserTest, UnloadClosesTheDocumentOnceAndLetsTheDocumentsGo)
{
    loadBrowser();
    ASSERT_TRUE(browser->addDocument("Letter"));
    ASSERT_TRUE(browser->addDocument("Map"));
    browser->showDocument("Letter", 0);
    browser->unload();
    EXPECT_EQ(events, "closed:Letter;");
    EXPECT_EQ(browser->documents().size(), 0u);
    EXPECT_FALSE(browser->gui().isLoaded());
    EXPECT_EQ(browser->zoomedLayout().childCount(), 0u);
    KaObject::deleteNow();

    // Loaded again, the browser is empty and works as before.
    browser->load();
    browser->loadZoomed();
    EXPECT_EQ(browser->currentPage(), 0u);
    EXPECT_FALSE(zoomedShown());
    EXPECT_TRUE(browser->addDocument("Map"));
    EXPECT_EQ(browser->documents()[0]->parent(), browser->gui().layout("page0Slot0"));
    EXPECT_EQ(std::string(browser->documentName("Map").c_str()), "The map");
}

TEST_F(DocumentsBrowserTest, TheSavedBrowserLoadsBackIntoTheSameSlots)
{
    loadBrowser();
    ASSERT_TRUE(browser->addDocument("Map"));
    ASSERT_TRUE(browser->addDocument("Letter"));
    TiXmlDocument saved;
    browser->saveToBackup(saved);
    TiXmlPrinter printer;
    printer.SetStreamPrinting();
    saved.Accept(&printer);
    EXPECT_EQ(std::string(printer.CStr()), "<DocumentsBrowser><Page><Slot><Document id=\"Map\" /></Slot><Slot />"
                                           "<Slot><Document id=\"Letter\" /></Slot></Page>"
                                           "<Page><Slot /></Page></DocumentsBrowser>");

    DocumentsBrowser other;
    other.load();
    other.loadFromBackup(*saved.FirstChildElement("DocumentsBrowser"));
    KaArray<Document*> held = other.documents();
    ASSERT_EQ(held.size(), 2u);
    EXPECT_EQ(std::string(held[0]->id().c_str()), "Map");
    EXPECT_EQ(std::string(held[1]->id().c_str()), "Letter");
    EXPECT_EQ(held[1]->parent(), other.gui().layout("page0Slot2"));
    other.unload();
}

#ifdef KA_RESOURCES_DIR

// The sample game's browser and its two documents, from the files the build
// made.
class SampleDocumentsTest : public DocumentsBrowserTest {
protected:
    void SetUp() override
    {
        DocumentsBrowserTest::SetUp();
        ASSERT_EQ(0, chdir(KA_RESOURCES_DIR));
        loadBrowser();
    }
};

TEST_F(SampleDocumentsTest, TheBrowserHasEveryNamedPartAndBothDocuments)
{
    EXPECT_EQ(log.find("[Inventory::Load]"), std::string::npos) << log;
    KaLuaGUI& gui = browser->gui();
    for (const char* name : { "documentBrowser", "page0", "page1", "zoomed", "scroll", "zoomedSprite" })
        EXPECT_NE(gui.layout(name), nullptr) << name;
    for (const char* name : { "previousPage", "nextPage", "diode0", "diode1", "zoomed" })
        EXPECT_NE(gui.buttonLayout(name), nullptr) << name;
    EXPECT_EQ(gui.layout("page2"), nullptr);
    EXPECT_EQ(browser->zoomedLayout().child(0), gui.layout("zoomed"));

    EXPECT_EQ(std::string(browser->documentName("Logbook").c_str()), "Harbour logbook");
    EXPECT_EQ(std::string(browser->documentName("TideTable").c_str()), "Tide table");
    ASSERT_TRUE(browser->addDocument("Logbook"));
    ASSERT_TRUE(browser->addDocument("TideTable"));
    KaArray<Document*> held = browser->documents();
    ASSERT_EQ(held.size(), 2u);
    EXPECT_EQ(held[1]->parent(), gui.layout("page0Slot1"));
    KaSpriteLayout* icon = held[0]->gui().spriteLayout("upLayout");
    ASSERT_TRUE(icon->surface().tiledTexture());
    EXPECT_GT(icon->surface().tiledTexture()->pictureSize().x, 0);
    // Twelve slots in all.
    for (int i = 2; i < 12; ++i)
        EXPECT_TRUE(browser->addDocument("TideTable")) << i;
    EXPECT_FALSE(browser->addDocument("TideTable"));
}

TEST_F(SampleDocumentsTest, TheLogbookReadsAsAPngPageWithAButtonThenAJpegPage)
{
    frames(2);
    browser->showDocument("Logbook", 0);
    EXPECT_EQ(picturePath(), "DocumentsBrowser/Documents/Documents/Logbook_zoomed_0.png");
    ASSERT_TRUE(zoomedSprite()->surface().tiledTexture());
    EXPECT_GT(pictureHeight(), 320.0f / 240.0f) << "a page taller than it is wide";
    ASSERT_NE(browser->zoomedGui().buttonLayout("button0"), nullptr);
    browser->zoomedGui().buttonLayout("button0")->onMouseClickValidated.call();
    EXPECT_EQ(events, "button:Logbook_zoomed_0,button0;");

    // A click on the page (not on its button) turns it.
    events.clear();
    frames(1);
    inputMgr.get()->setMouseRawPosition(KaVector2s32(160, 20), 0);
    inputMgr.get()->setMouseLeft(true, 0);
    inputMgr.get()->setMouseLeft(false, 0);
    frames(14);
    EXPECT_EQ(browser->shownPage(), 1u);
    EXPECT_EQ(picturePath(), "DocumentsBrowser/Documents/Documents/Logbook_zoomed_1.jpg");
    ASSERT_TRUE(zoomedSprite()->surface().tiledTexture());
    // Its heading only: nothing to point out on it.
    EXPECT_TRUE(browser->zoomedGui().isLoaded());
    EXPECT_EQ(browser->zoomedGui().buttonLayout("button0"), nullptr);

    // A double click puts it away.
    frames(1);
    clickZoomed();
    frames(3);
    clickZoomed();
    EXPECT_FALSE(zoomedShown());
    EXPECT_EQ(events, "closed:Logbook;");

    browser->showDocument("TideTable", 0);
    EXPECT_EQ(picturePath(), "DocumentsBrowser/Documents/Documents/TideTable_zoomed_0.png");
    EXPECT_LT(pictureHeight(), 320.0f / 240.0f) << "a sheet wider than it is tall";
    browser->showDocument("TideTable", 1);
    EXPECT_EQ(events, "closed:Logbook;closed:TideTable;");
}

// Every text layout under a layout, depth first.
void collectTexts(KaI3DObject2* layout, std::vector<KaTextLayout*>& texts)
{
    if (KaTextLayout* text = dynamic_cast<KaTextLayout*>(layout))
        texts.push_back(text);
    for (unsigned long i = 0; i < layout->childCount(); ++i)
        collectTexts(layout->child(i), texts);
}

TEST_F(SampleDocumentsTest, EveryPageSaysItsTextInBothLanguages)
{
    // The pages' words are texts laid over the pictures, looked up in the
    // language's file: none is left as a "$(key)", and the two languages
    // write as many texts on each page, the entry of the evening and the
    // harbour master's number among them.
    struct Page {
        const char* id;
        unsigned long page;
        const char* en;
        const char* fr;
    } pages[] = {
        { "Logbook", 0, "Harbour lamp went dark at dusk.", "Feu du port \xe9teint au cr\xe9puscule." },
        { "Logbook", 1, "Harbour logbook", "Journal de bord" },
        { "TideTable", 0, "555 0142", "Capitaine du port" },
    };
    frames(2);
    LocFile* app = dynamic_cast<LocFile*>(core.get()->loc());
    for (const Page& page : pages) {
        size_t counts[2] = { 0, 0 };
        for (int language = 0; language < 2; ++language) {
            SCOPED_TRACE(std::string(page.id) + " " + std::to_string(page.page) + (language ? " fr" : " en"));
            LocFile texts;
            texts.load(language ? "texts/fr.xml" : "texts/en.xml");
            if (app)
                core.get()->removeLoc(*app);
            core.get()->addLoc(texts);
            browser->showDocument(page.id, page.page);
            KaLayout* root = browser->zoomedGui().layout("root");
            std::vector<KaTextLayout*> found;
            if (root)
                collectTexts(root, found);
            std::string all;
            for (KaTextLayout* text : found) {
                const std::string said = text->text().c_str();
                EXPECT_EQ(said.find("$("), std::string::npos) << said;
                all += said + "\n";
            }
            EXPECT_NE(all.find(language ? page.fr : page.en), std::string::npos) << all;
            counts[language] = found.size();
            browser->hideDocument();
            core.get()->removeLoc(texts);
            if (app)
                core.get()->addLoc(*app);
        }
        EXPECT_GT(counts[0], 4u) << page.id;
        EXPECT_EQ(counts[0], counts[1]) << page.id;
    }
}

#endif

}
