#include "tests/game/ApplicationTestFixture.h"

#include "engine/gui/KaITextLayout.h"
#include "engine/gui/KaTextLayout.h"
#include "game/menus/Confirm.h"

namespace {

// A dialog as the game's descriptions make them: the root button "confirm",
// "yes" (and "no" unless it is a notice), the message under "text", captions.
std::string dialog(bool withNo)
{
    // The markup prefixes end in a visible mark, so each caption shows which
    // one it got (text before the first tag is not shown).
    std::string text = "textAttributs = '<section style=\"left\" />n:'\n"
                       "textAttributsDown = '<section style=\"left\" />d:'\n"
                       "local message = KaTextLayout{ name = \"confirmQuit\" }\n"
                       "local text = KaLayout{ name = \"text\", message }\n"
                       "local background = KaLayout{ name = \"background\", ratioMode = LetterBox }\n"
                       "local yes = KaButtonLayout{ name = \"yes\", sizeType = Percent, size = {0.2, 0.2, 1},"
                       " position = {0.25, 0.5, 0.5},"
                       " upLayout = KaTextLayout{ name = \"yesUpLayout\" },"
                       " downLayout = KaTextLayout{ name = \"yesDownLayout\" },"
                       " rollOverLayout = KaTextLayout{ name = \"yesRollOverLayout\" } }\n";
    std::string children = "background, text, yes";
    if (withNo) {
        text += "local no = KaButtonLayout{ name = \"no\", sizeType = Percent, size = {0.2, 0.2, 1},"
                " position = {0.75, 0.5, 0.5},"
                " upLayout = KaTextLayout{ name = \"noUpLayout\" },"
                " downLayout = KaTextLayout{ name = \"noDownLayout\" },"
                " rollOverLayout = KaTextLayout{ name = \"noRollOverLayout\" } }\n";
        children += ", no";
    }
    return text + "KaButtonLayout{ name = \"confirm\", sizeType = Percent, size = {1, 1, 1}, " + children + " }\n";
}

class ConfirmTest : public ApplicationFrameTest {
protected:
    void SetUp() override
    {
        ApplicationFrameTest::SetUp();
        content.write("menus/splashes/splash0.lua", "");
        content.write("menus/splashes/splash1.lua", "");
        content.write("texts/en.xml", "<value name=\"okButton\" value=\"Yes\" />\n"
                                      "<value name=\"cancelButton\" value=\"No\" />\n"
                                      "<value name=\"noticeButton\" value=\"OK\" />\n"
                                      "<value name=\"confirmQuit\" value=\"Quit?\" />\n");
        content.write("menus/confirm/two.lua", dialog(true));
        content.write("menus/confirm/notice.lua", dialog(false));
        start();
        // Past the half second in which buttons refuse clicks.
        for (int i = 0; i < 40; ++i)
            frame();
        confirm.onButtonYes.add(this, &ConfirmTest::onYes, 0.0f);
        confirm.onButtonNo.add(this, &ConfirmTest::onNo, 0.0f);
        inputMgr.get()->onAnyMouseLeftUp().add(this, &ConfirmTest::onGameClick, -10000.0f);
    }

    std::string caption(const char* name)
    {
        KaITextLayout* layout = confirm.gui().textLayout(name);
        return layout ? std::string(layout->text().c_str()) : "(none)";
    }
    void clickAt(int x, int y)
    {
        inputMgr.get()->setMouseRawPosition(KaVector2s32(x, y), 0);
        inputMgr.get()->setMouseLeft(true, 0);
        inputMgr.get()->setMouseLeft(false, 0);
    }
    bool onYes()
    {
        answers += "yes;";
        return false;
    }
    bool onNo()
    {
        answers += "no;";
        return false;
    }
    bool onGameClick(unsigned int)
    {
        answers += "game;";
        return false;
    }
    // A listener of the same button below the dialog's own handler.
    bool onLaterListener()
    {
        answers += "later;";
        return false;
    }
    void listenAfter(const char* button)
    {
        confirm.gui().buttonLayout(button)->onMouseClickValidated.add(this, &ConfirmTest::onLaterListener, -1.0f);
    }
    // Buttons refuse a second validation within half a second.
    void wait()
    {
        for (int i = 0; i < 40; ++i)
            frame();
    }

