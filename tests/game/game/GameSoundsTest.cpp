#include <gtest/gtest.h>

#include <lua.hpp>
#include <unistd.h>

#include <vector>

#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/scene/KaTiledSurface.h"
#include "engine/script/KaLuaThread.h"
#include "engine/sound/KaMusic.h"
#include "game/api/YieldedCallback.h"
#include "tests/game/game/SampleGameFixture.h"

#ifdef KA_RESOURCES_DIR

namespace {

const char* const door = "sounds/Effects/Door.ogg";
const char* const water = "sounds/Ambiances/Water.ogg";
const char* const gull = "sounds/Ambiances/Gull.ogg";
const char* const film = "movies/QuayDusk.ogv";
const char* const filmSound = "movies/QuayDusk.ogg";

// The draws the random sounds get, in order; 0 once they run out.
std::vector<int> draws;
unsigned long nextDraw = 0;
int scriptedDraw() { return nextDraw < draws.size() ? draws[nextDraw++] : 0; }

int testChangeWarp(lua_State* state)
{
    application.get()->game().changeWarp(lua_tostring(state, 1), lua_tostring(state, 2), lua_toboolean(state, 3));
    return 0;
}

} // namespace

// The sample game's office (scene "01010") on the fake clock and the null
// sound device, with the sounds, the movie and the artwork of the sample
// content: the game's sounds, random sounds and operations as scripts use
// them.
class GameSoundsTest : public SampleGameTest {
protected:
    void SetUp() override
    {
        SampleGameTest::SetUp();
        draws.clear();
        nextDraw = 0;
        newGame();
        ASSERT_EQ(KaString("01010"), game().scene());
        lua_register(game().luaContext().luaState(), "ChangeWarp", testChangeWarp);
        game().setRandomSource(scriptedDraw);
        log.clear();
    }
    void TearDown() override
    {
        game().setRandomSource(nullptr);
        SampleGameTest::TearDown();
    }

    // Frames in real time as well, for the sounds' worker threads, until
    // the console shows the text (at most about `seconds`).
    bool realFramesUntil(const std::string& text, double seconds)
    {
        for (int i = 0; i < seconds * 50 && log.find(text) == std::string::npos; ++i) {
            usleep(20000);
            frame();
        }
        return log.find(text) != std::string::npos;
    }
    // The console lines the test's own Lua printed.
    std::string testLines() const
    {
        std::string lines;
        for (std::size_t at = log.find("[test]"); at != std::string::npos; at = log.find("[test]", at + 1))
            if (at == 0 || log[at - 1] == '\n')
                lines += log.substr(at, log.find('\n', at) + 1 - at);
        return lines;
    }
    unsigned long playingMusics(const KaString& path)
    {
        unsigned long count = 0;
        KaList<KaMusic*>& musics = soundManager.get()->musics();
        for (auto it = musics.firstElement(); it != musics.end(); ++it)
            if ((*it)->getAccessName() == KaPath(path) && (*it)->isPlaying())
                ++count;
        return count;
    }
    // The fake clock moved on and the timers told, without a frame. A timer
    // counts from the first sample after its start: elapse(0) takes it.
    void elapse(unsigned long long microseconds)
    {
        now += microseconds;
        captured([] { KaTimer::updateAll(); });
    }
    const Game::RandomSoundList* randomList(const char* name)
    {
        auto found = game().randomSoundLists().find(name);
        return found == game().randomSoundLists().end() ? nullptr : &found->second;
    }
    bool randomPlaying(const char* list, unsigned long index)
    {
        const Game::RandomSoundList* sounds = randomList(list);
        return sounds && index < sounds->sounds.size() && sounds->sounds[index]->music.isPlaying();
    }
    bool anyRandomPlaying(const char* list)
    {
        const Game::RandomSoundList* sounds = randomList(list);
        for (unsigned long i = 0; sounds && i < sounds->sounds.size(); ++i)
            if (sounds->sounds[i]->music.isPlaying())
                return true;
        return false;
    }
};

