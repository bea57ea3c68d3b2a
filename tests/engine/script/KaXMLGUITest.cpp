#include <gtest/gtest.h>

#include <pthread.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include <tinyxml.h>

#include "engine/core/KaCore.h"
#include "engine/core/KaObject.h"
#include "engine/core/KaResourceManager.h"
#include "engine/core/KaXMLLoad.h"
#include "engine/graphics/KaImage.h"
#include "engine/gui/KaButton.h"
#include "engine/script/KaXMLGUI.h"
#include "engine/sound/KaMusic.h"
#include "engine/sound/KaSFX.h"
#include "engine/sound/KaSoundManager.h"
#include "tests/support/KaTestSupport.h"

namespace {

// Each test reads descriptions it writes into a fresh folder, and ends by
// destroying what the GUIs handed to deferred deletion.
class KaXMLGUITest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Sounds are built by the descriptions; test machines have no card.
        const char* chosen = getenv("ALSOFT_DRIVERS");
        if (!chosen || !*chosen)
            setenv("ALSOFT_DRIVERS", "null", 1);
    }

    void TearDown() override
    {
        gui.reset();
        KaObject::deleteNow();
        soundManager.destroy();
    }

    // Writes the description and loads it into gui.
    bool load(const std::string& xml, const std::string& name = "gui.xml")
    {
        folder.write(name, xml);
        return gui->load(KaPath(folder.file(name).c_str()));
    }

    std::string valueOf(const char* key)
    {
        KaString* text = gui->value(key);
        return text ? std::string(text->c_str()) : std::string("<null>");
    }

    KaTempDir folder;
    std::unique_ptr<KaXMLGUI> gui{ new KaXMLGUI() };
};

TEST_F(KaXMLGUITest, GroupsJoinNamesWithDotsAndListTheirOwnNames)
{
    ASSERT_TRUE(load("<?xml version=\"1.0\"?>\n"
                     "<gui>\n"
                     "  <group name=\"menu\">\n"
                     "    <value name=\"title\" value=\"Hello\"/>\n"
                     "    <group name=\"sub\"><value name=\"deep\" value=\"D\"/></group>\n"
                     "    <value value=\"unnamed\"/>\n"
                     "  </group>\n"
                     "  <group><value name=\"top\" value=\"T\"/></group>\n"
                     "  <unknown name=\"box\"><value name=\"inside\" value=\"I\"/></unknown>\n"
                     "  <text2 name=\"caption\" value=\"C\"/>\n"
                     "</gui>\n"));
    EXPECT_EQ(valueOf("menu.title"), "Hello");
    EXPECT_EQ(valueOf("menu.sub.deep"), "D");
    // A value without a name takes its group's name as it is.
    EXPECT_EQ(valueOf("menu"), "unnamed");
    // A group without a name adds nothing to its children's names.
    EXPECT_EQ(valueOf("top"), "T");
    // Unknown elements still name what they hold.
    EXPECT_EQ(valueOf("box.inside"), "I");
    // The root element has no name: "gui" is not part of any key.
    EXPECT_EQ(valueOf("gui.menu.title"), "<null>");
    // No element makes an older text block, whatever its name or kind.
    for (const char* name : { "menu.title", "top", "caption" })
        EXPECT_EQ(gui->Text2(name), nullptr) << name;

    EXPECT_TRUE(gui->group("menu"));
    EXPECT_TRUE(gui->group("sub"));
    EXPECT_TRUE(gui->group(""));
    EXPECT_FALSE(gui->group("menu.title"));
    EXPECT_FALSE(gui->group("menu.sub"));
    EXPECT_EQ(gui->groups().count(), 3u);
    EXPECT_TRUE(gui->loaded());
    EXPECT_EQ(std::string(gui->directory().c_str()), folder.path());
}

// The walk of a parsed description, open to the tests.
class KaXMLGUIWalker : public KaXMLGUI {
public:
    using KaXMLGUI::parseXML;
};

