#include <gtest/gtest.h>

#include <lua.hpp>

#include <string>

#include "engine/gui/KaCheckboxLayout.h"
#include "engine/scene/KaTiledSurface.h"
#include "tests/game/game/SampleGameFixture.h"

#ifdef KA_RESOURCES_DIR

// The pointer's picture over the sample game's spots, and the marker switch
// ("markersVisibleButton") over its markers.
class CursorAndMarkersTest : public SampleGameTest {
protected:
    void newGame()
    {
        SampleGameTest::newGame();
        lua_register(game().luaContext().luaState(), "ChangeWarp", testChangeWarp);
    }
    static int testChangeWarp(lua_State* state)
    {
        application.get()->game().changeWarp(lua_tostring(state, 1), lua_tostring(state, 2), lua_toboolean(state, 3));
        return 0;
    }

    // The pointer moved to that fraction of the 640 x 480 window, then one
    // frame; the picture the cursor sprite shows.
    KaString pointerAt(float x, float y)
    {
        inputMgr.get()->setMouseRawPosition(KaVector2s32(static_cast<int>(x * 640), static_cast<int>(y * 480)), 0);
        frame();
        return KaString(application.get()->mouseCursor().surface().path());
    }
    void setSwitch(bool shown) { setSwitch(shown ? KaCheckboxLayout::Unactive : KaCheckboxLayout::Active); }
    void setSwitch(KaCheckboxLayout::State state)
    {
        KaCheckboxLayout* eye = game().inGameGui().checkboxLayout("markersVisibleButton");
        ASSERT_NE(nullptr, eye);
        captured([&] { eye->setState(state); });
    }
    // The visibility of the For GUI's marker picture of that name.
    bool markerShown(const char* name)
    {
        KaLayout* layer = game().forGui().layout("background");
        if (!layer)
            return false;
        for (unsigned long i = 0; i < layer->childCount(); ++i)
            if (layer->child(i)->name() == name)
                return layer->child(i)->visible();
        ADD_FAILURE() << "no marker picture " << name;
        return false;
    }
};