TEST_F(GameSoundsTest, ARepeatingSoundPlaysOnceAndOnceSoundsOverlapUntilStopped)
{
    Game& g = game();
    captured([&] {
        g.playSound(water, -1, 0.5f);
        g.playSound(water, -1, 0.5f);
    });
    ASSERT_EQ(1u, g.sounds().size());
    EXPECT_EQ(1u, playingMusics(water));
    EXPECT_EQ(KaString(), g.sounds()[0]->name);
    EXPECT_EQ(KaString("sfx"), g.sounds()[0]->channelName());

    captured([&] {
        g.playSound(door, 1, 1.0f);
        g.playSound(door, 1, 1.0f);
    });
    ASSERT_EQ(3u, g.sounds().size());
    EXPECT_EQ(2u, playingMusics(door));
    Game::GameSound* first = g.sounds()[1];
    Game::GameSound* second = g.sounds()[2];
    EXPECT_EQ(KaString(door), first->name);

    // Other counts play nothing.
    captured([&] {
        g.playSound(gull, 0, 1.0f);
        g.playSound(gull, 2, 1.0f);
    });
    EXPECT_EQ(3u, g.sounds().size());

    // A stop takes the first copy started; the other plays on. Its end is
    // an end for the scripts.
    lua("OnFreeSoundFinished = function(name) print('[test] finished ' .. name) end");
    captured([&] { g.stopSound(door); });
    ASSERT_EQ(2u, g.sounds().size());
    EXPECT_EQ(second, g.sounds()[1]);
    EXPECT_FALSE(first->isPlaying());
    EXPECT_TRUE(second->isPlaying());
    EXPECT_NE(std::string::npos, log.find("[test] finished sounds/Effects/Door.ogg")) << log;

    captured([&] { g.stopSound(water); });
    EXPECT_EQ(0u, playingMusics(water));
    ASSERT_EQ(1u, g.sounds().size());
}

TEST_F(GameSoundsTest, OnlyTheSoundsAndListsTheNextSceneAsksForAgainSurviveTheChange)
{
    Game& g = game();
    captured([&] {
        g.playSound(water, -1, 1.0f);
        g.playSound(gull, -1, 1.0f);
        g.addRandomSound("office", gull, 1.0f, 1.0f);
        g.playRandomSound("office");
    });
    Game::GameSound* kept = g.sounds()[0];
    // The quay's script asks for the water again as it is entered (its
    // film already seen).
    lua("quayFilmSeen = true\n"
        "setmetatable(_G, { __newindex = function(t, k, v)\n"
        "  if k == 'OnEnter' then local enter = v v = function(p) PlaySound('sounds/Ambiances/Water.ogg', -1, 1) "
        "enter(p) end end\n"
        "  rawset(t, k, v) end })\n"
        "ChangeWarp('01', '01020', false)");
    frame();
    lua("setmetatable(_G, nil)");
    ASSERT_EQ(KaString("01020"), g.scene());
    EXPECT_NE(std::string::npos, log.find("[Logic01020] enter from 01010")) << log;

    // The water is the same sound, still playing; the gull went; the door
    // the quay plays on arrival is there.
    ASSERT_EQ(2u, g.sounds().size());
    EXPECT_EQ(kept, g.sounds()[0]);
    EXPECT_TRUE(kept->isPlaying());
    EXPECT_EQ(0u, playingMusics(gull));
    EXPECT_EQ(KaString(door), g.sounds()[1]->name);
    // The office's list was emptied; the quay's, asked for on entering, kept.
    ASSERT_NE(nullptr, randomList("office"));
    EXPECT_TRUE(randomList("office")->sounds.isEmpty());
    ASSERT_NE(nullptr, randomList("quay"));
    EXPECT_EQ(2u, randomList("quay")->sounds.size());
    EXPECT_TRUE(randomList("quay")->keep);
}

