#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "engine/core/KaObject.h"
#include "engine/gui/KaCheckBox.h"
#include "engine/gui/KaSoundPlayer.h"
#include "engine/gui/KaSprite.h"
#include "engine/gui/KaSpriteButton.h"
#include "engine/gui/KaVideoPlayer.h"
#include "engine/scene/KaMovement2.h"
#include "engine/scene/KaMovement3.h"
#include "engine/script/KaXMLGUI.h"
#include "engine/sound/KaSoundManager.h"
#include "tests/engine/gui/KaOldWidgetFixture.h"
#include "tools/fixtures/KaTheoraFixture.h"

namespace {

// Descriptions of older widgets read into a GUI, drawn offscreen in a
// 160 x 120 window (y up) and clicked through the input manager. Pictures:
// red, green, blue and yellow 40 x 20.
class KaXMLGUIWidgetsTest : public KaOldWidgetTest {
protected:
    void SetUp() override
    {
        const char* chosen = getenv("ALSOFT_DRIVERS");
        if (!chosen || !*chosen)
            setenv("ALSOFT_DRIVERS", "null", 1);
        KaOldWidgetTest::SetUp();
        red = picture("pics/red.png", 40, 20, 255, 0, 0);
        green = picture("pics/green.png", 40, 20, 0, 255, 0);
        blue = picture("pics/blue.png", 40, 20, 0, 0, 255);
        yellow = picture("pics/yellow.png", 40, 20, 255, 255, 0);
    }
    void TearDown() override
    {
        gui.reset();
        KaOldWidgetTest::TearDown();
        soundManager.destroy();
    }

    bool load(const std::string& xml, const std::string& name = "gui.xml")
    {
        mDir.write(name, xml);
        return gui->load(KaPath(mDir.file(name).c_str()));
    }

    static std::string text(const KaString& path) { return path.c_str(); }

