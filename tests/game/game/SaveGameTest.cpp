#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <lua.hpp>
#include <tinyxml.h>

#include "engine/core/KaBackup.h"
#include "engine/gui/KaITextLayout.h"
#include "game/api/ExportedFunctions.h"
#include "game/api/YieldedCallback.h"
#include "game/characters/Character.h"
#include "game/documents/Document.h"
#include "game/documents/DocumentsBrowser.h"
#include "game/inventory/Cellphone.h"
#include "game/panels/Objectif.h"
#include "tests/game/game/SampleGameFixture.h"

#ifdef KA_RESOURCES_DIR

namespace {

std::string replaced(std::string text, const std::string& what, const std::string& with)
{
    const std::size_t at = text.find(what);
    EXPECT_NE(std::string::npos, at) << what;
    if (at != std::string::npos)
        text.replace(at, what.size(), with);
    return text;
}

// The names of the save's elements, in their order.
std::string elementNames(const std::string& text)
{
    TiXmlDocument document;
    document.Parse(text.c_str());
    std::string names;
    const TiXmlElement* save = document.FirstChildElement("Save");
    for (const TiXmlElement* e = save ? save->FirstChildElement() : nullptr; e; e = e->NextSiblingElement())
        names += std::string(e->Value()) + " ";
    return names;
}

unsigned countOf(const std::string& text, const std::string& what)
{
    unsigned count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

std::string nested(int levels)
{
    std::string text;
    for (int i = 0; i < levels; ++i)
        text += "<a>";
    for (int i = 0; i < levels; ++i)
        text += "</a>";
    return text;
}

std::string attribute(const std::string& text, const char* element, const char* name)
{
    TiXmlDocument document;
    document.Parse(text.c_str());
    const TiXmlElement* save = document.FirstChildElement("Save");
    const TiXmlElement* e = save ? save->FirstChildElement(element) : nullptr;
    const char* value = e ? e->Attribute(name) : nullptr;
    return value ? value : "(none)";
}

} // namespace

// The sample game saved and loaded again through the game itself: a new
// game played a little, written to a slot, left, and entered from the slot.
class SaveGameTest : public SampleGameTest {
protected:
    Application* app() { return application.get(); }

