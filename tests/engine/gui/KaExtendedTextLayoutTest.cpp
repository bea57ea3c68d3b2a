#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/KaIClock.h"
#include "engine/core/KaTimer.h"
#include "engine/graphics/KaRenderer.h"
#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaExtendedTextLayout.h"
#include "engine/gui/KaMainWindow.h"
#include "engine/input/KaInputMgr.h"
#include "engine/scene/KaAnimation.h"
#include "tests/engine/graphics/KaGLTestContext.h"
#include "tests/engine/gui/KaGuiTestSupport.h"
#include "tests/engine/gui/KaTextTestSupport.h"

namespace {

std::string markup(const std::string& words)
{
    return "<section style=\"left\"/><color r=\"255\" g=\"255\" b=\"255\"/><font file=\""
        + KaDejaVu("DejaVuSansMono.ttf") + "\" size=\"20\"/>" + words;
}

// `count` numbered lines, each broken by a br tag.
std::string lines(int count, const char* word = "line")
{
    std::string words;
    for (int i = 0; i < count; ++i)
        words += (i ? "<br/>" : "") + std::string(word) + " " + std::to_string(i);
    return words;
}

// A 200 x 100 area in the middle of a 400 x 300 window drawn offscreen, on a
// clock moved by hand (frames of 20 ms), with the input manager on the same
// clock.
class KaExtendedTextLayoutTest : public KaGLRendererTest, public KaIClock {
protected:
    KaExtendedTextLayoutTest()
        : KaGLRendererTest(400, 300)
    {
    }
    void SetUp() override
    {
        KaGLRendererTest::SetUp();
        KaTimer::setClock(this);
        KaTimer::updateAll();
        input = inputMgr.get();
        input->setClock(this);
        input->initialize();
        window = mainWindow.get();
        window->setSize(KaVector3f32(400, 300, 0));
        ASSERT_TRUE(window->create());
        area = new KaExtendedTextLayout();
        area->setSize(KaVector3f32(200, 100, 0));
        area->setPositionType(KaILayout::Pixel);
        // The window's centre sits half a pixel off.
        area->setPosition(KaVector3f32(-0.5f, -0.5f, 0));
        window->addChild(area);
        run(2000);
    }
    void TearDown() override
    {
        window->removeChild(area);
        delete area;
        KaObject::deleteNow();
        mainWindow.destroy();
        inputMgr.destroy();
        KaTimer::setClock(nullptr);
        KaGLRendererTest::TearDown();
    }

    unsigned long long microseconds() override { return mNow; }
    void run(double milliseconds)
    {
        for (double done = 0.0; done < milliseconds - 0.5; done += 20.0) {
            mNow += 20000ULL;
            KaTimer::updateAll();
            KaAnimation::updateAll();
        }
    }
    void setText(const std::string& words) { area->setText(KaString(markup(words).c_str())); }

    KaTextLayout& text() { return area->textLayout(); }
    // The text's top and bottom edges, from the area's centre (y down).
    float textTop() { return text().position().y - text().ySize() / 2.0f; }
    float textBottom() { return text().position().y + text().ySize() / 2.0f; }
    float textLeft() { return text().position().x - text().xSize() / 2.0f; }
    float textRight() { return text().position().x + text().xSize() / 2.0f; }

    // Counts the lit pixels inside and outside the area's rectangle.
    void litPixels(int& inside, int& outside)
    {
        window->drawLayouts();
        renderer.get()->renderTransparentMeshes();
        inside = outside = 0;
        const std::vector<unsigned char> rgba = context().readPixels();
        for (int y = 0; y < 300; ++y) {
            for (int x = 0; x < 400; ++x) {
                if (rgba[(static_cast<size_t>(y) * 400 + static_cast<size_t>(x)) * 4 + 3] == 0)
                    continue;
                const bool in = x >= 100 && x < 300 && y >= 100 && y < 200;
                (in ? inside : outside) += 1;
            }
        }
    }