struct WalkOnThread {
    KaXMLGUIWalker* gui;
    TiXmlDocument* document;
};

void* walk(void* argument)
{
    WalkOnThread* job = static_cast<WalkOnThread*>(argument);
    job->gui->parseXML(job->document, KaString());
    return nullptr;
}

TEST_F(KaXMLGUITest, DeepNestingIsWalkedWithoutACallPerLevel)
{
    // TinyXML reads nesting deeper than a walk calling itself per level
    // survives: the walk runs here on a stack far smaller than such a walk
    // would need.
    const int depth = 5000;
    std::string xml = "<g>";
    for (int i = 0; i < depth; ++i)
        xml += "<a>";
    xml += "<value name=\"bottom\" value=\"b\"/>";
    for (int i = 0; i < depth; ++i)
        xml += "</a><value name=\"after\" value=\"x\"/>";
    xml += "</g>";
    TiXmlDocument document;
    document.Parse(xml.c_str());
    ASSERT_FALSE(document.Error());

    KaXMLGUIWalker walker;
    WalkOnThread job = { &walker, &document };
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    ASSERT_EQ(pthread_attr_setstacksize(&attributes, 512 * 1024), 0);
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, &attributes, walk, &job), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);

    KaString* bottom = walker.value("bottom");
    KaString* after = walker.value("after");
    ASSERT_NE(bottom, nullptr);
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(std::string(bottom->c_str()), "b");
    EXPECT_EQ(std::string(after->c_str()), "x");
}

TEST_F(KaXMLGUITest, ADescriptionNestedTooDeeplyIsRefusedWithTheLoadersMessage)
{
    // Fifty thousand levels would overflow TinyXML's own recursive parser
    // on the default stack; the loader refuses them before it runs.
    std::string xml = "<g><value name=\"top\" value=\"t\"/>";
    for (int i = 0; i < 50000; ++i)
        xml += "<a>";
    KaCaptureStdout capture;
    EXPECT_FALSE(load(xml));
    EXPECT_NE(std::string::npos, capture.text().find("[KaXMLGUI::Load] file :")) << capture.text();
    EXPECT_NE(std::string::npos, capture.text().find("error : elements nested too deeply")) << capture.text();
    EXPECT_EQ(nullptr, gui->value("top"));
}

TEST_F(KaXMLGUITest, TagsAndReaderAttributesMatchInAnyCaseButValuesDoNot)
{
    ASSERT_TRUE(load("<GUI>"
                     "<Value NAME=\"k\" VALUE=\"v\"/>"
                     "<VALUE Name=\"Case\" value=\"Kept\"/>"
                     "<Group NaMe=\"G\"><bUtToN nAmE=\"b\" ENABLE=\"0\" Visible=\"1\"/></Group>"
                     "</GUI>"));
    EXPECT_EQ(valueOf("k"), "v");
    EXPECT_EQ(valueOf("Case"), "Kept");
    EXPECT_EQ(valueOf("case"), "<null>");
    EXPECT_TRUE(gui->group("G"));
    EXPECT_FALSE(gui->group("g"));
    KaButton* button = gui->button("G.b");
    ASSERT_NE(button, nullptr);
    EXPECT_FALSE(button->getEnable());
    EXPECT_TRUE(button->getVisible());
}

TEST_F(KaXMLGUITest, IntegerAttributesReadTheLeadingNumber)
{
    struct Case {
        const char* text;
        bool set;
    };
    const Case cases[] = {
        { "1", true }, { "2", true }, { "0", false }, { "-3", false }, { "true", false }, { "7px", true },
        { " 4", true }, { "99999999999999999999999", true }, { "", false },
    };
    for (const Case& c : cases) {
        const std::string xml =
            std::string("<b><button name=\"b\" visible=\"") + c.text + "\" enable=\"" + c.text + "\"/></b>";
        ASSERT_TRUE(load(xml)) << c.text;
        KaButton* button = gui->button("b");
        ASSERT_NE(button, nullptr) << c.text;
        EXPECT_EQ(button->getVisible(), c.set) << c.text;
        EXPECT_EQ(button->getEnable(), c.set) << c.text;
    }
}