    void settle()
    {
        for (int i = 0; i < 60 && app()->isFading(); ++i)
            frame();
    }
    void warpToQuay()
    {
        game().changeWarp("01", "01020", false);
        for (int i = 0; i < 10 && game().scene() != "01020"; ++i)
            frame();
        settle();
        ASSERT_EQ(KaString("01020"), game().scene());
    }
    bool save(const char* name)
    {
        KaCaptureStdout console;
        const bool written = game().saveBackup(name);
        log += console.text();
        return written;
    }
    std::string path(const char* name) { return KaGetBackupPath(name).c_str(); }
    void writeSave(const char* name, const std::string& text)
    {
        std::ofstream file(path(name), std::ios::binary | std::ios::trunc);
        file << text;
    }
    // Leaves the game and enters it again from the save of that name, up to
    // the frame that applies it (not run).
    void enterFrom(const char* name)
    {
        KaCaptureStdout console;
        game().leave(false);
        KaObject::deleteNow();
        game().setBackupName(name);
        app()->startGame(false, EApplicationDifficultyDefault);
        log += console.text();
        ASSERT_EQ(2, game().backupState());
    }
    // The frame's game part alone: the save is applied or refused, and the
    // application has not yet acted on a refusal.
    void applySave()
    {
        KaCaptureStdout console;
        game().update();
        log += console.text();
    }
    void load(const char* name)
    {
        enterFrom(name);
        applySave();
        frame();
        settle();
    }
    KaVariant global(const char* name) { return game().luaContext().global(name); }
    unsigned long phoneNumbers()
    {
        Cellphone* phone = game().inventory().cellphone();
        return phone ? phone->numbers().size() : 0;
    }
};

TEST_F(SaveGameTest, ASavedGameComesBackWhole)
{
    newGame();
    lua("flag = true ; off = false ; count = 42.5 ; label = 'quay <&> \"night\"'");
    {
        KaCaptureStdout console;
        game().addToBag("Lantern");
        game().inventory().cellphone()->addNumber("5550178");
        game().launchDialog("01010_KA_1", 1, "Ansel", "", 0.0f);
    }
    warpToQuay();
    player()->walkMode("Jog");
    game().setFirstInInventory(true);
    app()->setTutorialActive(false);
    advance(7000);
    frame();
    ASSERT_TRUE(save("1.xml")) << log;

    const std::string text = readFile(path("1.xml"));
    // Older saves have this order; the game's own must keep it.
    EXPECT_EQ("GameVersion Inventory Cellphone Dialog ContextLua WarpName Difficulty PlayedTime ObjectsTaken "
              "DialogsTold PreviousScene Music RunMode FirstInInventory TutorialActive DocumentsBrowser Objectives ",
        elementNames(text));
    EXPECT_EQ("jog", attribute(text, "RunMode", "run"));
    EXPECT_EQ("01010", attribute(text, "PreviousScene", "name"));

    // Everything changed after the save must come back as it was saved.
    lua("flag = false ; count = 1 ; label = 'other' ; off = nil");
    game().setFirstInInventory(false);
    app()->setTutorialActive(true);
    log.clear();
    load("1.xml");

    EXPECT_EQ(0, game().backupState());
    EXPECT_EQ(std::string::npos, log.find("refused")) << log;
    EXPECT_EQ(KaString("01"), game().zone());
    EXPECT_EQ(KaString("01020"), game().scene());
    EXPECT_NE(std::string::npos, log.find("[Logic01020] enter from 01010")) << log;
    // Not a new game: the game-enter script saw its own flag come back.
    EXPECT_EQ(std::string::npos, log.find("[OnGameEnter] a new game begins")) << log;
    ASSERT_EQ(KaVariant::Boolean, global("flag").type());
    EXPECT_TRUE(global("flag").toBoolean());
    ASSERT_EQ(KaVariant::Boolean, global("off").type());
    EXPECT_FALSE(global("off").toBoolean());
    ASSERT_EQ(KaVariant::Float64, global("count").type());
    EXPECT_EQ(42.5, global("count").toFloat64());
    ASSERT_EQ(KaVariant::String, global("label").type());
    EXPECT_EQ(KaString("quay <&> \"night\""), global("label").toString());
    EXPECT_EQ(1ul, game().inventory().objectCount("Lantern"));
    ASSERT_NE(nullptr, game().inventory().cellphone());
    ASSERT_EQ(1ul, phoneNumbers());
    EXPECT_EQ(KaString("5550178"), game().inventory().cellphone()->numbers()[0]);
    // "KA" is the sixteenth dialog code.
    EXPECT_EQ(1u << 15, game().dialogsTold());
    EXPECT_EQ(1u, game().objectsTaken());
    EXPECT_EQ(KaString("Jog"), player()->walkMode());
    EXPECT_TRUE(game().firstInInventory());
    EXPECT_FALSE(app()->tutorialActive());
    EXPECT_EQ(KaString("01010"), game().previousScene());
    EXPECT_GE(game().playedTime(), 7000000.0);
    EXPECT_TRUE(player()->model()->visible());
}

TEST_F(SaveGameTest, PlayedTimeAddsUpAcrossSavesAndTheTimerKeepsRunning)
{
    newGame();
    advance(3000);
    frame();
    ASSERT_TRUE(save("1.xml"));
    advance(5000);
    frame();
    ASSERT_TRUE(save("2.xml"));
    const int first = std::stoi(attribute(readFile(path("1.xml")), "PlayedTime", "value"));
    const int second = std::stoi(attribute(readFile(path("2.xml")), "PlayedTime", "value"));
    EXPECT_GE(first, 3);
    EXPECT_EQ(5, second - first);
}

// The taken-object count and its bits: a listed object counts once, however
// often it comes back; any other object counts each time it comes in.
TEST_F(SaveGameTest, TakenObjectsCountListedOnesOnce)
{
    newGame();
    KaCaptureStdout console;
    Inventory& inventory = game().inventory();
    game().addToBag("VCylindrePim");
    inventory.removeObject("VCylindrePim");
    game().addToBag("VCylindrePim");
    EXPECT_EQ(1u, game().objectsTaken());
    EXPECT_EQ(1u << 2, game().objectsTakenBits());
    game().addToBag("Lantern");
    // Already held: not taken again.
    game().addToBag("Lantern");
    inventory.removeObject("Lantern");
    game().addToBag("Lantern");
    EXPECT_EQ(3u, game().objectsTaken());
    EXPECT_EQ(1u << 2, game().objectsTakenBits());
}

// Documents as an older program or a hand may have left them: what each
// element changes, and what its absence leaves.
TEST_F(SaveGameTest, OptionalElementsOfHandWrittenSaves)
{
    newGame();
    struct Case {
        const char* elements;
        int difficulty;
        double playedSeconds;
        const char* walkMode;
        bool firstInInventory;
        bool tutorial;
    };
    const Case cases[] = {
        // No "Difficulty": difficulty 1 and no played time, whatever it says.
        { "<PlayedTime value=\"100\" />", 1, 0, "Walk", true, true },
        { "<Difficulty value=\"3\" /><PlayedTime value=\"100\" />", 3, 100, "Walk", true, true },
        { "<RunMode run=\"run\" />", 1, 0, "Walk", true, true },
        { "<RunMode run=\"jog\" />", 1, 0, "Jog", true, true },
        { "<FirstInInventory firstTime=\"yes\" />", 1, 0, "Walk", false, true },
        { "<FirstInInventory firstTime=\"1\" /><TutorialActive value=\"0\" />", 1, 0, "Walk", true, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.elements);
        writeSave("1.xml",
            std::string("<?xml version=\"1.0\" ?><Save><WarpName zone=\"01\" scene=\"01010\" />") + c.elements
                + "</Save>");
        game().setFirstInInventory(true);
        app()->setTutorialActive(true);
        app()->setDifficulty(static_cast<EApplicationDifficulty>(7));
        enterFrom("1.xml");
        player()->walkMode("Walk");
        applySave();
        EXPECT_EQ(0, game().backupState());
        EXPECT_FALSE(game().requestMainMenu()) << log;
        EXPECT_EQ(c.difficulty, static_cast<int>(app()->difficulty()));
        EXPECT_EQ(c.playedSeconds * 1000000.0, game().playedTime());
        EXPECT_EQ(KaString(c.walkMode), player()->walkMode());
        EXPECT_EQ(c.firstInInventory, game().firstInInventory());
        EXPECT_EQ(c.tutorial, app()->tutorialActive());
        frame();
    }
}

// Every damaged save is refused whole: nothing of it reaches the Lua state,
// the inventory, the phone or the scene, the player is told, the game goes
// back to the menus and the file stays for whoever can mend it.
TEST_F(SaveGameTest, DamagedSavesAreRefusedWhole)
{
    newGame();
    lua("canary = 'saved'");
    {
        KaCaptureStdout console;
        game().addToBag("Lantern");
        game().inventory().cellphone()->addNumber("5550178");
    }
    warpToQuay();
    ASSERT_TRUE(save("1.xml"));
    const std::string good = readFile(path("1.xml"));
    ASSERT_GT(good.size(), 200u);
    const std::string warp = "<WarpName zone=\"01\" scene=\"01020\" />";
    const std::string globals = "<ContextLua>";

    struct Case {
        const char* what;
        std::string text;
    };
    const Case cases[] = {
        { "cut after a few bytes", good.substr(0, 12) },
        { "cut at a quarter", good.substr(0, good.size() / 4) },
        { "cut at half", good.substr(0, good.size() / 2) },
        { "cut at three quarters", good.substr(0, good.size() * 3 / 4) },
        { "cut in the closing tag", good.substr(0, good.size() - 4) },
        { "empty", "" },
        { "not XML", "this is not a saved game\n" },
        // A broken sequence swallows the closing quote after it.
        { "not UTF-8",
            replaced(replaced(good, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>", "<?xml version=\"1.0\" ?>"),
                "<RunMode run=\"walk\" />", "<RunMode run=\"walk\xe3\" />") },
        { "nested too deeply", replaced(good, globals, globals + nested(40000)) },
        { "document with a path",
            replaced(good, "<DocumentsBrowser>", "<DocumentsBrowser><Page><Slot><Document id=\"../x\" /></Slot></Page>") },
        { "wrong root", replaced(replaced(good, "<Save>", "<Saved>"), "</Save>", "</Saved>") },
        { "zone out of the scenes", replaced(good, warp, "<WarpName zone=\"../..\" scene=\"01020\" />") },
        { "scene with a path", replaced(good, warp, "<WarpName zone=\"01\" scene=\"01010/../../../tmp/x\" />") },
        { "empty scene", replaced(good, warp, "<WarpName zone=\"01\" scene=\"\" />") },
        { "scene that does not exist", replaced(good, warp, "<WarpName zone=\"01\" scene=\"09999\" />") },
        { "global over a function", replaced(good, globals, globals + "<String name=\"print\" value=\"x\" />") },
        { "global over a table", replaced(good, globals, globals + "<Number name=\"string\" value=\"1\" />") },
        { "global over the globals", replaced(good, globals, globals + "<Boolean name=\"_G\" value=\"1\" />") },
        { "global of no scalar kind", replaced(good, globals, globals + "<Chunk name=\"f\" value=\"os.exit()\" />") },
        { "global without a name", replaced(good, globals, globals + "<String value=\"x\" />") },
        { "number that is not one", replaced(good, globals, globals + "<Number name=\"n\" value=\"many\" />") },
        { "object with a path", replaced(good, "<Object id=\"Lantern\" />", "<Object id=\"../pictures/cursor\" />") },
        { "difficulty not a number", replaced(good, "<Difficulty value=\"1\" />", "<Difficulty value=\"hard\" />") },
        { "negative played time",
            replaced(good, "<PlayedTime value=\"" + attribute(good, "PlayedTime", "value") + "\" />",
                "<PlayedTime value=\"-5\" />") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeSave("2.xml", c.text);
        enterFrom("2.xml");
        log.clear();
        applySave();
        EXPECT_NE(std::string::npos, log.find("is refused")) << log;
        EXPECT_EQ(0, game().backupState());
        EXPECT_TRUE(game().requestMainMenu());
        EXPECT_TRUE(app()->saveCorruptConfirm().gui().isLoaded());
        EXPECT_FALSE(global("canary").isValid());
        EXPECT_FALSE(global("gameStarted").isValid());
        EXPECT_EQ(0ul, game().inventory().objectCount("Lantern"));
        EXPECT_EQ(0ul, phoneNumbers());
        EXPECT_TRUE(game().hitObjects().isEmpty());
        EXPECT_EQ(std::string::npos, log.find("[Logic01020]")) << log;
        EXPECT_EQ(c.text, readFile(path("2.xml")));
        // The application takes the game back to the menus.
        frame();
        EXPECT_FALSE(game().entered());
        app()->saveCorruptConfirm().leave();
    }
    // The same harness with the good text: it loads.
    load("1.xml");
    EXPECT_EQ(KaString("01020"), game().scene());
    EXPECT_EQ(KaString("saved"), global("canary").toString());
    EXPECT_EQ(1ul, game().inventory().objectCount("Lantern"));
}

TEST_F(SaveGameTest, ASaveThatCannotBeWrittenSaysSoAndKeepsThePreviousOne)
{
    newGame();
    lua("canary = 'first'");
    ASSERT_TRUE(save("1.xml"));
    const std::string before = readFile(path("1.xml"));
    const std::string folder = path("");
    // The folder made read-only; a folder in the way of the temporary file
    // makes the write fail even for a user whom permissions do not stop.
    ASSERT_EQ(0, mkdir(path("1.xml.tmp").c_str(), 0755));
    ASSERT_EQ(0, chmod(folder.c_str(), 0555));
    lua("canary = 'second'");
    log.clear();
    EXPECT_FALSE(save("1.xml"));
    EXPECT_NE(std::string::npos, log.find("ActionManager::Save: error")) << log;
    {
        KaCaptureStdout console;
        Save("1.xml");
        log += console.text();
    }
    EXPECT_NE(std::string::npos, log.find("[Save] \"1.xml\" could not be saved.")) << log;
    EXPECT_TRUE(game().running());
    // The player is told on screen, once for however many saves fail.
    EXPECT_EQ(1u, countOf(log, "[Application] the player is told: saveFailed")) << log;
    // Another file written fine in between says nothing of this one: its
    // next failure is not told again.
    ASSERT_EQ(0, chmod(folder.c_str(), 0755));
    EXPECT_TRUE(save("2.xml"));
    ASSERT_EQ(0, chmod(folder.c_str(), 0555));
    EXPECT_FALSE(save("1.xml"));
    EXPECT_EQ(1u, countOf(log, "[Application] the player is told: saveFailed")) << log;
    KaITextLayout* notice = game().notifier().gui().textLayout("text");
    ASSERT_NE(nullptr, notice);
    EXPECT_NE(std::string::npos, std::string(notice->text().c_str()).find("The game could not be saved")) << notice->text().c_str();
    // The options fail the same way, and are told apart.
    ASSERT_EQ(0, mkdir(path("options.xml.tmp").c_str(), 0755));
    {
        KaCaptureStdout console;
        EXPECT_FALSE(app()->saveOptions("options.xml"));
        EXPECT_FALSE(app()->saveOptions("options.xml"));
        log += console.text();
    }
    EXPECT_EQ(1u, countOf(log, "[Application] the player is told: optionsSaveFailed")) << log;
    ASSERT_EQ(0, rmdir(path("options.xml.tmp").c_str()));
    ASSERT_EQ(0, chmod(folder.c_str(), 0755));
    ASSERT_EQ(0, rmdir(path("1.xml.tmp").c_str()));
    EXPECT_EQ(before, readFile(path("1.xml")));

    load("1.xml");
    EXPECT_EQ(KaString("first"), global("canary").toString());
}

// A process killed at any moment of its saves leaves a save that loads: the
// one before, or the one it was writing, never a piece of it.
TEST_F(SaveGameTest, AKillDuringSavesLeavesASaveThatLoads)
{
    newGame();
    game().luaContext().setGlobal("counter", -1);
    ASSERT_TRUE(save("3.xml"));
    const int delays[] = { 3, 11, 29, 47, 83 };
    int lastSeen = -1;
    for (int delay : delays) {
        SCOPED_TRACE(delay);
        const pid_t child = fork();
        ASSERT_NE(-1, child);
        if (child == 0) {
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            for (int i = lastSeen + 1;; ++i) {
                game().luaContext().setGlobal("counter", i);
                game().saveBackup("3.xml");
            }
        }
        usleep(delay * 1000);
        ASSERT_EQ(0, kill(child, SIGKILL));
        int status = 0;
        ASSERT_EQ(child, waitpid(child, &status, 0));
        EXPECT_TRUE(WIFSIGNALED(status));

        TiXmlDocument document;
        KaCaptureStdout console;
        ASSERT_TRUE(backupManager.get()->load("3.xml", document)) << readFile(path("3.xml"));
        const TiXmlElement* save = document.FirstChildElement("Save");
        ASSERT_NE(nullptr, save);
        ASSERT_NE(nullptr, save->FirstChildElement("TutorialActive"));
        int counter = -2;
        for (const TiXmlElement* e = save->FirstChildElement("ContextLua")->FirstChildElement(); e;
             e = e->NextSiblingElement())
            if (std::string(e->Attribute("name")) == "counter")
                counter = std::atoi(e->Attribute("value"));
        EXPECT_GE(counter, lastSeen);
        lastSeen = counter;
    }
    load("3.xml");
    EXPECT_EQ(0, game().backupState());
    EXPECT_EQ(std::string::npos, log.find("refused")) << log;
    ASSERT_EQ(KaVariant::Float64, global("counter").type());
    EXPECT_EQ(lastSeen, static_cast<int>(global("counter").toFloat64()));
}

TEST_F(SaveGameTest, EveryStringAScriptCanHoldComesBackByteForByte)
{
    newGame();
    // Single-byte French text in the engine's own encoding, every byte
    // value, markup, the writer's own escape, empty, and 300 KB.
    lua("latin = 'caf\\233 cr\\232me' ; local all = {} ; for b = 0, 255 do all[#all + 1] = string.char(b) end"
        "; bytes = table.concat(all) ; markup = '<b a=\"1\">&amp;</b>' ; reference = '&#x41;'"
        "; empty = '' ; big = string.rep('\\233<&', 100000)");
    ASSERT_TRUE(save("1.xml")) << log;
    const std::string saved = readFile(path("1.xml"));
    lua("latin = nil ; bytes = nil ; markup = nil ; reference = nil ; empty = nil ; big = nil");
    log.clear();
    load("1.xml");
    EXPECT_EQ(std::string::npos, log.find("refused")) << log;
    lua("assert(latin == 'caf\\233 cr\\232me', 'latin') ; assert(#bytes == 256, 'bytes')"
        "; for b = 0, 255 do assert(bytes:byte(b + 1) == b, 'byte ' .. b) end"
        "; assert(markup == '<b a=\"1\">&amp;</b>', 'markup') ; assert(reference == '&#x41;', reference)"
        "; assert(empty == '', 'empty') ; assert(big == string.rep('\\233<&', 100000), 'big') ; scriptChecked = true");
    EXPECT_TRUE(global("scriptChecked").toBoolean()) << log;

    // Saved again from the loaded game, the file is as long (the globals
    // may come in another order).
    lua("scriptChecked = nil");
    ASSERT_TRUE(save("1.xml"));
    EXPECT_EQ(saved.size(), readFile(path("1.xml")).size());
}

TEST_F(SaveGameTest, DocumentsAndTasksComeBackWithTheSave)
{
    newGame();
    {
        KaCaptureStdout console;
        game().documentsBrowser().addDocument(KaString("Logbook"));
    }
    game().objectif().pushObjectif("help.call.title", "help.call.phone");
    game().objectif().deleteObjectif("help.call.title", "help.call.phone");
    game().objectif().pushObjectif("help.tides.title", "help.tides.key");
    ASSERT_EQ(1ul, game().documentsBrowser().documents().size());
    const KaArray<Objectif::Task> tasks = game().objectif().tasks();
    ASSERT_GE(tasks.size(), 2ul);
    ASSERT_TRUE(save("1.xml")) << log;

    load("1.xml");
    EXPECT_EQ(std::string::npos, log.find("refused")) << log;
    const KaArray<Document*> documents = game().documentsBrowser().documents();
    ASSERT_EQ(1ul, documents.size());
    EXPECT_EQ(KaString("Logbook"), documents[0]->id());
    const KaArray<Objectif::Task>& back = game().objectif().tasks();
    ASSERT_EQ(tasks.size(), back.size());
    for (unsigned long i = 0; i < tasks.size(); ++i) {
        EXPECT_EQ(tasks[i].name, back[i].name);
        EXPECT_EQ(tasks[i].subName, back[i].subName);
        EXPECT_EQ(tasks[i].state, back[i].state);
    }
}

TEST_F(SaveGameTest, AContinuedGameWithoutASaveStartsNew)
{
    newGame();
    warpToQuay();
    // The scenes save themselves on entering: that save goes.
    std::remove(path("save.xml").c_str());
    log.clear();
    load("save.xml");
    EXPECT_EQ(KaString("01010"), game().scene());
    EXPECT_NE(std::string::npos, log.find("[OnGameEnter] a new game begins")) << log;
    EXPECT_EQ(0u, game().objectsTaken());
}

#endif