TEST_F(GameSoundsTest, ASoundThatCannotPlayEndsAtOnceAndItsScriptGoesOn)
{
    Game& g = game();
    lua("OnFreeSoundFinished = function(name) print('[test] global ' .. name) end\n"
        "OnCellFreeSoundFinished = function(name) print('[test] cell ' .. name) end\n"
        "function PlayMissing() PlaySoundAndWaitForEnd('sounds/missing.ogg', 1) print('[test] went on') end\n"
        "function PlayMissingRepeating() PlaySoundAndWaitForEnd('sounds/missing.ogg') print('[test] went on') end\n"
        "function PlayNothing() PlaySoundAndWaitForEnd('sounds/Effects/Door.ogg', 0) print('[test] went on') end\n");
    struct Case {
        const char* function;
        const char* expected;
    };
    const Case cases[] = {
        { "PlayMissing", "[test] global sounds/missing.ogg\n[test] cell sounds/missing.ogg\n[test] went on\n" },
        { "PlayMissingRepeating",
            "[test] global sounds/missing.ogg\n[test] cell sounds/missing.ogg\n[test] went on\n" },
        // A count that plays nothing has no end to wait for.
        { "PlayNothing", "[test] went on\n" },
    };
    for (const Case& c : cases) {
        log.clear();
        run(c.function);
        EXPECT_EQ(c.expected, testLines()) << c.function;
        EXPECT_TRUE(yieldedCallbacks.isEmpty()) << c.function;
        EXPECT_TRUE(g.sounds().isEmpty()) << c.function;
    }
}

TEST_F(GameSoundsTest, TheEndOfASoundPlayedOnceResumesItsWaiterBeforeAnyGlobal)
{
    Game& g = game();
    lua("OnFreeSoundFinished = function(name) print('[test] global ' .. name) end\n"
        "OnCellFreeSoundFinished = function(name) print('[test] cell ' .. name) end\n"
        "function WaitForDoor() PlaySoundAndWaitForEnd('sounds/Effects/Door.ogg', 1) print('[test] door over') end\n"
        "function WaitForGull() PlaySoundAndWaitForEnd('sounds/Ambiances/Gull.ogg', 1) print('[test] gull over') "
        "end\n");
    run("WaitForGull");
    run("WaitForDoor");
    ASSERT_EQ(2u, yieldedCallbacks.size());
    ASSERT_EQ(2u, g.sounds().size());

    // The door (1 s) ends on its own: its waiter goes on, and no global is
    // called for it; the gull's waiter is not woken by it.
    ASSERT_TRUE(realFramesUntil("[test] door over", 5.0)) << log;
    EXPECT_EQ(std::string::npos, log.find("[test] global")) << log;
    ASSERT_TRUE(realFramesUntil("[test] gull over", 5.0)) << log;
    EXPECT_EQ(std::string::npos, log.find("[test] global")) << log;
    EXPECT_TRUE(yieldedCallbacks.isEmpty());
    // An ended sound leaves the game's list: the same file asked to repeat
    // then plays.
    EXPECT_TRUE(g.sounds().isEmpty());
    captured([&] { g.playSound(door, -1, 1.0f); });
    EXPECT_EQ(1u, playingMusics(door));
    captured([&] { g.stopSound(door); });

    // Nobody waiting: the globals hear of the end.
    log.clear();
    captured([&] { g.playSound(door, 1, 1.0f); });
    ASSERT_TRUE(realFramesUntil("[test] cell", 5.0)) << log;
    EXPECT_NE(
        std::string::npos, log.find("[test] global sounds/Effects/Door.ogg\n[test] cell sounds/Effects/Door.ogg\n"))
        << log;
}