TEST_F(KaXMLGUITest, FirstEntryOfANameWinsAndLaterOnesAreStillBuilt)
{
    ASSERT_TRUE(load("<g><value name=\"twice\" value=\"first\"/><value name=\"twice\" value=\"second\"/>"
                     "<button name=\"b\" visible=\"1\"/><button name=\"b\"/></g>"));
    EXPECT_EQ(valueOf("twice"), "first");
    KaButton* first = gui->button("b");
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->getVisible());
}

TEST_F(KaXMLGUITest, PropertiesChangeTheObjectReadLastWhereverTheyStand)
{
    ASSERT_TRUE(load("<g>"
                     "<button name=\"a\"><position x=\"10\" Y=\"20\" z=\"-1.5\"/></button>"
                     "<button name=\"b\"/>"
                     // Siblings after b still change b.
                     "<size x=\"30\" y=\"40\"/>"
                     "<scale x=\"2\" y=\"3\" z=\"1\"/>"
                     "<opacity value=\"0.25\"/>"
                     "<rect x=\"1\" y=\"1\"/>"
                     "</g>"));
    KaButton* a = gui->button("a");
    KaButton* b = gui->button("b");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(a->getPosition(), KaVector3f32(10, 20, -1.5f));
    EXPECT_EQ(a->getSize(), KaVector3f32(0, 0, 0));
    EXPECT_EQ(b->getPosition(), KaVector3f32(0, 0, 0));
    EXPECT_EQ(b->getSize(), KaVector3f32(30, 40, 0));
    EXPECT_EQ(b->getScale(), KaVector3f32(2, 3, 1));
    EXPECT_FLOAT_EQ(b->getOpacity(), 0.25f);
    // The widgets sit in the GUI.
    EXPECT_EQ(a->getParent(), static_cast<KaI3DObject*>(gui.get()));
}

TEST_F(KaXMLGUITest, ARotationReadsOnlyAFirstValueAttributeInDegrees)
{
    struct Case {
        const char* element;
        float degrees;
    };
    const Case cases[] = {
        { "<rotate value=\"90\"/>", 90.0f },
        { "<rotate VALUE=\"-45.5\"/>", -45.5f },
        { "<rotate other=\"1\" value=\"90\"/>", 0.0f },
        { "<rotate/>", 0.0f },
        { "<rotate value=\"1e300\"/>", HUGE_VALF },
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(load(std::string("<g><button name=\"b\"/>") + c.element + "</g>")) << c.element;
        ASSERT_NE(gui->button("b"), nullptr);
        EXPECT_EQ(gui->button("b")->getRotateAngle(), c.degrees) << c.element;
    }
}

TEST_F(KaXMLGUITest, APropertyAfterAValueOrAnUnknownKindChangesNothing)
{
    ASSERT_TRUE(load("<g><button name=\"b\"/><value name=\"v\" value=\"x\"/><position x=\"5\" y=\"5\"/>"
                     "<button name=\"c\"/><music name=\"m\"/><size x=\"5\" y=\"5\"/></g>"));
    EXPECT_EQ(gui->button("b")->getPosition(), KaVector3f32(0, 0, 0));
    EXPECT_EQ(gui->button("c")->getSize(), KaVector3f32(0, 0, 0));
    EXPECT_EQ(gui->currentKind(), KaXMLGUI::Music);
}