    unsigned long long mNow = 9000000000ULL;
    KaInputMgr* input = nullptr;
    KaMainWindow* window = nullptr;
    KaExtendedTextLayout* area = nullptr;
};

TEST_F(KaExtendedTextLayoutTest, LongTextWaitsThenScrollsOnceToItsEnd)
{
    setText(lines(10));
    const float height = text().ySize();
    ASSERT_GT(height, 200.0f) << "ten lines of 20 pixels overflow the area";
    EXPECT_EQ(text().xSize(), 200.0f);
    EXPECT_EQ(textTop(), -50.0f);

    run(3900);
    EXPECT_EQ(textTop(), -50.0f) << "still waiting";
    run(1000);
    const float early = textTop();
    EXPECT_LT(early, -50.0f);
    // One area height per 10 s: 10 pixels a second.
    EXPECT_NEAR(early, -50.0f - 10.0f * 0.9f, 1.0f);

    // The whole overflow at that speed, and some more: it ends with its last
    // line on the bottom edge and stays there.
    run((height - 100.0f) * 100.0f + 1000.0f);
    EXPECT_FLOAT_EQ(textBottom(), 50.0f);
    run(20000);
    EXPECT_FLOAT_EQ(textBottom(), 50.0f) << "does not come back";
}

TEST_F(KaExtendedTextLayoutTest, TextThatFitsNeverMoves)
{
    setText(lines(2));
    ASSERT_LT(text().ySize(), 100.0f);
    const KaVector3f32 start = text().position();
    run(30000);
    EXPECT_EQ(text().position(), start);
}

TEST_F(KaExtendedTextLayoutTest, NewTextStartsAtTheTopAndWaitsAgain)
{
    setText(lines(10));
    run(8000);
    ASSERT_LT(textTop(), -70.0f);
    setText(lines(12, "other"));
    EXPECT_EQ(textTop(), -50.0f);
    run(3900);
    EXPECT_EQ(textTop(), -50.0f);
    run(1000);
    EXPECT_LT(textTop(), -50.0f);
}

TEST_F(KaExtendedTextLayoutTest, SingleLineScrollsSidewaysOnce)
{
    area->setWrapMode(KaITextLayout::SingleLine);
    EXPECT_EQ(area->wrapMode(), KaITextLayout::SingleLine);
    setText("a single line far wider than its area");
    const float width = text().xSize();
    ASSERT_GT(width, 300.0f);
    EXPECT_EQ(textLeft(), -100.0f);
    EXPECT_NEAR(text().position().y, 0.0f, 1e-4f) << "centred across";
    run(3900);
    EXPECT_EQ(textLeft(), -100.0f);
    run(1000);
    EXPECT_LT(textLeft(), -100.0f) << "right to left";
    // One area width per 10 s: 20 pixels a second.
    run((width - 200.0f) * 50.0f + 1000.0f);
    EXPECT_FLOAT_EQ(textRight(), 100.0f);
    run(20000);
    EXPECT_FLOAT_EQ(textRight(), 100.0f);

    // Back to several lines: the text hangs from the top edge again.
    area->setWrapMode(KaITextLayout::MultiLine);
    setText(lines(10));
    EXPECT_EQ(textTop(), -50.0f);
    EXPECT_EQ(text().xSize(), 200.0f);
}

TEST_F(KaExtendedTextLayoutTest, ScrollingTextIsCutAtTheAreasEdges)
{
    setText(lines(10));
    ASSERT_GT(text().ySize(), 200.0f);
    int inside = 0, outside = 0;
    litPixels(inside, outside);
    EXPECT_GT(inside, 200);
    EXPECT_EQ(outside, 0);
    const std::vector<unsigned char> before = context().readPixels();

    run(12000);
    ASSERT_LT(textTop(), -100.0f);
    litPixels(inside, outside);
    EXPECT_GT(inside, 200);
    EXPECT_EQ(outside, 0);
    EXPECT_NE(context().readPixels(), before) << "the lines moved up";
}

TEST_F(KaExtendedTextLayoutTest, AreaLetsThePointerThrough)
{
    // A button under the area, and the area's own scrolling never reacts.
    KaButtonLayout button;
    button.setSize(KaVector3f32(300, 200, 0));
    window->addChildBefore(&button, area);
    KaEmissionCounter validations;
    validations.listen(button.onMouseClickValidated);
    setText(lines(10));
    const float top = textTop();
    input->setMouseRawPosition(KaVector2s32(200, 150), 0);
    EXPECT_EQ(button.state(), KaButtonLayout::RollOver);
    input->setMouseLeft(true, 0);
    input->setMouseRawPosition(KaVector2s32(200, 100), 0);
    input->setMouseRawPosition(KaVector2s32(200, 150), 0);
    input->setMouseLeft(false, 0);
    EXPECT_EQ(validations.count, 1);
    EXPECT_EQ(textTop(), top);
    window->removeChild(&button);
}

TEST_F(KaExtendedTextLayoutTest, ForwardsToTheTextAndItsScrolling)
{
    setText(lines(3));
    EXPECT_EQ(area->text(), text().text());
    EXPECT_EQ(area->textSize(), text().textSize());
    area->setInterLine(4.0f);
    area->strikethrough(true);
    EXPECT_TRUE(area->strikethrough());
    area->setKerningActivated(false);
    EXPECT_FALSE(text().kerningActivated());
    area->setTextSizeType(KaITextLayout::Proportional);
    area->setTextSizeProportionalToWidth(100);
    EXPECT_EQ(text().textSizeType(), KaITextLayout::Proportional);
    EXPECT_EQ(area->textSizeProportionalToWidth(), 100u);
    // 20 pixels at a reference width of 100 in an area 200 wide, once the
    // size is brought up to date.
    text().ySize();
    EXPECT_EQ(text().textBase().fontSize(), 40u);

    area->setAutoScrollDelay(1000);
    EXPECT_EQ(area->scrollingLayout().autoScrollDelay(), 1000u);
    area->setAutoScrollSpeed(0.5f);
    EXPECT_EQ(area->autoScrollSpeed(), 0.5f);
    EXPECT_EQ(area->scrollingLayout().autoScrollAnimation2Speed(), 0.5f);
    EXPECT_FALSE(area->scrollingLayout().mouseControl());

    area->clear();
    EXPECT_EQ(area->text(), KaString(""));
}

} // namespace
