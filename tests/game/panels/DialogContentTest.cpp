#include "tests/game/CharacterTestFixture.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include <vorbis/vorbisfile.h>

#include "engine/gui/KaSpriteLayout.h"
#include "engine/script/LocFile.h"
#include "game/panels/Dialog2.h"
#include "game/panels/Question2.h"

namespace {

// A speaking character plays the line's animation once, then its idle.
class Dialog2CharacterTest : public CharacterTest {
protected:
    void SetUp() override
    {
        CharacterTest::SetUp();
        ASSERT_TRUE(gl.isValid());
        content.write("menus/dialog.lua",
            "KaButtonLayout{ name = \"dialogLockButton\", sizeType = Percent, size = {1, 1, 1} }\n"
            "KaButtonLayout{ name = \"dialog\", sizeType = Percent, size = {1, 1, 1} }\n");
        writeAnimation("wave.kaan", characterAnimation(5, KaVector3f32(0, 0, 0)));
        mira = &character("Mira");
        application.get()->game().scene3D().setPlayer(mira);
        dialog.reset(new Dialog2);
    }
    void TearDown() override
    {
        dialog.reset();
        application.get()->game().scene3D().setPlayer(nullptr);
        CharacterTest::TearDown();
    }

    KaGLTestContext gl { 320, 240 };
    Character* mira = nullptr;
    std::unique_ptr<Dialog2> dialog;
};

TEST_F(Dialog2CharacterTest, TheSpeakerPlaysTheLinesAnimation)
{
    struct Case {
        const char* character;
        const char* animation;
        float blend;
        const char* playing;
        const char* console;
    } cases[] = {
        { "Mira", "wave.kaan", 0.0f, "wave.kaan", "" },
        { "Mira", "wave.kaan", 0.4f, "wave.kaan", "" },
        { "Mira", "shrug.kaan", 0.0f, "idle.kaan",
            "[Dialog2::launchNextDialog] Character's animation \"shrug.kaan\" doesn't exist for the character\"Mira\""
            "  \n" },
        { "Nobody", "wave.kaan", 0.0f, "idle.kaan", "[Dialog2::launchNextDialog] Character's \"Nobody\" doesn't exist\n" },
        { "", "wave.kaan", 0.0f, "idle.kaan", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.character) + " " + c.animation);
        ASSERT_TRUE(mira->setAnimation("idle.kaan"));
        dialog->unload();
        dialog->load();
        KaCaptureStdout console;
        dialog->pushDialog("A", "a", "missing", c.character, c.animation, c.blend);
        const std::string output = console.text();
        EXPECT_EQ(std::string(mira->curAnimName().c_str()), c.playing);
        if (std::string(c.playing) == "wave.kaan") {
            EXPECT_TRUE(mira->returnToIdle());
        }
        if (*c.console) {
            EXPECT_NE(output.find(c.console), std::string::npos) << output;
        } else {
            EXPECT_EQ(output.find("[Dialog2"), std::string::npos) << output;
        }
    }
}

}

#ifdef KA_RESOURCES_DIR