TEST_F(KaXMLGUITest, PlatformSectionsOfOtherBuildsAreSkippedWithTheirContent)
{
    struct Case {
        const char* platform;
        bool read;
    };
    const Case cases[] = {
        { "<platform type=\"iPhone\">", true },
        { "<platform>", true },
        { "<platform type=\"\">", true },
        { "<PLATFORM TYPE=\"iPhone\">", true },
        { "<platform type=\"PC\">", false },
        { "<platform type=\"iphone\">", false },
        { "<platform other=\"x\" Type=\"MacOSX\" type=\"iPhone\">", false },
    };
    for (const Case& c : cases) {
        const std::string xml = std::string("<g><button name=\"b\"/>") + c.platform +
            "<position x=\"3\" y=\"4\"/><value name=\"v\" value=\"in\"/><group name=\"inner\"/></platform>"
            "<value name=\"after\" value=\"a\"/></g>";
        // Written in whatever case the opening tag has.
        std::string fixed = xml;
        if (std::string(c.platform).find("PLATFORM") != std::string::npos)
            fixed.replace(fixed.find("</platform>"), 11, "</PLATFORM>");
        ASSERT_TRUE(load(fixed)) << c.platform;
        EXPECT_EQ(valueOf("v"), c.read ? "in" : "<null>") << c.platform;
        EXPECT_EQ(gui->group("inner"), c.read) << c.platform;
        EXPECT_EQ(gui->button("b")->getPosition(), c.read ? KaVector3f32(3, 4, 0) : KaVector3f32(0, 0, 0))
            << c.platform;
        EXPECT_EQ(valueOf("after"), "a") << c.platform;
    }
}

TEST_F(KaXMLGUITest, NamedPlatformSectionsNameTheirContent)
{
    ASSERT_TRUE(load("<g><platform name=\"p\" type=\"iPhone\"><value name=\"v\" value=\"1\"/></platform></g>"));
    EXPECT_EQ(valueOf("p.v"), "1");
}

TEST_F(KaXMLGUITest, PicturesComeFromTheResourceManagerAndOnlyLoadedOnesAreKept)
{
    KaImage picture;
    ASSERT_TRUE(picture.create(4, 2, KaIntrusivePtr<KaPalette>(), RGBA8888));
    picture.fill(10, 20, 30, 255);
    const std::string pictureFile = folder.file("pic.png");
    ASSERT_TRUE(picture.save(KaString(pictureFile.c_str()), KaImage::PNG));
    folder.write("broken.png", "not a picture at all");

    const std::string xml = "<g><button name=\"b\"/>"
                            "<img name=\"pic\" file=\"" +
        pictureFile +
        "\"/>"
        "<button name=\"c\"/>"
        "<img name=\"missing\" file=\"" +
        folder.file("none.png") +
        "\"/><size x=\"9\" y=\"9\"/>"
        "<button name=\"d\"/>"
        "<img name=\"broken\" file=\"" +
        folder.file("broken.png") +
        "\"/><size x=\"9\" y=\"9\"/>"
        "<button name=\"e\"/><img name=\"nofile\"/><size x=\"9\" y=\"9\"/>"
        "</g>";
    KaCaptureStdout console;
    ASSERT_TRUE(load(xml));
    console.text();

    KaIntrusivePtr<KaImage> image = gui->img("pic");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 4u);
    EXPECT_EQ(image.get(), resourceManager.get()->getResource<KaImage>(KaPath(pictureFile.c_str())).get());
    EXPECT_FALSE(gui->img("missing"));
    EXPECT_FALSE(gui->img("broken"));
    EXPECT_FALSE(gui->img("nofile"));
    EXPECT_FALSE(gui->img("nothing"));
    // After a picture that was not kept, a size changes nothing.
    for (const char* name : { "c", "d", "e" })
        EXPECT_EQ(gui->button(name)->getSize(), KaVector3f32(0, 0, 0)) << name;
    EXPECT_EQ(gui->currentKind(), KaXMLGUI::None);

    // The GUI holds its picture, and gives it up when cleared.
    KaImage* held = image.get();
    image = KaIntrusivePtr<KaImage>();
    EXPECT_EQ(resourceManager.get()->findResource<KaImage>(KaPath(pictureFile.c_str())), held);
    gui->unload();
    EXPECT_EQ(resourceManager.get()->findResource<KaImage>(KaPath(pictureFile.c_str())), nullptr);
}