TEST_F(GameSoundsTest, RandomSoundsWaitByTheDrawThenPlayOneOfTheList)
{
    Game& g = game();
    struct Case {
        int draw;
        unsigned long long wait;
    };
    const Case cases[] = {
        { 0, 1000000 },
        { 23, 1000000 },
        { 123, 1000000 },
        { 24, 1125000 },
        { 50, 2295000 },
        { 99, 4500000 },
    };
    captured([&] { g.addRandomSound("quay", water, 1.0f, 0.5f); });
    for (const Case& c : cases) {
        draws = { c.draw, 0 };
        nextDraw = 0;
        captured([&] { g.playRandomSound("quay"); });
        ASSERT_FALSE(g.randomPhase()) << c.draw;
        elapse(0);
        elapse(c.wait - 1000);
        EXPECT_FALSE(anyRandomPlaying("quay")) << c.draw;
        elapse(1000);
        EXPECT_TRUE(randomPlaying("quay", 0)) << c.draw;
        EXPECT_TRUE(g.randomPhase()) << c.draw;
        // Its end starts the next wait (on the draw 0 that follows).
        captured([&] { randomList("quay")->sounds[0]->music.stop(); });
        EXPECT_FALSE(g.randomPhase()) << c.draw;
        // Back to the start of a cycle for the next case.
        elapse(0);
        elapse(1000000);
        EXPECT_TRUE(randomPlaying("quay", 0)) << c.draw;
        captured([&] { randomList("quay")->sounds[0]->music.stop(); });
        ASSERT_FALSE(g.randomPhase());
    }
}

// A wait still running when the game is left ends with it: no draw after
// the lists are gone, and a game entered later starts its own cycle.
TEST_F(GameSoundsTest, LeavingTheGameEndsTheRandomWait)
{
    Game& g = game();
    captured([&] { g.addRandomSound("quay", water, 1.0f, 0.5f); });
    draws = { 99, 0 };
    nextDraw = 0;
    captured([&] { g.playRandomSound("quay"); });
    elapse(0);
    log.clear();
    captured([&] { g.leave(false); });
    elapse(5000000);
    EXPECT_EQ(std::string::npos, log.find("can't find sound list")) << log;
    EXPECT_FALSE(g.randomPhase());

    // The next cycle starts from a wait of its own.
    draws = { 0, 0 };
    nextDraw = 0;
    captured([&] {
        g.addRandomSound("quay", water, 1.0f, 0.5f);
        g.playRandomSound("quay");
    });
    elapse(0);
    elapse(999000);
    EXPECT_FALSE(anyRandomPlaying("quay"));
    elapse(1000);
    EXPECT_TRUE(randomPlaying("quay", 0));
}

TEST_F(GameSoundsTest, TheRandomChoiceFollowsTheWeights)
{
    Game& g = game();
    captured([&] {
        g.addRandomSound("quay", water, 1.0f, 0.5f);
        g.addRandomSound("quay", gull, 3.0f, 0.5f);
    });
    // x = draw / 2^31 x 4: the gull for x in [1, 4).
    struct Case {
        int draw;
        unsigned long picked;
    };
    const Case cases[] = {
        { 0, 0 },
        // Just below 1 in single precision (2^29 - 1 already rounds to 1).
        { (1 << 29) - 64, 0 },
        { 1 << 29, 1 },
        { 1 << 30, 1 },
        // The last draws round up to 2^31 in single precision: x reaches
        // the total and still picks the last sound.
        { 2147483647, 1 },
    };
    for (const Case& c : cases) {
        draws = { 0, c.draw };
        nextDraw = 0;
        captured([&] { g.playRandomSound("quay"); });
        elapse(0);
        elapse(1000000);
        EXPECT_TRUE(randomPlaying("quay", c.picked)) << c.draw;
        EXPECT_FALSE(randomPlaying("quay", 1 - c.picked)) << c.draw;
        captured([&] { randomList("quay")->sounds[c.picked]->music.stop(); });
        // Its end starts a wait: let it pass onto the draw 0 (the water),
        // and stop that one too to start the next case in the wait.
        draws = { 0, 0 };
        nextDraw = 0;
        elapse(0);
        elapse(1000000);
        captured([&] { randomList("quay")->sounds[0]->music.stop(); });
        ASSERT_FALSE(g.randomPhase());
    }
}

