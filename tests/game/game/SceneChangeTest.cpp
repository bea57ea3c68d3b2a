#include <gtest/gtest.h>

#include <lua.hpp>

#include <filesystem>
#include <string>

#include "engine/graphics/KaCamera.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/scene/KaTiledSurface.h"
#include "game/characters/Character.h"
#include "tests/game/game/SampleGameFixture.h"

#ifdef KA_RESOURCES_DIR

namespace {

// Every event the game raises into the scene script, by the name of the
// Lua global that answers it.
const char* const sceneEvents[] = { "On", "OnEnter", "OnLeave", "OnWarpObjectHit", "OnButtonDown", "OnButtonUp",
    "OnFreeSoundFinished", "OnCellFreeSoundFinished", "OnDialogFinished", "OnCellDialogFinished",
    "OnDisplacementFinished", "OnMovieFinished", "OnCharacterAnimationFinished",
    "OnCellCharacterAnimationPlayerFinished", "OnAnswered", "OnCallNumber", "OnSelectedObject", "OnDocumentClosed",
    "OnShowedDocumentButtonValidated", "OnWaitFinished", "OnFinishedAnim", "Update", "UpdateHelp" };

// The first close-up's script: a handler for every event, each saying so,
// a helper of its own, the script API's Random replaced, a condition and a
// plain global.
std::string firstCloseUpScript()
{
    std::string script;
    for (const char* event : sceneEvents)
        script += std::string("function ") + event + "(a, b) print('[first] " + event + "') end\n";
    script += "function FirstHelper() end\n"
              "function Random() return 4 end\n"
              "SetCondition('sawFirstCloseUp')\n"
              "firstCloseUpVisits = 1\n";
    return script;
}

// Two scenes of a zone without 3D geometry: a plain layout "root" holding
// a sprite named after the scene (what AddAnimToSet takes from a scene).
std::string closeUpSet(const char* scene)
{
    return std::string("KaLayout{ name = \"background\", sizeType = Percent, size = {1, 1, 1},\n"
                       "  KaLayout{ name = \"root\", sizeType = Percent, size = {1, 1, 1},\n"
                       "    KaSpriteLayout{ name = \"")
        + scene
        + "\", sizeType = Percent, size = {0.2, 0.2, 1},\n"
          "      image = \"pictures/white64x64.png\" },\n"
          "  },\n"
          "}\n";
}

} // namespace

// The sample game with a zone of the test's own beside it: zone "02" has no
// geometry file; its scene "02001" has a script and a background, "02002" a
// background only. The content folder is the build's, linked entry by
// entry, with the test's scenes written next to the sample's.
class SceneChangeTest : public SampleGameTest {
protected:
    void SetUp() override
    {
        SampleGameTest::SetUp();
        namespace fs = std::filesystem;
        const fs::path resources(KA_RESOURCES_DIR);
        const fs::path root(mirror.path());
        for (const fs::directory_entry& entry : fs::directory_iterator(resources))
            if (entry.path().filename() != "scenes")
                fs::create_symlink(entry.path(), root / entry.path().filename());
        fs::create_directories(root / "scenes");
        for (const fs::directory_entry& entry : fs::directory_iterator(resources / "scenes"))
            fs::create_symlink(entry.path(), root / "scenes" / entry.path().filename());
        mirror.write("scenes/02/02001/Logic02001.lua", firstCloseUpScript());
        mirror.write("scenes/02/02001/Set02001.lua", closeUpSet("02001"));
        mirror.write("scenes/02/02002/Set02002.lua", closeUpSet("02002"));
        ASSERT_EQ(0, chdir(mirror.path().c_str()));
    }

    void warp(const char* zone, const char* scene)
    {
        captured([&] { game().changeWarp(zone, scene, true); });
        frame();
    }
    // The Lua type of a global of the game's state.
    int globalType(const char* name)
    {
        lua_State* state = game().luaContext().luaState();
        lua_getglobal(state, name);
        const int type = lua_type(state, -1);
        lua_pop(state, 1);
        return type;
    }
    // Raises every event: through the game's own paths where it has one for
    // it, then each scene global through the scene script, as the game
    // calls them. Returns the console lines.
    std::string raiseEveryEvent()
    {
        KaCaptureStdout console;
        Game& g = game();
        g.onCallNumber("5550142");
        g.onAnswered("answer");
        g.raiseSelectedObject("BrassKey");
        g.raiseDocumentClosed("Logbook");
        g.raiseShowedDocumentButton("page", "button");
        g.onDialogFinished("line");
        g.onDisplacementFinished();
        g.onCharacterAnimationFinished("Ansel");
        for (const char* event : sceneEvents)
            g.script().execute(event);
        std::string text = console.text();
        log += text;
        return text;
    }

    bool isBinding(const char* name)
    {
        lua_State* state = game().luaContext().luaState();
        lua_getglobal(state, name);
        const bool native = lua_iscfunction(state, -1) != 0;
        lua_pop(state, 1);
        return native;
    }

    KaTempDir mirror;
};