    Confirm confirm;
    std::string answers;
};

TEST_F(ConfirmTest, OpensAboveTheScreensWithItsTexts)
{
    Application* app = application.get();
    confirm.enter("menus/confirm/two.lua", "ignored");
    KaButtonLayout* root = confirm.gui().buttonLayout("confirm");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->parent(), &app->orientationLayoutFront());
    EXPECT_EQ(confirm.gui().layout("background")->ratioMode(), KaILayout::None);
    EXPECT_EQ(caption("confirmQuit"), "n:Quit?");
    EXPECT_EQ(caption("yesUpLayout"), "n:Yes");
    EXPECT_EQ(caption("yesDownLayout"), "d:Yes");
    EXPECT_EQ(caption("yesRollOverLayout"), "n:Yes");
    EXPECT_EQ(caption("noUpLayout"), "n:No");
    EXPECT_EQ(caption("noDownLayout"), "d:No");
    // The cursor is drawn above the dialog.
    KaLayout& front = app->orientationLayoutFront();
    EXPECT_EQ(front.child(front.childCount() - 1), &app->mouseCursor());
}

TEST_F(ConfirmTest, YesLetsTheClickOnNoEndsIt)
{
    // "yes" hands the validation on to the button's later listeners, "no"
    // keeps it; the dialog is modal either way (the game sees no click).
    struct Case {
        int x;
        const char* button;
        const char* answers;
    } cases[] = { { 80, "yes", "yes;later;" }, { 240, "no", "no;" } };
    for (const Case& c : cases) {
        answers.clear();
        confirm.enter("menus/confirm/two.lua", "");
        listenAfter(c.button);
        clickAt(c.x, 120);
        EXPECT_EQ(answers, c.answers);
        // Closed inside a capture-and-fade.
        EXPECT_EQ(confirm.gui().buttonLayout("confirm"), nullptr);
        EXPECT_TRUE(application.get()->isFading());
        wait();
    }
}

TEST_F(ConfirmTest, ANoticeHasOneButton)
{
    confirm.enter("menus/confirm/notice.lua", "");
    clickAt(240, 120);
    EXPECT_EQ(answers, "") << "nothing where the no button would be";
    EXPECT_NE(confirm.gui().buttonLayout("confirm"), nullptr);
    wait();
    clickAt(80, 120);
    EXPECT_EQ(answers, "yes;");
    EXPECT_EQ(confirm.gui().buttonLayout("confirm"), nullptr);
}

}

namespace {

// The sample game's own dialogs give the dialog everything it looks for.
TEST_F(ConfirmTest, SampleGameDialogsAreComplete)
{
    const char* source = std::getenv("KA_TEST_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    ASSERT_EQ(chdir((std::string(source) + "/content").c_str()), 0);
    struct Case {
        const char* key;
        bool withNo;
    } cases[] = { { "confirmNewGame", true }, { "confirmTuto", true }, { "confirmQuit", true },
        { "confirmSaveCorrupt", true }, { "confirmNotSound", false }, { "confirmLoadGame", true } };
    // The notice's caption in both languages.
    for (const char* language : { "en", "fr" })
        EXPECT_NE(readFile(std::string("texts/") + language + ".xml").find("name=\"noticeButton\" value=\"OK\""),
            std::string::npos)
            << language;
    for (const Case& c : cases) {
        KaCaptureStdout console;
        confirm.enter((std::string("menus/confirm/") + c.key + ".lua").c_str(), "");
        const std::string output = console.text();
        EXPECT_EQ(output.find("Unreconized"), std::string::npos) << c.key << output;
        KaLayout* text = confirm.gui().layout("text");
        ASSERT_NE(text, nullptr) << c.key;
        ASSERT_GT(text->childCount(), 0u) << c.key;
        EXPECT_EQ(std::string(text->child(0)->name().c_str()), c.key);
        EXPECT_NE(confirm.gui().layout("background"), nullptr) << c.key;
        EXPECT_NE(confirm.gui().buttonLayout("yes"), nullptr) << c.key;
        EXPECT_EQ(confirm.gui().buttonLayout("no") != nullptr, c.withNo) << c.key;
        // A notice acknowledges; a question is answered.
        const char* yes = c.withNo ? "Yes" : "OK";
        EXPECT_NE(caption("yesUpLayout").find(yes), std::string::npos) << c.key << ": " << caption("yesUpLayout");
        // Under the pointer the captions light up, as every button's do.
        EXPECT_NE(caption("yesRollOverLayout").find(yes), std::string::npos) << c.key;
        KaTextLayout* up = dynamic_cast<KaTextLayout*>(confirm.gui().textLayout("yesUpLayout"));
        KaTextLayout* over = dynamic_cast<KaTextLayout*>(confirm.gui().textLayout("yesRollOverLayout"));
        ASSERT_NE(up, nullptr);
        ASSERT_NE(over, nullptr);
        const KaColor rest = up->textBase().currentColor(0);
        const KaColor lit = over->textBase().currentColor(0);
        EXPECT_FALSE(rest.r == lit.r && rest.g == lit.g && rest.b == lit.b) << c.key;
        confirm.leave();
    }
}

}