TEST_F(GameSoundsTest, AllListsShareOneWaitAndAnUnknownListIsReported)
{
    Game& g = game();
    captured([&] {
        g.addRandomSound("a", water, 1.0f, 1.0f);
        g.addRandomSound("b", gull, 1.0f, 1.0f);
        g.playRandomSound("a");
        g.playRandomSound("b");
        g.playRandomSound("nowhere");
    });
    EXPECT_NE(std::string::npos, log.find("Game::playRandomSound: can't find sound list nowhere\n")) << log;
    // The second start took over the one wait: only "b" plays after it.
    elapse(0);
    elapse(1000000);
    EXPECT_FALSE(anyRandomPlaying("a"));
    EXPECT_TRUE(anyRandomPlaying("b"));
    // A list whose file does not play goes back to waiting rather than
    // stopping the cycle.
    captured([&] {
        randomList("b")->sounds[0]->music.stop();
        g.addRandomSound("broken", "sounds/missing.ogg", 1.0f, 1.0f);
    });
    elapse(0);
    elapse(1000000);
    captured([&] { g.playRandomSound("broken"); });
    EXPECT_FALSE(g.randomPhase());
    elapse(0);
    elapse(1000000);
    EXPECT_FALSE(g.randomPhase());
    EXPECT_FALSE(anyRandomPlaying("broken"));
}

TEST_F(GameSoundsTest, ScoreAchievementsAndObjectsTaken)
{
    Game& g = game();
    struct Global {
        const char* name;
        int value;
    };
    const Global globals[] = { { "PS3_Welcome", 0 }, { "PS3_Legacy", -1 }, { "PS3_School", -12 }, { "XBOX_Welcome", 1 },
        { "XBOX_Gossip", 11 }, { "XBOX_School", 13 } };
    for (const Global& global : globals) {
        int value = 99;
        EXPECT_TRUE(g.luaContext().global(global.name, value)) << global.name;
        EXPECT_EQ(global.value, value) << global.name;
    }
    const int before = g.score();
    lua("UnlockAchievement(PS3_Snoop)");
    EXPECT_EQ(before + 50, g.score());
    EXPECT_NE(std::string::npos, log.find("Updated score: " + std::to_string(before + 50) + "\n")) << log;
    lua("UnlockAchievement(XBOX_Welcome)");
    EXPECT_EQ(before + 100, g.score());

    // Taken twice, an object counts once.
    log.clear();
    lua("TakeObject('BrassKey') TakeObject('BrassKey')");
    EXPECT_EQ(before + 110, g.score());
    EXPECT_EQ(1u, g.inventory().objectCount("BrassKey"));
    EXPECT_EQ(log.find("Updated score"), log.rfind("Updated score")) << log;
    // In hand: no score.
    lua("TakeObjectInHand('Logbook')");
    EXPECT_EQ(before + 110, g.score());
    EXPECT_EQ(KaString("Logbook"), g.inventory().selectedObject());
}

TEST_F(GameSoundsTest, AnArtworkIsUnlockedAndAnnouncedOnceAndKeptInTheOptions)
{
    Game& g = game();
    const char* const artwork = "ArtworkTideTable";
    // A notice on screen: the next ones queue where they can be counted.
    captured([&] { g.notifier().push("busy", ""); });
    ASSERT_TRUE(g.notifier().queue().isEmpty());
    lua("UnlockArtwork('ArtworkTideTable')\n"
        "UnlockArtwork('ArtworkTideTable')");
    ASSERT_EQ(1u, g.notifier().queue().size());
    // It says what was unlocked and where it is to be seen.
    EXPECT_EQ(KaString("New in the Bonus gallery: the tide table."),
        g.notifier().queue()[0].text);
    EXPECT_EQ(KaString("Inventory/Objects/VPapierCrayon.png"), g.notifier().queue()[0].image);
    ASSERT_EQ(1u, g.artworks().size());
    EXPECT_TRUE(g.artworks().at(artwork));
    // Restored without a notice, an artwork already there changes nothing.
    captured([&] {
        g.addArtworkUnlocked(artwork, false);
        g.addArtworkUnlocked("menus/bonus/artworks/Other.png", false);
    });
    EXPECT_EQ(1u, g.notifier().queue().size());
    EXPECT_EQ(2u, g.artworks().size());
    // The options file, written by the script function, lists it once.
    KaArray<KaString>& unlocked = application.get()->artworksUnlocked();
    unsigned long listed = 0;
    for (unsigned long i = 0; i < unlocked.size(); ++i)
        listed += unlocked[i] == artwork;
    EXPECT_EQ(1u, listed);
}

