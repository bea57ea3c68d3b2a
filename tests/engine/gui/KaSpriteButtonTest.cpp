#include <gtest/gtest.h>

#include <tinyxml.h>

#include <string>

#include "engine/gui/KaSpriteButton.h"
#include "tests/engine/gui/KaOldWidgetFixture.h"

namespace {

// Counts the button's press, release and click signals.
struct ButtonSignals {
    KaEmissionCounter pressed, released, clicked;
    void listen(KaButton& button)
    {
        pressed.listen(button.onPressed);
        released.listen(button.onReleased);
        clicked.listen(button.onClicked);
    }
};

// A 40 x 20 sprite button at (20, 30): red up, green down, blue disabled
// pictures. Its middle is (40, 40).
class KaSpriteButtonTest : public KaOldWidgetTest {
protected:
    void SetUp() override
    {
        KaOldWidgetTest::SetUp();
        up = picture("up.png", 40, 20, 255, 0, 0);
        down = picture("down.png", 40, 20, 0, 255, 0);
        disabled = picture("disabled.png", 40, 20, 0, 0, 255);
    }

    KaString up, down, disabled;
};

TEST_F(KaSpriteButtonTest, MarginsInsetTheHitArea)
{
    KaSpriteButton button;
    // Left, right, bottom, top.
    button.leftMargin(10);
    button.rightMargin(10);
    button.bottomMargin(5);
    button.topMargin(5);
    button.load(picture("big.png", 100, 50, 255, 0, 0), KaString(), KaString());
    button.setPosition(KaVector3f32(20, 30, 0));
    EXPECT_EQ(button.getSize(), KaVector3f32(100, 50, 0));
    EXPECT_EQ(button.button().getSize(), KaVector3f32(80, 40, 0));
    EXPECT_EQ(button.button().getPosition(), KaVector3f32(30, 35, 0));

    ButtonSignals signals;
    signals.listen(button.button());
    // Inside the picture but in the left margin: the game gets it.
    clickAt(25, 50);
    EXPECT_EQ(signals.clicked.count, 0);
    EXPECT_EQ(gameUps, 1);
    clickAt(35, 50);
    EXPECT_EQ(signals.clicked.count, 1);

    button.margin(KaVector3f32(4, 6, 0));
    EXPECT_EQ(button.margin(), KaVector3f32(4, 6, 0));
    EXPECT_EQ(button.button().getSize(), KaVector3f32(92, 38, 0));
    EXPECT_EQ(button.button().getPosition(), KaVector3f32(24, 36, 0));
}

TEST_F(KaSpriteButtonTest, ThePictureFollowsTheButton)
{
    KaSpriteButton button;
    button.load(up, down, disabled);
    button.setPosition(KaVector3f32(20, 30, 0));
    ButtonSignals signals;
    signals.listen(button.button());

    EXPECT_EQ(shownAt(40, 40), kaRed);
    EXPECT_EQ(shownAt(10, 10), kaNothing);
    pressAt(40, 40);
    EXPECT_EQ(shownAt(40, 40), kaGreen);
    moveTo(100, 100);
    EXPECT_EQ(shownAt(40, 40), kaRed);
    moveTo(41, 41);
    EXPECT_EQ(shownAt(40, 40), kaGreen);
    releaseAt(41, 41);
    EXPECT_EQ(shownAt(40, 40), kaRed);
    EXPECT_EQ(signals.clicked.count, 1);

    // Disabled: the disabled picture, and presses are taken without effect.
    button.setEnable(false);
    EXPECT_EQ(shownAt(40, 40), kaBlue);
    gameDowns = 0;
    clickAt(40, 40);
    EXPECT_EQ(shownAt(40, 40), kaBlue);
    EXPECT_EQ(gameDowns, 0);
    EXPECT_EQ(signals.pressed.count, 2);
    EXPECT_EQ(signals.clicked.count, 1);
    button.setEnable(true);
    EXPECT_EQ(shownAt(40, 40), kaRed);

    // Hidden and shown again while disabled, it shows its up picture though
    // it still refuses clicks.
    button.setEnable(false);
    button.setVisible(false);
    EXPECT_EQ(shownAt(40, 40), kaNothing);
    button.setVisible(true);
    EXPECT_EQ(shownAt(40, 40), kaRed);
    clickAt(40, 40);
    EXPECT_EQ(signals.clicked.count, 1);
}

TEST_F(KaSpriteButtonTest, MissingPicturesLeaveTheUpPictureShown)
{
    KaSpriteButton button;
    button.load(up, KaString(), KaString());
    button.setPosition(KaVector3f32(20, 30, 0));
    ButtonSignals signals;
    signals.listen(button.button());

    pressAt(40, 40);
    EXPECT_EQ(shownAt(40, 40), kaRed);
    releaseAt(40, 40);
    EXPECT_EQ(signals.pressed.count, 1);
    EXPECT_EQ(signals.clicked.count, 1);

    button.setEnable(false);
    EXPECT_EQ(shownAt(40, 40), kaRed);
    clickAt(40, 40);
    EXPECT_EQ(signals.clicked.count, 1);
}

TEST_F(KaSpriteButtonTest, OnlyTheSecondKindResizesItsHitArea)
{
    KaSpriteButton first;
    KaSpriteButton2 second;
    for (KaSpriteButton* button : { static_cast<KaSpriteButton*>(&first), static_cast<KaSpriteButton*>(&second) }) {
        button->margin(KaVector3f32(5, 2, 0));
        button->load(up, KaString(), KaString());
        EXPECT_EQ(button->button().getSize(), KaVector3f32(30, 16, 0));
        button->setSize(KaVector3f32(60, 30, 0));
    }
    EXPECT_EQ(first.button().getSize(), KaVector3f32(30, 16, 0));
    EXPECT_EQ(second.button().getSize(), KaVector3f32(50, 26, 0));

    // Unloading: the first kind's hit area shrinks to nothing, the second's
    // stays.
    first.unload();
    second.unload();
    EXPECT_EQ(first.getSize(), KaVector3f32(0, 0, 0));
    EXPECT_EQ(second.getSize(), KaVector3f32(0, 0, 0));
    EXPECT_EQ(first.button().getSize(), KaVector3f32(0, 0, 0));
    EXPECT_EQ(second.button().getSize(), KaVector3f32(50, 26, 0));
    EXPECT_FALSE(second.upSprite().texture());
}

TEST_F(KaSpriteButtonTest, TheSecondKindTakesTextures)
{
    KaSpriteButton2 loaded;
    loaded.load(up, down, KaString());
    KaSpriteButton2 button;
    button.load(picture("other.png", 40, 20, 255, 255, 0), KaString(), disabled);
    button.load(loaded.downSprite().texture().get(), nullptr, nullptr);
    button.setPosition(KaVector3f32(20, 30, 0));
    EXPECT_EQ(shownAt(40, 40), kaGreen);
    EXPECT_FALSE(button.disabledSprite().texture());
}

// XML: the pictures, margins, "enable" and "visible" as a GUI file gives them.
class KaSpriteButtonXmlTest : public KaSpriteButtonTest {
protected:
    void read(KaSpriteButton& button, const std::string& attributes, const std::string& children = std::string())
    {
        const std::string text = "<sprite_button up_file=\"" + std::string(up.c_str()) + "\" down_file=\""
            + std::string(down.c_str()) + "\" disable_file=\"" + std::string(disabled.c_str()) + "\" " + attributes
            + ">" + children + "</sprite_button>";
        TiXmlDocument document;
        document.Parse(text.c_str());
        ASSERT_FALSE(document.Error()) << text;
        button.loadXML(*document.RootElement(), KaString(mDir.path().c_str()));
        button.setPosition(KaVector3f32(20, 30, 0));
    }
};

TEST_F(KaSpriteButtonXmlTest, EnableZeroShowsTheDisabledPicture)
{
    // Written before the pictures, as the files do: still applied to them.
    KaSpriteButton button;
    read(button, "ENABLE=\"0\"");
    EXPECT_FALSE(button.button().getEnable());
    EXPECT_EQ(shownAt(40, 40), kaBlue);
    ButtonSignals signals;
    signals.listen(button.button());
    clickAt(40, 40);
    EXPECT_EQ(signals.clicked.count, 0);
    EXPECT_EQ(gameDowns, 0);
}

TEST_F(KaSpriteButtonXmlTest, AttributesAndChildren)
{
    struct Case {
        const char* name;
        const char* attributes;
        const char* children;
        KaPixel middle;
        bool enabled, visible;
        KaVector3f32 hitSize;
    };
    const Case cases[] = {
        { "plain", "", "", kaRed, true, true, KaVector3f32(40, 20, 0) },
        { "enabled", "enable=\"1\"", "", kaRed, true, true, KaVector3f32(40, 20, 0) },
        { "hidden", "visible=\"0\"", "", kaNothing, true, false, KaVector3f32(40, 20, 0) },
        { "shown by any positive number", "visible=\"2\"", "", kaRed, true, true, KaVector3f32(40, 20, 0) },
        { "text is read and shows nothing", "text=\"Hello\"", "", kaRed, true, true, KaVector3f32(40, 20, 0) },
        { "margins", "",
            "<leftMargin value=\"3\"/><rightMargin value=\"1\"/><bottomMargin value=\"2\"/>"
            "<topMargin value=\"x\"/>",
            kaRed, true, true, KaVector3f32(36, 18, 0) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KaSpriteButton2 button;
        read(button, c.attributes, c.children);
        EXPECT_EQ(shownAt(40, 40), c.middle);
        EXPECT_EQ(button.button().getEnable(), c.enabled);
        EXPECT_EQ(button.button().getVisible(), c.visible);
        EXPECT_EQ(button.button().getSize(), c.hitSize);
        EXPECT_EQ(button.getSize(), KaVector3f32(40, 20, 0));
    }
}

TEST_F(KaSpriteButtonXmlTest, ScaleCentreIsPassedToEveryPart)
{
    KaSpriteButton button;
    read(button, "", "<scaleCenter x=\"0\" y=\"1\"/>");
    EXPECT_EQ(button.getScaleCenter(), KaVector3f32(0, 1, 0.5f));
    EXPECT_EQ(button.upSprite().getScaleCenter(), KaVector3f32(0, 1, 0.5f));
    EXPECT_EQ(button.button().getScaleCenter(), KaVector3f32(0, 1, 0.5f));
    // Halved about its top-left corner: the picture and the hit area keep to
    // x 20 to 40 and y 40 to 50.
    button.setScale(KaVector3f32(0.5f, 0.5f, 1));
    EXPECT_EQ(shownAt(25, 45), kaRed);
    EXPECT_EQ(shownAt(25, 35), kaNothing);
    ButtonSignals signals;
    signals.listen(button.button());
    clickAt(25, 35);
    EXPECT_EQ(signals.clicked.count, 0);
    clickAt(25, 45);
    EXPECT_EQ(signals.clicked.count, 1);
}

}

namespace {

// A widget may go while a pointer holds it: its button, released on the
// way, must not reach the pictures already gone.
TEST_F(KaSpriteButtonTest, GoesWhileHeld)
{
    {
        KaSpriteButton button;
        button.load(up, down, disabled);
        button.setPosition(KaVector3f32(20, 30, 0));
        pressAt(40, 40);
        EXPECT_TRUE(button.button().isPressed());
    }
    releaseAt(40, 40);
    EXPECT_EQ(gameUps, 1);
}

}
