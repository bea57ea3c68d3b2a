#include <gtest/gtest.h>

#include <tinyxml.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaLayout.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/gui/KaTextLayout.h"
#include "engine/input/KaInputMgr.h"
#include "engine/script/KaXMLGUI.h"
#include "game/panels/Objectif.h"
#include "tests/game/ApplicationTestFixture.h"

namespace {

// The panel fills the 320 x 240 window; its notepad is the middle 160 x 120,
// the close button a 32 x 24 box around (32, 24) from the top left. The help
// button is a 32 x 24 box around (304, 12); its "new" pictures start shown,
// so that loading has something to hide.
const char* const kPanel
    = "KaButtonLayout{ name = 'background', sizeType = Percent, size = {1, 1, 1},\n"
      "  KaLayout{ name = 'Calepin', sizeType = Percent, size = {0.5, 0.5, 1},\n"
      "    KaLayout{ name = 'tasks', sizeType = Percent, size = {1, 1, 1} } },\n"
      "  KaButtonLayout{ name = 'helpQuit', sizeType = Percent, size = {0.1, 0.1, 1}, position = {0.1, 0.1, 0.5} } }\n";
const char* const kHelpButton
    = "KaButtonLayout{ name = 'helpButton', sizeType = Percent, size = {0.1, 0.1, 1}, position = {0.95, 0.05, 0.5},\n"
      "  upLayout = KaLayout{ name = 'up', sizeType = Percent, size = {1, 1, 1},\n"
      "    KaSpriteLayout{ name = 'newUp' }, KaSpriteLayout{ name = 'notNewUp', visible = false } },\n"
      "  downLayout = KaLayout{ name = 'down', sizeType = Percent, size = {1, 1, 1},\n"
      "    KaSpriteLayout{ name = 'newDown' }, KaSpriteLayout{ name = 'notNewDown', visible = false } } }\n";
// "a3" has no help text.
const char* const kHelpTexts = "<?xml version=\"1.0\" ?>\n"
                               "<value name=\"A\" value=\"Task A\" />\n<value name=\"B\" value=\"Task B\" />\n"
                               "<value name=\"a1\" value=\"Sub a1\" />\n<value name=\"a2\" value=\"Sub a2\" />\n"
                               "<value name=\"b1\" value=\"Sub b1\" />\n";

// Window points (x from the left, y up from the bottom).
const KaVector2s32 kOverNotepad(160, 120);
const KaVector2s32 kOverHelpButton(304, 240 - 12);
const KaVector2s32 kOverHelpQuit(32, 240 - 24);
const KaVector2s32 kOverNothing(160, 10);

class ObjectifTest : public ApplicationFrameTest {
protected:
    void SetUp() override
    {
        ApplicationFrameTest::SetUp();
        // No splash button to take the clicks.
        content.write("menus/splashes/splash0.lua", "");
        content.write("menus/splashes/splash1.lua", "");
        content.write("menus/objectif.lua", kPanel);
        content.write("menus/helpButton.lua", kHelpButton);
        content.write("menus/help/help_en.xml", kHelpTexts);
        start();
        ASSERT_NE(nullptr, application.get()->getHelpText("A"));
        objectif.reset(new Objectif());
        Objectif::mLayoutsDirty = false;
    }
    void TearDown() override
    {
        objectif->unload();
        objectif.reset();
        application.get()->setDifficulty(EApplicationDifficultyDefault);
        ApplicationFrameTest::TearDown();
    }

    KaLayout* tasks() { return objectif->gui().layout("tasks"); }
    KaTextLayout* label(unsigned long index) { return dynamic_cast<KaTextLayout*>(tasks()->child(index)); }
    std::vector<std::string> labels()
    {
        std::vector<std::string> names;
        for (unsigned long i = 0; i < tasks()->childCount(); ++i)
            names.push_back(tasks()->child(i)->name().c_str());
        return names;
    }
    bool shown(KaLayout* layout) { return layout && layout->visible(); }
    bool panelShown() { return shown(objectif->gui().layout("background")); }
    bool helpButtonShown() { return shown(objectif->helpGui().buttonLayout("helpButton")); }
    void clickAt(const KaVector2s32& point)
    {
        // Past the half second in which buttons refuse a second validation.
        for (int i = 0; i < 40; ++i)
            frame();
        // The window's raw pointer counts y from the top.
        inputMgr.get()->setMouseRawPosition(KaVector2s32(point.x, 240 - point.y), 0);
        inputMgr.get()->setMouseLeft(true, 0);
        inputMgr.get()->setMouseLeft(false, 0);
    }