// The same operations as a scene script calls them: a sound started and
// stopped, a random list made and started, a movie with the pointer's own
// picture for its skip button.
TEST_F(GameSoundsTest, TheScriptsSoundFunctionsReachTheGame)
{
    Game& g = game();
    lua("PlaySound('sounds/Ambiances/Water.ogg', -1, 0.5)");
    EXPECT_EQ(1u, playingMusics(water));
    lua("StopSound('sounds/Ambiances/Water.ogg')");
    EXPECT_EQ(0u, playingMusics(water));
    EXPECT_EQ(0u, g.sounds().size());

    lua("AddRandomSound('harbour', 'sounds/Ambiances/Water.ogg', 3, 0.6)\n"
        "AddRandomSound('harbour', 'sounds/Ambiances/Gull.ogg', 1)");
    const Game::RandomSoundList* harbour = randomList("harbour");
    ASSERT_NE(nullptr, harbour);
    ASSERT_EQ(2u, harbour->sounds.size());
    EXPECT_EQ(KaPath(water), harbour->sounds[0]->path);
    EXPECT_FLOAT_EQ(3.0f, harbour->sounds[0]->weight);
    EXPECT_FLOAT_EQ(0.6f, harbour->sounds[0]->volume);
    EXPECT_EQ(KaPath(gull), harbour->sounds[1]->path);
    EXPECT_FLOAT_EQ(1.0f, harbour->sounds[1]->volume) << "the default volume";
    // The shortest wait, then the pick: a draw of 0 takes the first sound.
    draws = { 0, 0 };
    nextDraw = 0;
    lua("PlayRandomSound('harbour')");
    EXPECT_FALSE(anyRandomPlaying("harbour"));
    elapse(0);
    elapse(1000000);
    EXPECT_TRUE(randomPlaying("harbour", 0));
    EXPECT_FALSE(randomPlaying("harbour", 1));

    lua("PlayMovie('movies/QuayDusk.ogv', 'movies/QuayDusk.ogg')");
    EXPECT_TRUE(g.isMoviePlaying());
    EXPECT_EQ(1u, playingMusics(filmSound));
    EXPECT_EQ(KaPath("pictures/cursor.png"), application.get()->mouseCursor().surface().path());
    EXPECT_EQ("", testLines());
}

TEST_F(GameSoundsTest, AMovieShowsOverTheSceneAndTheSkipButtonEndsIt)
{
    Game& g = game();
    KaLuaGUI& gui = g.inGameGui();
    KaButtonLayout* background = gui.buttonLayout("videoBackgroundButton");
    KaButtonLayout* skip = gui.buttonLayout("skipVideoButton");
    KaSpriteLayout* video = gui.spriteLayout("video");
    ASSERT_NE(nullptr, background);
    ASSERT_NE(nullptr, skip);
    ASSERT_NE(nullptr, video);
    lua("OnMovieFinished = function(path) print('[test] movie finished ' .. path) end");
    bool started = false;
    captured([&] { started = g.playMovie(film, filmSound); });
    ASSERT_TRUE(started);
    EXPECT_TRUE(g.isMoviePlaying());
    EXPECT_FALSE(g.sceneVisible());
    EXPECT_TRUE(video->visible());
    EXPECT_FALSE(skip->visible());
    EXPECT_EQ(1u, playingMusics(filmSound));
    for (int i = 0; i < 20; ++i)
        frame();

    // A click on the movie shows the skip button, a second hides it.
    EXPECT_TRUE(g.onLockVideoButtonValidated());
    EXPECT_TRUE(skip->visible());
    EXPECT_TRUE(g.onLockVideoButtonValidated());
    EXPECT_FALSE(skip->visible());
    EXPECT_TRUE(g.onLockVideoButtonValidated());

    captured([&] { g.onSkipVideoButtonValidated(); });
    EXPECT_NE(std::string::npos, log.find("[test] movie finished movies/QuayDusk.ogv\n")) << log;
    EXPECT_FALSE(g.isMoviePlaying());
    EXPECT_TRUE(g.sceneVisible());
    EXPECT_FALSE(video->visible());
    EXPECT_FALSE(skip->visible());
    EXPECT_EQ(0u, playingMusics(filmSound));
}