TEST_F(KaXMLGUITest, SoundsKeepTheirPathsAsGivenWithTheirRepeatDefaults)
{
    KaCaptureStdout console;
    ASSERT_TRUE(load("<g><group name=\"s\">"
                     "<music name=\"loop\" file=\"sounds/theme.ogg\"/>"
                     "<music name=\"once\" FILE=\"sounds/theme.ogg\" Repeat=\"0\"/>"
                     "<sfx name=\"click\" file=\"sounds/click.wav\" repeat=\"1\"/>"
                     "</group></g>",
        "menus/gui.xml"));
    console.text();
    KaMusic* loop = gui->music("s.loop");
    KaMusic* once = gui->music("s.once");
    KaSFX* click = gui->SFX("s.click");
    ASSERT_NE(loop, nullptr);
    ASSERT_NE(once, nullptr);
    ASSERT_NE(click, nullptr);
    EXPECT_TRUE(loop->repeat());
    EXPECT_FALSE(once->repeat());
    // Not against the description's folder ("menus").
    EXPECT_EQ(std::string(loop->filePath().c_str()), "sounds/theme.ogg");
    EXPECT_EQ(std::string(click->path().c_str()), "sounds/click.wav");
    EXPECT_EQ(gui->currentKind(), KaXMLGUI::SoundEffect);
    EXPECT_EQ(gui->SFX("s.loop"), nullptr);
}

TEST_F(KaXMLGUITest, ASecondLoadReplacesEverythingAndReleasesTheOldWidgetsAtTheEndOfTheFrame)
{
    ASSERT_TRUE(load("<g><group name=\"old\"/><button name=\"b\" visible=\"1\"/><value name=\"v\" value=\"1\"/>"
                     "<music name=\"m\"/></g>"));
    KaButton* old = gui->button("b");
    ASSERT_NE(old, nullptr);
    const unsigned long pending = KaObject::pendingDeleteCount();

    KaCaptureStdout console;
    ASSERT_TRUE(load("<g><value name=\"w\" value=\"2\"/></g>", "second.xml"));
    console.text();
    EXPECT_EQ(gui->button("b"), nullptr);
    EXPECT_EQ(gui->music("m"), nullptr);
    EXPECT_EQ(valueOf("v"), "<null>");
    EXPECT_FALSE(gui->group("old"));
    EXPECT_EQ(valueOf("w"), "2");
    // The old button and music wait for the end of the frame, the button
    // hidden so that it takes no more clicks.
    EXPECT_EQ(KaObject::pendingDeleteCount(), pending + 2);
    EXPECT_FALSE(old->getVisible());
    KaObject::deleteNow();
    EXPECT_EQ(KaObject::pendingDeleteCount(), 0u);
}

TEST_F(KaXMLGUITest, AFileThatCannotBeReadLeavesTheGUIEmptyAndSaysSo)
{
    ASSERT_TRUE(load("<g><value name=\"v\" value=\"1\"/></g>"));
    struct Case {
        const char* file;
        const char* content;
        const char* message;
        // The file named by the message: a missing one after its last
        // fallback.
        const char* read;
    };
    const Case cases[] = {
        { "missing.xml", nullptr, "error : could not open file\n", "en/missing.xml" },
        { "broken.xml", "<g><value name=\"v\"></g>", "ligne : 1", "broken.xml" },
        { "empty.xml", "", "Error document empty.", "empty.xml" },
    };
    for (const Case& c : cases) {
        if (c.content)
            folder.write(c.file, c.content);
        KaCaptureStdout console;
        EXPECT_FALSE(gui->load(KaPath(folder.file(c.file).c_str()))) << c.file;
        const std::string text = console.text();
        EXPECT_NE(text.find("[KaXMLGUI::Load] file :" + folder.file(c.read) + " error : "), std::string::npos) << text;
        EXPECT_NE(text.find(c.message), std::string::npos) << text;
        EXPECT_EQ(valueOf("v"), "<null>") << c.file;
        // The loaded flag keeps its value.
        EXPECT_TRUE(gui->loaded()) << c.file;
        EXPECT_EQ(KaXMLBuffer, nullptr);
    }
    gui->unload();
    EXPECT_FALSE(gui->loaded());
}