namespace {

double secondsOf(const std::string& path)
{
    OggVorbis_File file;
    if (ov_fopen(path.c_str(), &file) != 0)
        return -1.0;
    const double seconds = ov_time_total(&file, -1);
    ov_clear(&file);
    return seconds;
}

// The sample game's panels, voices and texts, as the build lays them out.
class DialogContentTest : public ApplicationFrameTest {
protected:
    void SetUp() override
    {
        ApplicationFrameTest::SetUp();
        content.write("menus/splashes/splash0.lua", "");
        content.write("menus/splashes/splash1.lua", "");
        start();
        ASSERT_EQ(chdir(KA_RESOURCES_DIR), 0);
    }
};

TEST_F(DialogContentTest, TheVoicesLastAsTheirLinesNeed)
{
    struct Case {
        const char* file;
        double atLeast;
        double atMost;
    } cases[] = {
        { "sounds/Dialogs/01010_KA_1.ogg", 0.5, 1.4 },
        { "sounds/Dialogs/01010_KA_2.ogg", 2.0, 5.0 },
        { "sounds/Dialogs/01010_KA_3.ogg", 1.6, 5.0 },
        { "sounds/Dialogs/01010_KA_4.ogg", 1.6, 5.0 },
        { "sounds/Dialogs/01010_KA_5.ogg", 1.6, 5.0 },
        { "sounds/Dialogs/01010_KA_6.ogg", 2.0, 5.0 },
        { "sounds/Dialogs/01020_MI_1.ogg", 1.6, 5.0 },
        { "sounds/Dialogs/01020_MI_2.ogg", 1.6, 5.0 },
        { "sounds/Dialogs/01020_CAL_1.ogg", 2.0, 5.0 },
        { "sounds/Dialogs/01020_CAL_2.ogg", 2.0, 5.0 },
        { "sounds/Dialogs/01020_CAL_3.ogg", 1.2, 5.0 },
        { "sounds/Dialogs/01020_CAL_4.ogg", 2.0, 5.0 },
        { "sounds/Dialogs/silence5s.ogg", 4.99, 5.01 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const double seconds = secondsOf(c.file);
        EXPECT_GE(seconds, c.atLeast);
        EXPECT_LE(seconds, c.atMost);
    }
}

// Every run of lines a scene script launches, read from the scripts
// themselves: the game walks the texts in key order from the first key, so a
// run that is too long tells the next scene's line, one that is too short
// cuts the conversation, and a line without its voice plays silence.
TEST_F(DialogContentTest, EveryRunOfLinesTheScriptsLaunchIsWrittenAndVoiced)
{
    const std::regex launch("LaunchDialog(AndWaitForEnd)?\\(\"([^\"]+)\", *([0-9]+)\\)");
    std::vector<std::pair<std::string, int>> runs;
    for (const auto& entry : std::filesystem::recursive_directory_iterator("scenes")) {
        if (entry.path().extension() != ".lua")
            continue;
        std::ifstream file(entry.path());
        const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        for (std::sregex_iterator it(text.begin(), text.end(), launch), end; it != end; ++it)
            runs.emplace_back((*it)[2].str(), std::stoi((*it)[3].str()));
    }
    ASSERT_GE(runs.size(), 6u) << "the scene scripts' dialogs were not found";
    for (const char* language : { "texts/en.xml", "texts/fr.xml" }) {
        LocFile texts;
        texts.load(language);
        for (const auto& run : runs) {
            SCOPED_TRACE(std::string(language) + " " + run.first + " x" + std::to_string(run.second));
            // Lines of one conversation share their key up to the number.
            const std::string conversation = run.first.substr(0, run.first.rfind('_') + 1);
            KaMap<KaString, KaILocData>::KaIterator it = texts.table().find(KaString(run.first.c_str()));
            for (int line = 0; line < run.second; ++line, ++it) {
                ASSERT_TRUE(it != texts.table().end());
                const std::string key = it->key.c_str();
                EXPECT_EQ(key.compare(0, conversation.size(), conversation), 0) << key;
                EXPECT_GT(it->value.value.length(), 0u) << key;
                EXPECT_GE(secondsOf("sounds/Dialogs/" + key + ".ogg"), 1.0) << key;
            }
        }
    }
}

TEST_F(DialogContentTest, EveryLineAndAnswerHasItsTextInBothLanguages)
{
    for (const char* language : { "texts/en.xml", "texts/fr.xml" }) {
        SCOPED_TRACE(language);
        LocFile texts;
        texts.load(language);
        // A run of three lines from its first key, as the game walks them.
        std::string run;
        int left = 0;
        for (KaMap<KaString, KaILocData>::KaIterator it = texts.table().firstElement(); it != texts.table().end();
             ++it) {
            if (it->key == KaString("01010_KA_1"))
                left = 3;
            if (left > 0) {
                run += std::string(it->key.c_str()) + ";";
                --left;
            }
        }
        EXPECT_EQ(run, "01010_KA_1;01010_KA_2;01010_KA_3;");
        for (const char* key : { "01010_KA_4", "01010_KA_5", "01010_KA_6", "01020_MI_1", "01020_MI_2", "01020_CAL_1",
                 "01020_CAL_4", "01010_ANS_TIDE", "01010_ANS_LOGBOOK", "01010_ANS_FIN", "bonusUnlocked",
                 "ArtworkTideTable" }) {
            const KaString* text = texts.value(key);
            ASSERT_NE(text, nullptr) << key;
            EXPECT_GT(text->length(), 0u) << key;
        }
    }
}

// The fonts take the texts' bytes as Latin-1: the French accents must come
// out of the files as single bytes, never as UTF-8 pairs (which would show
// as "mar\xc3\xa9e" turned into two wrong letters).
TEST_F(DialogContentTest, FrenchTextsAreLatin1Bytes)
{
    LocFile texts;
    texts.load("texts/fr.xml");
    const KaString* tide = texts.value("01010_ANS_TIDE");
    ASSERT_NE(tide, nullptr);
    EXPECT_EQ(std::string(tide->c_str()), "Quand la mar\xe9" "e tourne-t-elle ?");
    for (KaMap<KaString, KaILocData>::KaIterator it = texts.table().firstElement(); it != texts.table().end(); ++it) {
        const KaString* text = texts.value(it->key);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(std::string(text->c_str()).find('\xc3'), std::string::npos) << it->key.c_str();
    }
}

TEST_F(DialogContentTest, ThePanelsFindWhatTheyLookFor)
{
    KaCaptureStdout console;
    Dialog2 dialog;
    dialog.load();
    EXPECT_NE(dialog.gui().buttonLayout("dialog"), nullptr);
    EXPECT_NE(dialog.gui().buttonLayout("dialogLockButton"), nullptr);
    EXPECT_NE(dialog.gui().textLayout("text"), nullptr);
    EXPECT_NE(dialog.gui().layoutAnchorLinearAnimation("dialogAnimationUp"), nullptr);
    EXPECT_NE(dialog.gui().layoutAnchorLinearAnimation("dialogAnimationDown"), nullptr);
    EXPECT_TRUE(dialog.gui().value("textFormat").toString().find("%s"));
    // Hidden under the screen until a line comes.
    EXPECT_LT(dialog.gui().buttonLayout("dialog")->anchor().y, 1.0f);

    Question2 question;
    question.load();
    EXPECT_NE(question.gui().layout("background"), nullptr);
    ASSERT_NE(question.gui().spriteLayout("Calepin"), nullptr);
    for (const char* id : { "01010_ANS_TIDE", "01010_ANS_LOGBOOK" })
        question.pushAnswer(id, "", KaString("menus/answers/") + id + ".lua");
    question.pushAnswer("01010_ANS_FIN", "", "menus/answers/Cal_FIN.lua");
    EXPECT_EQ(question.answers().size(), 3u);
    EXPECT_NEAR(question.answers()[2]->layout()->userSize().x, 0.15f, 1e-5);
    question.unload();
    dialog.unload();
    const std::string output = console.text();
    EXPECT_EQ(output.find("Unreconized"), std::string::npos) << output;
    EXPECT_EQ(output.find("No \"answer\""), std::string::npos) << output;
    EXPECT_EQ(output.find("rror"), std::string::npos) << output;
}

}

#endif