TEST_F(GameSoundsTest, AScriptWaitsForTheMovieToEndOrGoesOnWhenItCannotPlay)
{
    Game& g = game();
    lua("OnMovieFinished = function(path) print('[test] global ' .. path) end\n"
        "function Watch() PlayMovieAndWaitForEnd('movies/QuayDusk.ogv', 'movies/QuayDusk.ogg') print('[test] watched') "
        "end\n"
        "function WatchMissing() PlayMovieAndWaitForEnd('movies/none.ogv', 'movies/none.ogg') print('[test] went on') "
        "end\n");
    run("WatchMissing");
    EXPECT_NE(std::string::npos, log.find("[test] went on")) << log;
    EXPECT_TRUE(yieldedCallbacks.isEmpty());
    EXPECT_FALSE(g.isMoviePlaying());
    EXPECT_TRUE(g.sceneVisible());

    log.clear();
    run("Watch");
    ASSERT_TRUE(g.isMoviePlaying());
    ASSERT_EQ(1u, yieldedCallbacks.size());
    // The film lasts 2.4 s.
    int frames = 0;
    for (; frames < 400 && log.find("[test] watched") == std::string::npos; ++frames)
        frame();
    EXPECT_NE(std::string::npos, log.find("[test] watched")) << log;
    EXPECT_GT(frames, 120);
    EXPECT_EQ(std::string::npos, log.find("[test] global")) << log;
    EXPECT_FALSE(g.isMoviePlaying());
    EXPECT_TRUE(g.sceneVisible());
}

TEST_F(GameSoundsTest, DialogsAndSideSetsRefuseWhatIsNotThere)
{
    Game& g = game();
    bool queued = true;
    captured([&] { queued = g.launchDialog("NO_SUCH_KEY", 1, "Ansel", "", 0.0f); });
    EXPECT_FALSE(queued);
    EXPECT_FALSE(g.dialog().isDialogPlaying());
    captured([&] { queued = g.launchDialog("NO_SUCH_KEY", 0, "Ansel", "", 0.0f); });
    EXPECT_TRUE(queued);
    lua("function Tell() LaunchDialogAndWaitForEnd('NO_SUCH_KEY', 1) print('[test] went on') end");
    run("Tell");
    EXPECT_NE(std::string::npos, log.find("[LaunchDialog] Dialog \"NO_SUCH_KEY\" doesn't exist.\n")) << log;
    EXPECT_NE(std::string::npos, log.find("[test] went on")) << log;
    EXPECT_TRUE(yieldedCallbacks.isEmpty());

    // Exactly two non-empty names of a scene folder that exists.
    for (const char* path : { "", "01", "01/", "/01010", "01//01010", "01/01010/x", "01/09999", "../01/01010" }) {
        bool added = true;
        captured([&] { added = g.addAnimToSet(KaPath(path)); });
        EXPECT_FALSE(added) << path;
    }
}

TEST_F(GameSoundsTest, FinishingTheGameLeavesItAfterTheFrame)
{
    Game& g = game();
    captured([&] { g.playSound(water, -1, 1.0f); });
    lua("FinishGame()");
    EXPECT_TRUE(application.get()->gameFinished());
    EXPECT_TRUE(g.entered());
    frame();
    EXPECT_FALSE(g.entered());
    EXPECT_FALSE(application.get()->gameFinished());
    EXPECT_TRUE(g.sounds().isEmpty());
    EXPECT_EQ(0u, playingMusics(water));
}

#endif
