#include <gtest/gtest.h>

#include <tinyxml.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/core/KaILoc.h"
#include "engine/graphics/KaRenderer.h"
#include "engine/gui/KaMainWindow.h"
#include "engine/gui/KaTextLayout.h"
#include "tests/engine/graphics/KaGLTestContext.h"
#include "tests/engine/gui/KaTextTestSupport.h"
#include "tests/support/KaTestSupport.h"

namespace {

// A localisation source the tests fill; it lives as long as the core may
// point at it.
class TestLoc : public KaILoc {
public:
    void set(const char* key, const char* value)
    {
        mTable.clear();
        add(key, value);
    }
    void add(const char* key, const char* value)
    {
        KaILocData data;
        data.name = key;
        data.value = value;
        mTable.pushBack(data.name, data);
    }
};

TestLoc& testLoc()
{
    static TestLoc loc;
    if (core.get()->loc() != &loc) {
        KaCaptureStdout quiet;
        core.get()->addLoc(loc);
    }
    return loc;
}

std::string mono() { return KaDejaVu("DejaVuSansMono.ttf"); }

// The markup prefix the game puts before its texts.
std::string prefix(unsigned long size, const char* style = "left")
{
    return std::string("<section style=\"") + style + "\"/><color r=\"255\" g=\"255\" b=\"255\"/><font file=\"" + mono()
        + "\" size=\"" + std::to_string(size) + "\"/>";
}

class KaTextLayoutTest : public KaGLRendererTest {
protected:
    void TearDown() override
    {
        KaObject::deleteNow();
        mainWindow.destroy();
        KaGLRendererTest::TearDown();
    }
};

TEST_F(KaTextLayoutTest, MarkupReadsWithTheEnginesTinyXmlSettings)
{
    struct Case {
        const char* name;
        std::string markup;
        std::string text;
    };
    const std::vector<Case> cases = {
        { "white space condensed, spaces around tags dropped", "<font/>a   b\n\t c <br/> d ", "a b cd" },
        { "byte 0xE9 stays one character", "<font/>caf\xE9<br/>x", "caf\xE9x" },
        { "a numeric reference gives one byte", "<font/>caf&#233;", "caf\xE9" },
        { "named references", "<font/>&lt;&amp;&gt;", "<&>" },
        { "a bare ampersand shows", "<font/>R&D &#23 &x", "R&D &#23 &x" },
        { "text before the first tag is not shown", "abc<br/>def", "def" },
        { "a text without a tag shows nothing", "abc", "" },
        { "children of an element are not read", "<font>inner</font>after", "after" },
        { "comments are skipped", "<font/>a<!-- hidden -->b", "ab" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaTextLayout layout;
        KaCaptureStdout quiet;
        layout.setText(KaString(c.markup.c_str()));
        EXPECT_EQ(c.text, std::string(layout.text().c_str(), layout.text().length()));
    }
    // The global setting is the engine's while parsing only.
    TiXmlBase::SetCondenseWhiteSpace(false);
    TiXmlElement document("");
    EXPECT_TRUE(KaTextLayout::parseMarkup("<font/>a   b", document));
    EXPECT_FALSE(TiXmlBase::IsWhiteSpaceCondensed());
    TiXmlBase::SetCondenseWhiteSpace(true);
    EXPECT_EQ(std::string("a b"), document.FirstChildElement()->NextSibling()->Value());
}

TEST_F(KaTextLayoutTest, MarkupThatDoesNotParseIsNamedAndShowsWhatWasRead)
{
    const std::string broken[]
        = { "<font/>less < more", "<font/>open <br> never closed", std::string("<font/>a\0b", 10) };
    for (const std::string& markup : broken) {
        KaTextLayout layout;
        KaCaptureStdout capture;
        layout.setText(KaString(markup.data(), markup.size()));
        const std::string line = capture.text();
        EXPECT_NE(std::string::npos, line.find("[KaTextLayout::setText] Can't parse the text : ")) << markup;
        EXPECT_NE(std::string::npos, line.find(markup.c_str())) << markup;
    }
    KaTextLayout partial;
    KaCaptureStdout quiet;
    partial.setText("<font/>shown<br>lost");
    EXPECT_EQ(KaString("shown"), partial.text());
}

TEST_F(KaTextLayoutTest, MarkupNestedTooDeeplyIsRefusedWhole)
{
    // Fifty thousand nested tags would overflow TinyXML's recursive parser.
    std::string markup = "shown";
    for (int i = 0; i < 50000; ++i)
        markup += "<font>";
    markup += "deep";
    for (int i = 0; i < 50000; ++i)
        markup += "</font>";
    KaTextLayout layout;
    std::string said;
    {
        KaCaptureStdout capture;
        layout.setText(KaString(markup.c_str()));
        said = capture.text();
    }
    EXPECT_NE(std::string::npos, said.find("[KaTextLayout::setText] Can't parse the text : shown<font>"))
        << said.substr(0, 200);
    EXPECT_EQ(KaString(), layout.text());

    // Markup as deep as any text needs still parses.
    std::string shallow;
    for (int i = 0; i < 20; ++i)
        shallow += "<font>";
    shallow += "deep";
    for (int i = 0; i < 20; ++i)
        shallow += "</font>";
    KaTextLayout fine;
    {
        KaCaptureStdout quiet;
        fine.setText(KaString(shallow.c_str()));
        said = quiet.text();
    }
    EXPECT_EQ(std::string::npos, said.find("Can't parse")) << said;
}

TEST_F(KaTextLayoutTest, KeysGoThroughTheCoresLocalisationSource)
{
    TestLoc& loc = testLoc();
    loc.set("hello", "Bonjour");
    loc.add("loop", "$(hello)");
    loc.add("markup", "one<br/>two");
    loc.add("amp", "Pierre & Marie");
    struct Case {
        const char* name;
        const char* text;
        const char* shown;
    };
    const Case cases[] = {
        { "known", "<font/>$(hello) !", "Bonjour !" },
        { "unknown stays", "<font/>$(nothing) x", "$(nothing) x" },
        { "unclosed stays", "<font/>$(hello", "$(hello" },
        { "several", "<font/>$(hello)$(nothing)$(hello)", "Bonjour$(nothing)Bonjour" },
        { "inserted texts are not searched again", "<font/>$(loop)", "$(hello)" },
        { "a value carries markup", "<font/>$(markup)", "onetwo" },
        { "a value's ampersand shows", "<font/>$(amp)", "Pierre & Marie" },
        { "a key may bring the first tag", "$(markup)", "two" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaTextLayout layout;
        KaCaptureStdout capture;
        layout.setText(c.text);
        EXPECT_EQ(KaString(c.shown), layout.text());
        EXPECT_EQ("", capture.text());
    }
    EXPECT_EQ(KaString("a Bonjour b $(x"), KaTextLayout::substitute("a $(hello) b $(x"));
}

TEST_F(KaTextLayoutTest, StyleTagsApplyFromTheCurrentCharacter)
{
    KaTextLayout layout;
    layout.setText(KaString((prefix(20, "CENTER") + "ab<color r=\"300\" g=\"1\" b=\"2\" a=\"257\"/>cd<br/><br/>ef"
        + "<section style=\"bogus\"/>")
                                .c_str()));
    KaTextBase2& block = layout.textBase();
    EXPECT_EQ(KaString("abcdef"), layout.text());
    EXPECT_EQ(20u, layout.fontSize());
    EXPECT_EQ(KaTextBase2::Center, block.alignStyle());
    EXPECT_EQ(KaColor(255, 255, 255, 255), block.currentColor(1));
    EXPECT_EQ(KaColor(300 & 0xFF, 1, 2, 257 & 0xFF), block.currentColor(2));
    EXPECT_EQ(2u, block.newLines(4));
    ASSERT_TRUE(block.font(0));
    EXPECT_EQ(KaPath(mono().c_str()), block.font(0)->path());
}

TEST_F(KaTextLayoutTest, MultiLineTakesTheHeightOfItsText)
{
    KaReferenceFace face(mono(), 20);
    KaTextLayout layout;
    layout.setSize(KaVector3f32(300, 10, 0));
    layout.setInterLine(4.0f);
    layout.setText(KaString((prefix(20) + "one<br/>two<br/>three").c_str()));
    EXPECT_EQ(KaVector3f32(300, 3 * face.height() + 2 * 4, 0), layout.size() * KaVector3f32(1, 1, 0));
    EXPECT_EQ(KaVector2s32(300, 10), layout.textBase().rect());
}

TEST_F(KaTextLayoutTest, SingleLineWidthIsMeasuredAlongTheHorizontalScale)
{
    KaReferenceFace face(mono(), 20);
    // Stretched twice as wide as high: glyphs keep the vertical size, the
    // layout's width comes back through the horizontal scale.
    KaLayout parent;
    parent.setSize(KaVector3f32(500, 500, 0));
    parent.setScale(KaVector3f32(2, 1, 1));
    KaTextLayout* layout = new KaTextLayout();
    parent.addChild(layout);
    layout->setWrapMode(KaITextLayout::SingleLine);
    layout->setSize(KaVector3f32(10, 10, 0));
    layout->setText(KaString((prefix(20) + "abcd").c_str()));
    const KaVector2s32 laidOut = layout->textSize();
    EXPECT_EQ(20u, layout->textBase().fontSize());
    EXPECT_EQ(static_cast<float>(laidOut.x) / 2.0f, layout->xSize());
    EXPECT_EQ(static_cast<float>(laidOut.y), layout->ySize());
    layout->deleteLater();
}

TEST_F(KaTextLayoutTest, FontSizeFollowsTheScaleAndTheReferenceWidth)
{
    struct Case {
        const char* name;
        KaITextLayout::TextSizeType type;
        unsigned long reference;
        float width;
        float parentScale;
        unsigned long expected;
    };
    const Case cases[] = {
        { "fixed", KaITextLayout::Fixed, 400, 800, 1, 12 },
        { "fixed under a parent scaled by 2", KaITextLayout::Fixed, 0, 800, 2, 24 },
        { "proportional", KaITextLayout::Proportional, 400, 800, 1, 24 },
        { "proportional, narrower", KaITextLayout::Proportional, 400, 300, 1, 9 },
        { "proportional without a reference", KaITextLayout::Proportional, 0, 800, 1, 12 },
        { "proportional and scaled", KaITextLayout::Proportional, 400, 800, 2, 48 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaLayout parent;
        parent.setSize(KaVector3f32(1000, 1000, 0));
        parent.setScale(KaVector3f32(c.parentScale, c.parentScale, 1));
        KaTextLayout* layout = new KaTextLayout();
        parent.addChild(layout);
        layout->setSize(KaVector3f32(c.width, 10, 0));
        layout->setTextSizeType(c.type);
        layout->setTextSizeProportionalToWidth(c.reference);
        layout->setText(KaString((prefix(12) + "abc def").c_str()));
        layout->size();
        EXPECT_EQ(c.expected, layout->textBase().fontSize());
        // Wrapped within the width in window pixels.
        EXPECT_EQ(static_cast<int32_t>(c.width * c.parentScale), layout->textBase().rect().x);
        layout->deleteLater();
        KaObject::deleteNow();
    }
}

TEST_F(KaTextLayoutTest, TextIsSnappedToWholeWindowPixels)
{
    struct Case {
        float width;
        float height;
        float fractionX;
        float fractionY;
    };
    const Case cases[] = { { 1024, 768, 0.0f, 0.0f }, { 1023, 768, 0.5f, 0.0f }, { 1024, 767, 0.0f, 0.5f } };
    for (const Case& c : cases) {
        KaMainWindow* window = mainWindow.get();
        window->setSize(KaVector3f32(c.width, c.height, 0));
        KaTextLayout* layout = new KaTextLayout();
        window->addChild(layout);
        layout->setPositionType(KaILayout::Pixel);
        layout->setPosition(KaVector3f32(10.3f, -7.6f, 0));
        layout->setSize(KaVector3f32(101, 33, 0));
        layout->setText(KaString((prefix(12) + "x").c_str()));
        const KaMatrix4x4 matrix = layout->textMatrix();
        EXPECT_EQ(c.fractionX, matrix.m[12] - std::floor(matrix.m[12])) << c.width;
        EXPECT_EQ(c.fractionY, matrix.m[13] - std::floor(matrix.m[13])) << c.height;
        window->removeChild(layout);
        delete layout;
    }
}

TEST_F(KaTextLayoutTest, DrawsItsGlyphsInsideItsRectangle)
{
    KaMainWindow* window = mainWindow.get();
    window->setSize(KaVector3f32(256, 256, 0));
    ASSERT_TRUE(window->create());
    KaTextLayout* layout = new KaTextLayout();
    window->addChild(layout);
    layout->setSize(KaVector3f32(100, 10, 0));
    layout->setText(KaString((prefix(20) + "MMMM<br/>MMMM").c_str()));
    layout->size();
    window->drawLayouts();
    renderer.get()->renderTransparentMeshes();
    // The layout sits at the window's centre: columns 78..177, and the rows
    // of its two lines around the middle.
    const KaVector3f32 size = layout->size();
    const int left = 128 - static_cast<int>(size.x / 2);
    const int right = left + static_cast<int>(size.x);
    const int top = 128 + static_cast<int>(size.y / 2);
    const int bottom = top - static_cast<int>(size.y);
    int inside = 0;
    int outside = 0;
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            if (pixel(x, y).a == 0)
                continue;
            const bool in = x >= left && x < right && y >= bottom && y < top;
            (in ? inside : outside) += 1;
        }
    }
    EXPECT_GT(inside, 100);
    EXPECT_EQ(0, outside);
    window->removeChild(layout);
    delete layout;
}

TEST_F(KaTextLayoutTest, LoadXmlAndColours)
{
    TiXmlElement element("text");
    element.SetAttribute("visible", 0);
    element.SetAttribute("interline", "4");
    TiXmlElement font("font");
    font.SetAttribute("file", mono().c_str());
    font.SetAttribute("size", 16);
    element.InsertEndChild(font);
    element.InsertEndChild(TiXmlText("words"));
    KaTextLayout layout;
    layout.loadXML(element);
    EXPECT_FALSE(layout.visible());
    EXPECT_EQ(4.0f, layout.textBase().interLine());
    EXPECT_EQ(KaString("words"), layout.text());
    EXPECT_EQ(16u, layout.fontSize());

    // The text follows its colour and its parents' under inheritance.
    KaLayout parent;
    KaTextLayout* child = new KaTextLayout();
    parent.addChild(child);
    child->setColorInheritance(true);
    child->setColor(KaColor(255, 0, 0, 255));
    EXPECT_EQ(KaColor(255, 0, 0, 255), child->textBase().globalColor());
    parent.setColor(KaColor(255, 255, 255, 128));
    EXPECT_EQ(child->worldColor(), child->textBase().globalColor());
    EXPECT_EQ(128, child->textBase().globalColor().a);
    child->deleteLater();
}

} // namespace