    std::unique_ptr<Objectif> objectif;
};

struct Step {
    bool push;
    const char* name;
    const char* subName;
};

TEST_F(ObjectifTest, LabelsFollowTheTasks)
{
    struct Case {
        const char* what;
        std::vector<Step> steps;
        std::vector<std::string> labels;
    };
    const Case cases[] = {
        { "a name that comes back after another gets a second title, with all its tasks",
            { { true, "A", "a1" }, { true, "A", "a2" }, { true, "B", "b1" }, { true, "A", "a3" } },
            { "A", "a1", "a2", "a3", "B", "b1", "A", "a1", "a2", "a3" } },
        { "a task without a sub-task is a title alone", { { true, "A", "" } }, { "A" } },
        { "a title stands once for its run of tasks", { { true, "A", "" }, { true, "A", "a1" }, { true, "A", "a2" } },
            { "A", "a1", "a2" } },
        { "a pair pushed twice is listed once", { { true, "A", "a1" }, { true, "A", "a1" } }, { "A", "a1" } },
        { "a done task is no longer listed", { { true, "A", "a1" }, { true, "A", "a2" }, { false, "A", "a1" } },
            { "A", "a2" } },
        { "a done task still counts as pushed",
            { { true, "A", "a1" }, { true, "A", "a2" }, { false, "A", "a1" }, { true, "A", "a1" } }, { "A", "a2" } },
        { "the title comes with the first active task of the name",
            { { true, "A", "a1" }, { true, "B", "b1" }, { true, "A", "a2" }, { false, "A", "a1" } },
            { "B", "b1", "A", "a2" } },
        { "deleting what is not active changes nothing",
            { { true, "A", "a1" }, { false, "A", "a1" }, { false, "A", "a1" }, { false, "B", "b1" } }, {} },
    };
    objectif->load();
    for (const Case& c : cases) {
        objectif->clearTasks();
        for (const Step& step : c.steps) {
            if (step.push)
                objectif->pushObjectif(step.name, step.subName);
            else
                objectif->deleteObjectif(step.name, step.subName);
        }
        objectif->update();
        EXPECT_EQ(c.labels, labels()) << c.what;
        EXPECT_FALSE(Objectif::mLayoutsDirty);
    }
}

TEST_F(ObjectifTest, ATaskDeletedStaysListedAsDoneAndCannotComeBack)
{
    objectif->load();
    objectif->pushObjectif("A", "a1");
    objectif->pushObjectif("A", "a2");
    objectif->update();
    EXPECT_EQ(std::vector<std::string>({ "A", "a1", "a2" }), labels());

    objectif->deleteObjectif("A", "a1");
    EXPECT_TRUE(Objectif::mLayoutsDirty);
    EXPECT_EQ(std::vector<std::string>({ "A", "a1", "a2" }), labels()) << "rebuilt at the next frame only";
    objectif->update();
    EXPECT_EQ(std::vector<std::string>({ "A", "a2" }), labels());

    objectif->pushObjectif("A", "a1");
    EXPECT_FALSE(Objectif::mLayoutsDirty) << "ignored: the done task is still listed";
    ASSERT_EQ(2u, objectif->tasks().size());
    EXPECT_FALSE(objectif->tasks()[0].state);
    EXPECT_TRUE(objectif->tasks()[1].state);
    objectif->update();
    EXPECT_EQ(std::vector<std::string>({ "A", "a2" }), labels());
}

TEST_F(ObjectifTest, LabelsShowTheHelpTextsStackedDownTheNotepad)
{
    objectif->load();
    objectif->pushObjectif("A", "a1");
    objectif->pushObjectif("A", "a3");
    objectif->pushObjectif("B", "");
    objectif->update();
    ASSERT_EQ(std::vector<std::string>({ "A", "a1", "a3", "B" }), labels());

    // The characters shown, and what the markup chose: the title's colour
    // and size, the sub-tasks' (difficulty 1: black, 16).
    EXPECT_STREQ("Task A", label(0)->text().c_str());
    EXPECT_STREQ("Sub a1", label(1)->text().c_str());
    EXPECT_STREQ("", label(2)->text().c_str()) << "a key without a help text: the markup alone";
    EXPECT_STREQ("Task B", label(3)->text().c_str());
    for (unsigned long i : { 0ul, 3ul }) {
        EXPECT_EQ(KaColor(39, 85, 97, 255), label(i)->textBase().currentColor(0)) << i;
        EXPECT_EQ(12u, label(i)->fontSize()) << i;
    }
    EXPECT_EQ(KaColor(0, 0, 0, 255), label(1)->textBase().currentColor(0));
    EXPECT_EQ(16u, label(1)->fontSize());

    const float x[] = { 0.1f, 0.15f, 0.15f, 0.1f };
    for (unsigned long i = 0; i < 4; ++i) {
        KaTextLayout* text = label(i);
        EXPECT_EQ(KaILayout::Percent, text->sizeType());
        EXPECT_EQ(KaILayout::Percent, text->positionType());
        EXPECT_EQ(KaVector3f32(0, 0, 0), text->anchor());
        EXPECT_FLOAT_EQ(x[i], text->userPosition().x) << i;
    }
    EXPECT_FLOAT_EQ(0.1f, label(0)->userPosition().y) << "the first label a tenth down";
}

#ifdef KA_RESOURCES_DIR

// With the game's fonts and the panel on the screen, each label is as high
// as its text and starts where the one above it ends: all of them fit in
// the notepad.
TEST_F(ObjectifTest, LabelsStackDownTheNotepadByTheHeightOfTheirTexts)
{
    for (const char* font : { "Common/Fonts/ComicRelief.ttf", "Common/Fonts/arial.ttf" })
        content.write(font, readFile(std::string(KA_RESOURCES_DIR) + "/" + font));
    objectif->load();
    objectif->reattachLayout(application.get()->layoutFront());
    for (const char* sub : { "a1", "a2", "a3" })
        objectif->pushObjectif("A", sub);
    objectif->pushObjectif("B", "b1");
    objectif->update();
    ASSERT_EQ(6u, tasks()->childCount());

    float bottom = 0.1f;
    for (unsigned long i = 0; i < 6; ++i) {
        KaTextLayout* text = label(i);
        EXPECT_FLOAT_EQ(bottom, text->userPosition().y) << i << ": where the one above ends";
        if (i != 3) {
            EXPECT_GT(text->userSize().y, 0.05f) << i << ": one line of text";
            EXPECT_LT(text->userSize().y, 0.3f) << i << ": one line of text";
        }
        bottom = text->userPosition().y + text->userSize().y;
    }
    EXPECT_LT(bottom, 1.0f) << "every label on the notepad";
}

#endif

TEST_F(ObjectifTest, TheDifficultyChoosesTheLabelsLook)
{
    struct Case {
        int difficulty;
        const char* title;
        const char* subTask;
        unsigned long subTaskSize;
    };
    const Case cases[] = {
        { 0, "Task A", "Sub a1", 12 },
        { 1, "Task A", "Sub a1", 16 },
        { 2, "", "", 0 },
    };
    objectif->load();
    objectif->pushObjectif("A", "a1");
    for (const Case& c : cases) {
        application.get()->setDifficulty(static_cast<EApplicationDifficulty>(c.difficulty));
        objectif->removeChildren();
        objectif->update();
        ASSERT_EQ(std::vector<std::string>({ "A", "a1" }), labels()) << "the keys name the labels at every difficulty";
        EXPECT_STREQ(c.title, label(0)->text().c_str()) << c.difficulty;
        EXPECT_STREQ(c.subTask, label(1)->text().c_str()) << c.difficulty;
        EXPECT_EQ(c.subTaskSize, label(1)->fontSize()) << c.difficulty;
    }
}

TEST_F(ObjectifTest, EveryFrameCallsTheScenesUpdateHelp)
{
    content.write("scenes/help.lua", "calls = 0\nfunction UpdateHelp() calls = calls + 1 end\n");
    Game& game = application.get()->game();
    game.luaContext().create();
    game.script().attachToContext(game.luaContext());
    game.script().load("scenes/help.lua");
    game.script().execute();

    objectif->load();
    for (int i = 0; i < 3; ++i)
        objectif->update();
    int calls = 0;
    ASSERT_TRUE(game.luaContext().global("calls", calls));
    EXPECT_EQ(3, calls) << "changed tasks or not";
    game.script().unload();
    game.luaContext().destroy();
}

TEST_F(ObjectifTest, TheHelpButtonAndTheCloseButtonToggleThePanel)
{
    objectif->load();
    KaButtonLayout* helpButton = objectif->helpGui().buttonLayout("helpButton");
    ASSERT_NE(nullptr, helpButton);
    EXPECT_EQ(&application.get()->layoutFront(), helpButton->parent());
    objectif->reattachLayout(application.get()->layoutFront());
    EXPECT_FALSE(panelShown());
    EXPECT_TRUE(helpButtonShown());
    EXPECT_TRUE(objectif->closed());
    for (const char* picture : { "newUp", "newDown" })
        EXPECT_FALSE(shown(objectif->helpGui().spriteLayout(picture))) << picture;
    for (const char* picture : { "notNewUp", "notNewDown" })
        EXPECT_TRUE(shown(objectif->helpGui().spriteLayout(picture))) << picture;

    clickAt(kOverHelpButton);
    EXPECT_TRUE(panelShown());
    EXPECT_FALSE(helpButtonShown());
    EXPECT_FALSE(objectif->closed());

    clickAt(kOverHelpQuit);
    EXPECT_FALSE(panelShown());
    EXPECT_TRUE(helpButtonShown());
    EXPECT_TRUE(objectif->closed());
}

TEST_F(ObjectifTest, ThePointerIsOverThePanelOnlyWhereItShows)
{
    objectif->load();
    objectif->reattachLayout(application.get()->layoutFront());
    frame();
    EXPECT_FALSE(objectif->isMouseIn(kOverNotepad)) << "the panel is closed";
    EXPECT_TRUE(objectif->isMouseIn(kOverHelpButton));
    EXPECT_FALSE(objectif->isMouseIn(kOverNothing));

    objectif->onHelpButtonValidated();
    EXPECT_TRUE(objectif->isMouseIn(kOverNotepad));
    EXPECT_FALSE(objectif->isMouseIn(kOverHelpButton)) << "the help button is hidden while the panel is open";
    EXPECT_FALSE(objectif->isMouseIn(kOverNothing)) << "the veil outside the notepad lets the pointer through";
}

TEST_F(ObjectifTest, LeavingEnteringAndTheScriptsSwitches)
{
    objectif->load();
    objectif->onHelpButtonValidated();
    ASSERT_TRUE(panelShown());

    objectif->leave();
    EXPECT_FALSE(panelShown());
    EXPECT_FALSE(helpButtonShown());
    EXPECT_FALSE(objectif->closed());

    objectif->enter();
    EXPECT_TRUE(helpButtonShown()) << "entering gives the player the way to open the panel";
    EXPECT_TRUE(objectif->closed());

    objectif->setVisibleButtonHelp(false);
    EXPECT_FALSE(helpButtonShown());
    EXPECT_FALSE(objectif->closed());
    objectif->setVisibleButtonHelp(true);
    EXPECT_TRUE(helpButtonShown());
    EXPECT_TRUE(objectif->closed());

    objectif->setVisibleObjectif(true);
    EXPECT_TRUE(objectif->isVisibleObjectif());
    objectif->setVisibleObjectif(false);
    EXPECT_FALSE(objectif->isVisibleObjectif());
}

TEST_F(ObjectifTest, ReattachingMovesBothLayoutsAboveTheirNewSiblings)
{
    objectif->load();
    KaLayout layer;
    KaLayout other;
    layer.addChild(&other);
    objectif->reattachLayout(layer);
    KaLayout* background = objectif->gui().layout("background");
    KaLayout* helpButton = objectif->helpGui().buttonLayout("helpButton");
    ASSERT_EQ(3u, layer.childCount());
    EXPECT_EQ(background, layer.child(1));
    EXPECT_EQ(helpButton, layer.child(2));
    EXPECT_EQ(-1, application.get()->layoutFront().childIndex(helpButton))
        << "taken from the layer it hung on: never listed by two parents";

    layer.removeChild(&other);
    layer.addChild(&other);
    objectif->reattachLayout(layer);
    ASSERT_EQ(3u, layer.childCount());
    EXPECT_EQ(background, layer.child(1));
    EXPECT_EQ(helpButton, layer.child(2));
    objectif->unload();
}

TEST_F(ObjectifTest, ClearingForgetsTheTasksAndTheirLabels)
{
    objectif->load();
    objectif->pushObjectif("A", "a1");
    objectif->update();
    ASSERT_EQ(2u, tasks()->childCount());
    objectif->clearTasks();
    EXPECT_TRUE(objectif->tasks().size() == 0);
    objectif->update();
    EXPECT_EQ(0u, tasks()->childCount());
    objectif->pushObjectif("A", "a1");
    objectif->update();
    EXPECT_EQ(std::vector<std::string>({ "A", "a1" }), labels()) << "a cleared pair may be pushed again";
}

TEST_F(ObjectifTest, TasksWrittenToANodeReadBack)
{
    objectif->pushObjectif("A", "a1");
    objectif->pushObjectif("B", "");
    objectif->deleteObjectif("A", "a1");
    TiXmlElement node("Objectives");
    objectif->save(node);

    Objectif other;
    other.pushObjectif("C", "c1");
    Objectif::mLayoutsDirty = false;
    other.load(node);
    EXPECT_TRUE(Objectif::mLayoutsDirty);
    ASSERT_EQ(2u, other.tasks().size());
    EXPECT_STREQ("A", other.tasks()[0].name.c_str());
    EXPECT_STREQ("a1", other.tasks()[0].subName.c_str());
    EXPECT_FALSE(other.tasks()[0].state);
    EXPECT_STREQ("B", other.tasks()[1].name.c_str());
    EXPECT_STREQ("", other.tasks()[1].subName.c_str());
    EXPECT_TRUE(other.tasks()[1].state);
}

TEST_F(ObjectifTest, MissingFilesLeaveAPanelThatDoesNothing)
{
    unlink((content.path() + "/menus/objectif.lua").c_str());
    unlink((content.path() + "/menus/helpButton.lua").c_str());
    KaCaptureStdout console;
    objectif->load();
    objectif->pushObjectif("A", "a1");
    objectif->update();
    objectif->onHelpButtonValidated();
    objectif->reattachLayout(application.get()->layoutFront());
    EXPECT_FALSE(objectif->isMouseIn(kOverNotepad));
    EXPECT_FALSE(objectif->isMouseIn(kOverHelpButton));
    EXPECT_EQ(1u, objectif->tasks().size()) << "the tasks are kept for a panel that loads later";
}

#ifdef KA_RESOURCES_DIR

// The sample game's panel, button and help texts: every name the game looks
// up, and every objective's text in both languages.
TEST_F(ObjectifTest, TheSamplePanelAndHelpTextsHoldWhatTheGameLooksUp)
{
    ASSERT_EQ(0, chdir(KA_RESOURCES_DIR));
    KaCaptureStdout console;
    objectif->load();
    EXPECT_NE(nullptr, objectif->gui().buttonLayout("background"));
    EXPECT_NE(nullptr, objectif->gui().buttonLayout("helpQuit"));
    EXPECT_NE(nullptr, objectif->gui().layout("Calepin"));
    ASSERT_NE(nullptr, tasks());
    EXPECT_EQ(0u, tasks()->childCount()) << "every child of \"tasks\" is taken for a label";
    EXPECT_NE(nullptr, objectif->helpGui().buttonLayout("helpButton"));
    for (const char* picture : { "newUp", "newDown", "notNewUp", "notNewDown" })
        EXPECT_NE(nullptr, objectif->helpGui().spriteLayout(picture)) << picture;
    EXPECT_EQ("", console.text()) << "the files and their pictures load without a word";

    const char* keys[] = { "help.logbook.title", "help.logbook.desk", "help.logbook.key", "help.tides.title",
        "help.tides.board", "help.tides.case", "help.tides.use", "help.tides.evening", "help.call.title",
        "help.call.number", "help.call.phone" };
    for (const char* language : { "en", "fr" }) {
        KaXMLGUI help;
        ASSERT_TRUE(help.load(KaString("menus/help/help_") + language + ".xml")) << language;
        for (const char* key : keys) {
            KaString* text = help.value(key);
            ASSERT_NE(nullptr, text) << language << " " << key;
            EXPECT_GT(text->length(), 0u) << language << " " << key;
        }
    }
}

#endif

}