TEST_F(SceneChangeTest, AClosedUpSceneLeavesNoneOfItsHandlersToTheNextOne)
{
    newGame();
    Game& g = game();
    // Into a zone without geometry: a close-up, reached like any scene.
    warp("02", "02001");
    ASSERT_EQ(KaString("02001"), g.scene()) << log;
    EXPECT_NE(std::string::npos, log.find("[first] OnEnter")) << log;
    EXPECT_EQ(std::string::npos, log.find("Can't find the scene")) << log;
    // Nothing of the office stays: no camera, floor or hit meshes.
    EXPECT_EQ(nullptr, g.scene3D().currentCamera().get());
    EXPECT_TRUE(g.scene3D().pickMeshes().isEmpty());
    ASSERT_NE(nullptr, player());
    EXPECT_EQ(nullptr, player()->freeMoveZone());
    frames(3);
    click(KaVector2s32(320, 240));
    frames(3);
    // Here every event reaches the close-up's script.
    EXPECT_NE(std::string::npos, raiseEveryEvent().find("[first] OnCallNumber"));
    for (const char* event : sceneEvents)
        EXPECT_EQ(LUA_TFUNCTION, globalType(event)) << event;
    EXPECT_FALSE(isBinding("Random"));

    // To a scene without a script: its events find nobody.
    log.clear();
    warp("02", "02002");
    ASSERT_EQ(KaString("02002"), g.scene()) << log;
    EXPECT_NE(std::string::npos, log.find("[first] OnLeave")) << log;
    for (const char* event : sceneEvents)
        EXPECT_EQ(LUA_TNIL, globalType(event)) << event;
    EXPECT_EQ(LUA_TNIL, globalType("FirstHelper"));
    // What was there before the scene comes back; its conditions and plain
    // globals stay for the save.
    EXPECT_TRUE(isBinding("Random"));
    EXPECT_TRUE(isBinding("SetCondition"));
    bool seen = false;
    EXPECT_TRUE(g.luaContext().global("sawFirstCloseUp", seen));
    EXPECT_TRUE(seen);
    int visits = 0;
    EXPECT_TRUE(g.luaContext().global("firstCloseUpVisits", visits));
    EXPECT_EQ(1, visits);

    log.clear();
    frames(5);
    click(KaVector2s32(320, 240));
    frames(5);
    const std::string raised = raiseEveryEvent();
    EXPECT_EQ(std::string::npos, log.find("[first]")) << log;
    // One line at most for an event that nobody answers (nine raised by the
    // game's paths, then every global once), and nothing else.
    size_t lines = 0;
    size_t unanswered = 0;
    for (size_t at = 0; at < raised.size();) {
        const size_t end = raised.find('\n', at);
        const std::string line = raised.substr(at, end == std::string::npos ? std::string::npos : end - at);
        ++lines;
        unanswered += line.find("n'existe pas") != std::string::npos;
        at = end == std::string::npos ? raised.size() : end + 1;
    }
    EXPECT_EQ(lines, unanswered) << raised;
    EXPECT_LE(lines, 9u + sizeof sceneEvents / sizeof *sceneEvents) << raised;

    // And back to the office, whose script answers again.
    log.clear();
    warp("01", "01010");
    EXPECT_NE(std::string::npos, log.find("[Logic01010] enter from 02002")) << log;
    EXPECT_NE(nullptr, g.scene3D().currentCamera().get());
    EXPECT_EQ(LUA_TFUNCTION, globalType("OnWarpObjectHit"));
    EXPECT_EQ(LUA_TNIL, globalType("FirstHelper"));
}

TEST_F(SceneChangeTest, ASideSetSpriteJoinsAPlainRootAndBackgroundSpritesPlayEitherWay)
{
    newGame();
    Game& g = game();
    warp("02", "02002");
    ASSERT_EQ(KaString("02002"), g.scene()) << log;
    KaLayout* background = g.scene3D().background();
    KaLayout* root = g.scene3D().backgroundGui().layout("root");
    ASSERT_NE(nullptr, root);
    ASSERT_EQ(nullptr, g.scene3D().backgroundGui().spriteLayout("root")) << "a plain layout";

    // Direct children only, and only of the kind asked for.
    EXPECT_EQ(static_cast<KaILayout*>(root), Game::findLayoutByName(background, "root"));
    EXPECT_EQ(nullptr, Game::findSpriteLayoutByName(background, "root"));
    EXPECT_EQ(nullptr, Game::findLayoutByName(background, "02002"));
    EXPECT_NE(nullptr, Game::findSpriteLayoutByName(root, "02002"));
    EXPECT_EQ(nullptr, Game::findLayoutByName(nullptr, "root"));

    // The other close-up's sprite joins this background's root.
    bool added = false;
    captured([&] { added = g.addAnimToSet(KaPath("02/02001")); });
    ASSERT_TRUE(added) << log;
    KaSpriteLayout* joined = Game::findSpriteLayoutByName(root, "02001");
    ASSERT_NE(nullptr, joined);
    EXPECT_EQ(static_cast<KaI3DObject2*>(root), joined->parent());
    frames(2);

    // StartAnimation's flag plays the frames backwards.
    struct Case {
        const char* call;
        unsigned int repeat;
        bool reversed;
    };
    for (const Case& c : { Case { "StartAnimation('02002', 3, true)", 3u, true },
             Case { "StartAnimation('02002', 2, false)", 2u, false }, Case { "StartAnimation('02002')", 4294967295u, false } }) {
        SCOPED_TRACE(c.call);
        lua(c.call);
        KaSpriteLayout* sprite = g.scene3D().backgroundGui().spriteLayout("02002");
        ASSERT_NE(nullptr, sprite);
        EXPECT_EQ(c.repeat, sprite->surface().frameAnim().repeatCount());
        EXPECT_EQ(c.reversed, sprite->surface().frameAnim().reversed());
    }
}

#endif