    KaString red, green, blue, yellow;
    std::unique_ptr<KaXMLGUI> gui{ new KaXMLGUI() };
};

TEST_F(KaXMLGUIWidgetsTest, ASpriteReadsItsPictureBesideTheDescriptionAndIsPlacedByItsProperties)
{
    ASSERT_TRUE(load("<gui><group name=\"g\">"
                     "<sprite name=\"s\" file=\"./pics/red.png\"><position x=\"20\" y=\"30\" z=\"0\"/></sprite>"
                     "</group></gui>"));
    KaSprite* sprite = gui->sprite("g.s");
    ASSERT_NE(sprite, nullptr);
    EXPECT_EQ(sprite->getSize(), KaVector3f32(40, 20, 0));
    EXPECT_EQ(sprite->getParent(), static_cast<KaI3DObject*>(gui.get()));
    EXPECT_EQ(gui->currentKind(), KaXMLGUI::Sprite);
    EXPECT_EQ(shownAt(21, 31), kaRed);
    EXPECT_EQ(shownAt(59, 49), kaRed);
    EXPECT_EQ(shownAt(61, 31), kaNothing);
    // Placed through the GUI: moving the GUI moves what it holds.
    gui->setPosition(KaVector3f32(50, 0, 0));
    EXPECT_EQ(shownAt(71, 31), kaRed);
    EXPECT_EQ(shownAt(21, 31), kaNothing);
}

TEST_F(KaXMLGUIWidgetsTest, WidgetsReadingThemselvesAreNamedByTheExactNameAttributeOnly)
{
    ASSERT_TRUE(load("<gui>"
                     "<Sprite NAME=\"s\"/>"
                     "<group name=\"g\">"
                     "<sprite/>"
                     "<sprite_button/>"
                     "<movement2/>"
                     "<check_box NAME=\"c\"/>"
                     "<check_box name=\"d\"/>"
                     "</group>"
                     "</gui>"));
    // "NAME" is not "name": the top-level sprite is stored under the empty key.
    EXPECT_NE(gui->sprite(""), nullptr);
    EXPECT_EQ(gui->sprite("s"), nullptr);
    // Without a name, inside g: "g." for the widgets that read themselves ...
    EXPECT_NE(gui->sprite("g."), nullptr);
    EXPECT_NE(gui->spriteButton("g."), nullptr);
    EXPECT_NE(gui->movement2("g."), nullptr);
    // ... but the check box reader keeps the group's name when it finds no
    // exact "name".
    EXPECT_NE(gui->checkBox("g"), nullptr);
    EXPECT_EQ(gui->checkBox("g.c"), nullptr);
    EXPECT_NE(gui->checkBox("g.d"), nullptr);
    EXPECT_NE(gui->checkBox("g"), gui->checkBox("g.d"));
}

TEST_F(KaXMLGUIWidgetsTest, ADisabledSpriteButtonShowsItsDisabledPictureAndTakesNoClick)
{
    ASSERT_TRUE(load("<gui>"
                     "<sprite_button name=\"off\" up_file=\"./pics/red.png\" down_file=\"./pics/green.png\""
                     " disable_file=\"./pics/blue.png\" enable=\"0\">"
                     "<position x=\"20\" y=\"30\"/></sprite_button>"
                     "<sprite_button2 name=\"on\" up_file=\"./pics/red.png\" down_file=\"./pics/green.png\""
                     " disable_file=\"./pics/blue.png\" enable=\"1\"/>"
                     "<position x=\"100\" y=\"30\"/>"
                     "</gui>"));
    KaSpriteButton* off = gui->spriteButton("off");
    KaSpriteButton2* on = gui->spriteButton2("on");
    ASSERT_NE(off, nullptr);
    ASSERT_NE(on, nullptr);
    EXPECT_EQ(off->getParent(), static_cast<KaI3DObject*>(gui.get()));
    EXPECT_FALSE(off->button().getEnable());
    EXPECT_EQ(shownAt(40, 40), kaBlue);
    EXPECT_EQ(shownAt(120, 40), kaRed);

    KaEmissionCounter offClicks, onClicks;
    offClicks.listen(off->button().onClicked);
    onClicks.listen(on->button().onClicked);
    clickAt(40, 40);
    clickAt(120, 40);
    EXPECT_EQ(offClicks.count, 0);
    EXPECT_EQ(onClicks.count, 1);
    pressAt(120, 40);
    EXPECT_EQ(shownAt(120, 40), kaGreen);
    releaseAt(120, 40);
}

TEST_F(KaXMLGUIWidgetsTest, PropertiesReachTheSpriteButtonsAndCheckBoxesWithTheirMargins)
{
    const std::string xml = "<gui>"
                            "<sprite_button name=\"b\" up_file=\"./pics/red.png\"/>"
                            "<margin x=\"4\" y=\"6\"/><rotate value=\"90\"/><opacity value=\"0.5\"/>"
                            "<scale x=\"2\" y=\"2\" z=\"1\"/>"
                            "<check_box name=\"c\" active_file=\"" +
        text(green) + "\" unactive_file=\"" + text(yellow) +
        "\" visible=\"1\" mode=\"radio\">"
        "<position x=\"20\" y=\"80\"/><margin x=\"2\" y=\"3\"/></check_box>"
        "</gui>";
    ASSERT_TRUE(load(xml));
    KaSpriteButton* button = gui->spriteButton("b");
    KaCheckBox* box = gui->checkBox("c");
    ASSERT_NE(button, nullptr);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(button->margin(), KaVector3f32(4, 6, 0));
    EXPECT_EQ(button->button().getSize(), KaVector3f32(32, 8, 0));
    EXPECT_EQ(button->upSprite().getRotateAngle(), 90.0f);
    EXPECT_FLOAT_EQ(button->upSprite().getOpacity(), 0.5f);
    EXPECT_EQ(button->button().getScale(), KaVector3f32(2, 2, 1));

    EXPECT_EQ(box->margin(), KaVector3f32(2, 3, 0));
    EXPECT_EQ(box->getPosition(), KaVector3f32(20, 80, 0));
    EXPECT_EQ(box->mode(), KaCheckBox::Radio);
    EXPECT_EQ(box->getParent(), static_cast<KaI3DObject*>(gui.get()));
    // A new box is inactive.
    EXPECT_EQ(shownAt(40, 90), kaYellow);
}

TEST_F(KaXMLGUIWidgetsTest, MovementsAndSoundPlayersReadThemselvesAndTakeNoProperty)
{
    ASSERT_TRUE(load("<gui><group name=\"g\">"
                     "<button name=\"b\"/>"
                     "<movement2 name=\"m2\"><Duration>500</Duration>"
                     "<Opacity><StartValue>0</StartValue><EndValue>1</EndValue></Opacity></movement2>"
                     "<position x=\"5\" y=\"5\"/>"
                     "<movement3 name=\"m3\"><Duration>250</Duration>"
                     "<PositionX><EndValue>40</EndValue></PositionX></movement3>"
                     "<kasoundplayer name=\"p\" x=\"10\" y=\"20\" audio_file=\"sounds/tune.ogg\"/>"
                     "<size x=\"5\" y=\"5\"/>"
                     "</group></gui>",
        "menus/gui.xml"));
    KaMovement2* two = gui->movement2("g.m2");
    KaMovement3* three = gui->movement3("g.m3");
    KaSoundPlayer* player = gui->soundPlayer("g.p");
    ASSERT_NE(two, nullptr);
    ASSERT_NE(three, nullptr);
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(two->duration(), 500.0);
    EXPECT_EQ(two->endValue(KaMovement2::Opacity), 1.0);
    EXPECT_EQ(three->duration(), 250.0);
    EXPECT_EQ(player->getPosition(), KaVector3f32(10, 20, 0));
    EXPECT_EQ(player->getSize(), KaVector3f32(0, 0, 0));
    EXPECT_EQ(player->getParent(), static_cast<KaI3DObject*>(gui.get()));
    // As given, not against "menus".
    EXPECT_EQ(text(player->music().filePath()), "sounds/tune.ogg");
    EXPECT_EQ(gui->button("g.b")->getPosition(), KaVector3f32(0, 0, 0));
    EXPECT_EQ(gui->currentKind(), KaXMLGUI::SoundPlayer);
}

TEST_F(KaXMLGUIWidgetsTest, AVideoPlayerGetsItsExitButtonFromTheElementAfterIt)
{
    KaTheoraClip clip;
    clip.width = 40;
    clip.height = 20;
    clip.frames = 10;
    clip.withVorbis = false;
    clip.luma = [](unsigned int, unsigned int, unsigned int) { return static_cast<unsigned char>(200); };
    const std::string bytes = KaEncodeTheora(clip);
    ASSERT_FALSE(bytes.empty());
    mDir.write("clip.ogv", bytes);

    const std::string xml = "<gui>"
                            // Before any player: no button, nothing stored.
                            "<videoplayerbutton file=\"" +
        text(red) +
        "\" x=\"1\" y=\"1\"/>"
        "<group name=\"g\"><kavideoplayer NAME=\"v\" Video_File=\"" +
        mDir.file("clip.ogv") +
        "\">"
        "<position x=\"20\" y=\"30\" z=\"2\"/><rotate value=\"45\"/><opacity value=\"0.5\"/>"
        "<margin x=\"3\" y=\"3\"/></kavideoplayer>"
        "<value name=\"between\" value=\"x\"/>"
        "<videoplayerbutton FILE=\"" +
        text(red) +
        "\" X=\"100\" y=\"60.5\"/></group>"
        "</gui>";
    ASSERT_TRUE(load(xml));
    KaVideoPlayer* player = gui->videoPlayer("g.v");
    ASSERT_NE(player, nullptr);
    EXPECT_TRUE(player->video().isOpened());
    EXPECT_EQ(player->getParent(), static_cast<KaI3DObject*>(gui.get()));
    EXPECT_EQ(player->getPosition(), KaVector3f32(20, 30, 2));
    // Turns and opacity are not for video players.
    EXPECT_EQ(player->getRotateAngle(), 0.0f);
    EXPECT_EQ(player->getOpacity(), KaVideoPlayer().getOpacity());

    // Stored under the player's key, wherever the element stands and
    // whatever was read in between.
    KaSpriteButton* exit = gui->spriteButton("g.v.exitButton");
    ASSERT_NE(exit, nullptr);
    EXPECT_EQ(player->exit(), exit);
    EXPECT_EQ(exit->getPosition(), KaVector3f32(100, 60.5f, 1));
    EXPECT_EQ(exit->getSize(), KaVector3f32(40, 20, 0));
    EXPECT_EQ(exit->getParent(), nullptr);
    EXPECT_EQ(gui->spriteButton(".exitButton"), nullptr);
    EXPECT_EQ(gui->spriteButton("exitButton"), nullptr);
    // The button leaves the kind alone: it is still the value's.
    EXPECT_EQ(gui->currentKind(), KaXMLGUI::Value);

    EXPECT_EQ(shownAt(110, 70), kaRed);
    EXPECT_NE(shownAt(40, 40), kaNothing);

    // Released together; the player does not reach its exit button when
    // they go.
    const unsigned long pending = KaObject::pendingDeleteCount();
    gui->unload();
    EXPECT_EQ(KaObject::pendingDeleteCount(), pending + 2);
    KaObject::deleteNow();
}

TEST_F(KaXMLGUIWidgetsTest, ASecondLoadHidesTheOldWidgetsAtOnceAndDestroysThemAtTheEndOfTheFrame)
{
    ASSERT_TRUE(load("<gui>"
                     "<sprite name=\"s\" file=\"./pics/red.png\"><position x=\"0\" y=\"0\"/></sprite>"
                     "<sprite_button name=\"b\" up_file=\"./pics/green.png\"><position x=\"60\" y=\"0\"/>"
                     "</sprite_button>"
                     "<check_box name=\"c\" unactive_file=\"" +
        text(blue) +
        "\" visible=\"1\"><position x=\"110\" y=\"0\"/></check_box>"
        "<movement2 name=\"m\"/>"
        "</gui>"));
    EXPECT_EQ(shownAt(10, 10), kaRed);
    EXPECT_EQ(shownAt(70, 10), kaGreen);
    EXPECT_EQ(shownAt(120, 10), kaBlue);
    KaSpriteButton* oldButton = gui->spriteButton("b");
    KaEmissionCounter clicks;
    clicks.listen(oldButton->button().onClicked);

    const unsigned long pending = KaObject::pendingDeleteCount();
    ASSERT_TRUE(load("<gui><value name=\"v\" value=\"1\"/></gui>", "second.xml"));
    EXPECT_EQ(gui->sprite("s"), nullptr);
    EXPECT_EQ(gui->spriteButton("b"), nullptr);
    EXPECT_EQ(gui->checkBox("c"), nullptr);
    EXPECT_EQ(gui->movement2("m"), nullptr);
    EXPECT_EQ(KaObject::pendingDeleteCount(), pending + 4);
    // Until the end of the frame they are still there, but hidden and deaf.
    EXPECT_EQ(shownAt(10, 10), kaNothing);
    EXPECT_EQ(shownAt(70, 10), kaNothing);
    EXPECT_EQ(shownAt(120, 10), kaNothing);
    clickAt(70, 10);
    EXPECT_EQ(clicks.count, 0);
    KaObject::deleteNow();
    EXPECT_EQ(KaObject::pendingDeleteCount(), 0u);
    EXPECT_EQ(shownAt(10, 10), kaNothing);
}

TEST_F(KaXMLGUIWidgetsTest, WidgetsOfAGUIDestroyedMidFrameNoLongerReachIt)
{
    ASSERT_TRUE(load("<gui>"
                     "<sprite name=\"s\" file=\"./pics/red.png\"><position x=\"0\" y=\"0\"/></sprite>"
                     "<sprite_button name=\"b\" up_file=\"./pics/green.png\"/>"
                     "<kasoundplayer name=\"p\"/>"
                     "</gui>"));
    gui->setPosition(KaVector3f32(10, 10, 0));
    KaSprite* sprite = gui->sprite("s");
    KaSpriteButton* button = gui->spriteButton("b");
    KaSoundPlayer* player = gui->soundPlayer("p");
    gui.reset();
    // A frame drawn before the deferred deletion must not walk up to it.
    EXPECT_EQ(sprite->getParent(), nullptr);
    EXPECT_EQ(button->getParent(), nullptr);
    EXPECT_EQ(button->upSprite().getParent(), nullptr);
    EXPECT_EQ(player->getParent(), nullptr);
    EXPECT_EQ(shownAt(20, 20), kaNothing);
    KaObject::deleteNow();
}

} // namespace