TEST_F(CursorAndMarkersTest, ThePointerTakesThePictureOfTheSpotUnderIt)
{
    newGame();
    struct Case {
        const char* where;
        float x, y;
        const char* picture;
    } const cases[] = {
        { "the logbook", 0.695f, 0.315f, "pictures/Main.png" },
        { "the door to the quay", 0.140f, 0.268f, "pictures/F270.png" },
        { "the clerk", 0.55f, 0.30f, "pictures/Main.png" },
        { "the floor", 0.45f, 0.80f, "pictures/cursor.png" },
        { "the logbook again", 0.70f, 0.32f, "pictures/Main.png" },
        { "the painting's dark corner", 0.02f, 0.98f, "pictures/cursor.png" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(KaString(c.picture), pointerAt(c.x, c.y)) << c.where;

    // After a click, the pointer's first move chooses the cursor too.
    click(KaVector2s32(288, 384));
    frame();
    EXPECT_EQ(KaString("pictures/Main.png"), pointerAt(0.695f, 0.315f));

    // The spots keep the pointer whether the markers show or not.
    setSwitch(true);
    EXPECT_EQ(KaString("pictures/Main.png"), pointerAt(0.695f, 0.315f));
    setSwitch(false);
    EXPECT_EQ(KaString("pictures/F270.png"), pointerAt(0.14f, 0.27f));

    // A script's lock of the cursor: the plain pointer everywhere.
    captured([] { application.get()->lockCursorFromAction(true); });
    EXPECT_EQ(KaString("pictures/cursor.png"), pointerAt(0.695f, 0.315f));
    captured([] { application.get()->lockCursorFromAction(false); });
    EXPECT_EQ(KaString("pictures/Main.png"), pointerAt(0.69f, 0.31f));

    // The quay has its own spots: the office door straight ahead. The
    // pointer left over the office's door shows the quay's cursor there
    // without a move.
    EXPECT_EQ(KaString("pictures/F270.png"), pointerAt(0.140f, 0.268f));
    lua("ChangeWarp('01', '01020', false)");
    frames(2);
    EXPECT_EQ(KaString("pictures/cursor.png"), KaString(application.get()->mouseCursor().surface().path()));
    EXPECT_EQ(KaString("pictures/F000.png"), pointerAt(0.605f, 0.327f));
    EXPECT_EQ(KaString("pictures/Main.png"), pointerAt(0.811f, 0.361f));
    // Where the office's logbook was, nothing.
    EXPECT_EQ(KaString("pictures/cursor.png"), pointerAt(0.695f, 0.315f));
}

TEST_F(CursorAndMarkersTest, TheSwitchShowsAndHidesTheMarkersOfEachScene)
{
    newGame();
    InGameScene& scene = game().scene3D();
    // The spots of the scene's files are its markers.
    EXPECT_NE(nullptr, scene.findMarker("MarkerDoor01010_H270"));
    EXPECT_NE(nullptr, scene.findMarker("MarkerLogbook_Main"));
    EXPECT_NE(nullptr, scene.findMarker("MarkerAnsel01010_Main"));
    // The place's name is no marker: the switch leaves it alone.
    EXPECT_EQ(nullptr, scene.findMarker("placeName"));

    // A game starts with them hidden.
    EXPECT_TRUE(game().markersHidden());
    EXPECT_FALSE(markerShown("MarkerDoor01010_H270"));
    EXPECT_FALSE(markerShown("MarkerLogbook_Main"));
    EXPECT_TRUE(markerShown("placeName"));

    setSwitch(true);
    EXPECT_FALSE(game().markersHidden());
    EXPECT_TRUE(markerShown("MarkerDoor01010_H270"));
    EXPECT_TRUE(markerShown("MarkerLogbook_Main"));

    // The switch's other states, which the pointer's coming and going and
    // a click leave it in: only its side counts.
    struct {
        KaCheckboxLayout::State state;
        bool hidden;
    } const states[] = {
        { KaCheckboxLayout::ActiveRollOver, true },
        { KaCheckboxLayout::UnactiveRollOver, false },
        { KaCheckboxLayout::ActiveDisabled, true },
        { KaCheckboxLayout::UnactiveDisabled, false },
        { KaCheckboxLayout::ActiveRollOver, true },
        { KaCheckboxLayout::Unactive, false },
    };
    for (const auto& c : states) {
        setSwitch(c.state);
        EXPECT_EQ(c.hidden, game().markersHidden()) << c.state;
        EXPECT_EQ(!c.hidden, markerShown("MarkerAnsel01010_Main")) << c.state;
    }

    // A script's lock hides them for its time.
    captured([] { application.get()->lockCursorFromAction(true); });
    EXPECT_FALSE(markerShown("MarkerLogbook_Main"));
    captured([] { application.get()->lockCursorFromAction(false); });
    EXPECT_TRUE(markerShown("MarkerLogbook_Main"));

    // The switch stays as the player left it across scenes.
    lua("ChangeWarp('01', '01020', false)");
    frame();
    EXPECT_EQ(nullptr, scene.findMarker("MarkerLogbook_Main"));
    EXPECT_NE(nullptr, scene.findMarker("MarkerTideTable_Main"));
    EXPECT_TRUE(markerShown("MarkerDoor01020_H000"));
    EXPECT_TRUE(markerShown("MarkerTideTable_Main"));

    setSwitch(false);
    EXPECT_FALSE(markerShown("MarkerDoor01020_H000"));
    EXPECT_FALSE(markerShown("MarkerTideTable_Main"));
    // The end of a lock does not bring back markers the player hid.
    captured([] { application.get()->lockCursorFromAction(true); });
    captured([] { application.get()->lockCursorFromAction(false); });
    EXPECT_FALSE(markerShown("MarkerTideTable_Main"));

    lua("ChangeWarp('01', '01010', false)");
    frame();
    EXPECT_FALSE(markerShown("MarkerDoor01010_H270"));
    EXPECT_FALSE(markerShown("MarkerLogbook_Main"));
}

#endif