TEST_F(KaXMLGUITest, AMissingFileIsLookedForInTheLanguageFolderThenInEnglish)
{
    const KaString language = core.get()->language();
    core.get()->language("fr");
    folder.write("help/fr/help.xml", "<g><value name=\"t\" value=\"bonjour\"/></g>");
    folder.write("other/en/help.xml", "<g><value name=\"t\" value=\"hello\"/></g>");

    EXPECT_TRUE(gui->load(KaPath(folder.file("help/help.xml").c_str())));
    EXPECT_EQ(valueOf("t"), "bonjour");
    EXPECT_EQ(std::string(gui->directory().c_str()), folder.file("help/fr"));
    EXPECT_TRUE(gui->load(KaPath(folder.file("other/help.xml").c_str())));
    EXPECT_EQ(valueOf("t"), "hello");
    EXPECT_EQ(std::string(gui->directory().c_str()), folder.file("other/en"));

    // With the variant folders on, the file class finds the language's
    // folder itself, and the GUI keeps the path as given.
    core.get()->setFlagsOn(true);
    EXPECT_TRUE(gui->load(KaPath(folder.file("help/help.xml").c_str())));
    EXPECT_EQ(valueOf("t"), "bonjour");
    EXPECT_EQ(std::string(gui->directory().c_str()), folder.file("help"));
    KaCaptureStdout console;
    EXPECT_FALSE(gui->load(KaPath(folder.file("other/help.xml").c_str())));
    EXPECT_NE(console.text().find("file :" + folder.file("other/help.xml") + " error"), std::string::npos);
    core.get()->setFlagsOn(false);
    core.get()->language(language);
}

TEST_F(KaXMLGUITest, WidgetsReleasedByADestroyedGUIForgetIt)
{
    ASSERT_TRUE(load("<g><button name=\"b\" visible=\"1\"/></g>"));
    KaButton* button = gui->button("b");
    gui.reset();
    // Still alive until the end of the frame, without a parent that is gone.
    EXPECT_EQ(button->getParent(), nullptr);
    EXPECT_FALSE(button->getVisible());
    EXPECT_EQ(button->getWorldPosition(), KaVector3f32(0, 0, 0));
}

TEST_F(KaXMLGUITest, NamesJoinWithADotEvenAroundEmptyParts)
{
    struct Case {
        const char* name;
        const char* part;
        const char* joined;
    };
    const Case cases[] = {
        { "", "a", "a" }, { "a", "b", "a.b" }, { "a", "", "a." }, { "", "", "" }, { "a.", "b", "a..b" },
    };
    for (const Case& c : cases) {
        KaString name(c.name);
        KaXMLGUI::buildName(name, c.part);
        EXPECT_EQ(std::string(name.c_str()), c.joined);
    }
}

TEST_F(KaXMLGUITest, PointsReadTheirAttributesInAnyCase)
{
    TiXmlDocument document;
    document.Parse("<p X=\"1.5\" y=\"-2\" Z=\"abc\" other=\"9\"/>");
    TiXmlElement* element = document.RootElement();
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(KaXMLGUI::point(element), KaVector3f32(1.5f, -2.0f, 0.0f));
    const KaVector2s32 flat = KaXMLGUI::point2D(element);
    EXPECT_EQ(flat.x, 1);
    EXPECT_EQ(flat.y, -2);
}

} // namespace
