#include "tests/game/ApplicationTestFixture.h"

#include <cstdio>
#include <memory>

#include "engine/gui/KaSpriteLayout.h"
#include "game/panels/Question2.h"

namespace {

// The notepad spans the whole screen, so an answer's place in it is its
// place on the 320 x 240 window.
const char* kAnswerGui = "KaButtonLayout{ name = \"background\", sizeType = Percent, size = {1, 1, 1},"
                         " KaSpriteLayout{ name = \"Calepin\", sizeType = Percent, size = {1, 1, 1} } }\n";
const char* kAnswer = "KaButtonLayout{ name = \"answer\", upLayout = KaLayout{ name = \"up\" },"
                      " downLayout = KaLayout{ name = \"down\" } }\n";

class Question2Test : public ApplicationFrameTest {
protected:
    void SetUp() override
    {
        ApplicationFrameTest::SetUp();
        // No splash screens: their fades would block the clicks.
        std::remove(content.file("menus/splashes/splash0.lua").c_str());
        std::remove(content.file("menus/splashes/splash1.lua").c_str());
        content.write("menus/answer.lua", kAnswerGui);
        content.write("menus/answers/plain.lua", kAnswer);
        content.write("menus/answers/Cal_FIN.lua", kAnswer);
        content.write("menus/answers/broken.lua", "KaButtonLayout{ name = \"notAnAnswer\" }\n");
        start();
        // Past the half second in which buttons refuse clicks.
        for (int i = 0; i < 40; ++i)
            frame();
        question.reset(new Question2);
        question->load();
        application.get()->layoutFront().addChild(question.get());
        question->onAnswered.add(this, &Question2Test::onAnswered, 0.0f);
    }
    void TearDown() override
    {
        application.get()->layoutFront().removeChild(question.get());
        question.reset();
        ApplicationFrameTest::TearDown();
    }

    void push(const char* id, const char* file)
    {
        KaCaptureStdout console;
        question->pushAnswer(id, "unused", file);
        log += console.text();
    }
    bool onAnswered(const KaString& id)
    {
        answered += std::string(id.c_str()) + ";";
        for (const std::string& file : pushedInReply)
            push("reply", file.c_str());
        return false;
    }
    void clickAt(float x, float y)
    {
        inputMgr.get()->setMouseRawPosition(KaVector2s32(static_cast<int>(x * 320), static_cast<int>(y * 240)), 0);
        inputMgr.get()->setMouseLeft(true, 0);
        inputMgr.get()->setMouseLeft(false, 0);
    }
    bool choiceShown()
    {
        KaLayout* background = question->gui().layout("background");
        return background && background->visible();
    }

    std::unique_ptr<Question2> question;
    std::string answered;
    std::vector<std::string> pushedInReply;
};

TEST_F(Question2Test, AnswersAreStackedOnTheNotepadInPushOrder)
{
    EXPECT_EQ(std::string(question->name().c_str()), "dialog2");
    KaLayout* background = question->gui().layout("background");
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(background->parent(), question.get());
    EXPECT_FALSE(choiceShown());

    struct Case {
        const char* id;
        const char* file;
        float x, y, width;
    } cases[] = {
        { "one", "menus/answers/plain.lua", 0.3f, 0.14f, 0.45f },
        { "two", "menus/answers/plain.lua", 0.3f, 0.22f, 0.45f },
        // The answer that ends the conversation: narrower, further left.
        { "bye", "menus/answers/Cal_FIN.lua", 0.15f, 0.30f, 0.15f },
        { "three", "menus/answers/plain.lua", 0.3f, 0.38f, 0.45f },
    };
    for (const Case& c : cases)
        push(c.id, c.file);
    EXPECT_TRUE(choiceShown());
    KaSpriteLayout* calepin = question->gui().spriteLayout("Calepin");
    ASSERT_EQ(question->answers().size(), 4u);
    for (unsigned long i = 0; i < 4; ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.id);
        Question2::Answer* answer = question->answers()[i];
        EXPECT_EQ(std::string(answer->id().c_str()), c.id);
        KaButtonLayout* button = answer->gui().buttonLayout("answer");
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->parent(), calepin);
        EXPECT_EQ(button->state(), KaButtonLayout::Up);
        EXPECT_EQ(button->sizeType(), KaILayout::Percent);
        EXPECT_EQ(button->positionType(), KaILayout::Percent);
        EXPECT_NEAR(button->userPosition().x, c.x, 1e-5);
        EXPECT_NEAR(button->userPosition().y, c.y, 1e-5);
        EXPECT_NEAR(button->userSize().x, c.width, 1e-5);
        EXPECT_NEAR(button->userSize().y, 0.065f, 1e-5);
        EXPECT_NEAR(button->size().x, c.width * 320, 0.01);
        for (KaLayout* state : { button->upLayout(), button->downLayout() }) {
            ASSERT_NE(state, nullptr);
            EXPECT_EQ(state->sizeType(), KaILayout::Percent);
            EXPECT_EQ(state->userSize().x, 1.0f);
            EXPECT_EQ(state->userSize().y, 1.0f);
        }
    }
}

TEST_F(Question2Test, AClickReportsTheAnswerAndClosesTheChoice)
{
    push("one", "menus/answers/plain.lua");
    push("two", "menus/answers/plain.lua");
    push("bye", "menus/answers/Cal_FIN.lua");
    KaLayout* second = question->answers()[1]->layout();
    // Between the first and the last answer, on the second one.
    clickAt(0.4f, 0.22f);
    EXPECT_EQ(answered, "two;");
    EXPECT_EQ(question->answers().size(), 0u);
    EXPECT_FALSE(choiceShown());
    EXPECT_FALSE(second->visible());
    // Released at the end of the frame, not within the click.
    frame();
    EXPECT_EQ(log.find("No \"answer\""), std::string::npos) << log;
}

TEST_F(Question2Test, AnswersPushedInReplyMakeTheNextChoice)
{
    push("one", "menus/answers/plain.lua");
    push("bye", "menus/answers/Cal_FIN.lua");
    pushedInReply = { "menus/answers/plain.lua", "menus/answers/Cal_FIN.lua" };
    clickAt(0.15f, 0.22f);
    EXPECT_EQ(answered, "bye;");
    ASSERT_EQ(question->answers().size(), 2u);
    EXPECT_TRUE(choiceShown());
    // Stacked from the top again.
    EXPECT_NEAR(question->answers()[0]->layout()->userPosition().y, 0.14f, 1e-5);
    EXPECT_NEAR(question->answers()[1]->layout()->userPosition().y, 0.22f, 1e-5);
    frame();
    EXPECT_TRUE(question->answers()[0]->layout()->visible());

    // And they answer in turn, once the buttons take clicks again.
    pushedInReply.clear();
    for (int i = 0; i < 40; ++i)
        frame();
    clickAt(0.4f, 0.14f);
    EXPECT_EQ(answered, "bye;reply;");
    EXPECT_FALSE(choiceShown());
}

TEST_F(Question2Test, AFileWithoutAnAnswerIsDropped)
{
    push("lost", "menus/answers/broken.lua");
    push("missing", "menus/answers/nowhere.lua");
    EXPECT_NE(log.find("[Question2::pushAnswer] No \"answer\" layout in \"menus/answers/broken.lua\" for the answer"
                       " \"lost\"\n"),
        std::string::npos)
        << log;
    EXPECT_NE(log.find("\"menus/answers/nowhere.lua\" for the answer \"missing\""), std::string::npos) << log;
    EXPECT_EQ(question->answers().size(), 0u);
    EXPECT_FALSE(choiceShown());
    // The next answer is the first.
    push("one", "menus/answers/plain.lua");
    ASSERT_EQ(question->answers().size(), 1u);
    EXPECT_NEAR(question->answers()[0]->layout()->userPosition().y, 0.14f, 1e-5);
}

TEST_F(Question2Test, LeavingAndUnloading)
{
    // Without its description the choice still takes and releases answers.
    Question2 bare;
    bare.leave();
    bare.pushAnswer("one", "", "menus/answers/plain.lua");
    EXPECT_EQ(bare.answers().size(), 1u);
    bare.leave();
    EXPECT_EQ(bare.answers().size(), 0u);

    push("one", "menus/answers/plain.lua");
    KaLayout* answer = question->answers()[0]->layout();
    question->leave();
    EXPECT_FALSE(choiceShown());
    EXPECT_EQ(answer->parent(), nullptr);
    EXPECT_EQ(answered, "") << "closing is not answering";

    push("two", "menus/answers/plain.lua");
    question->unload();
    EXPECT_EQ(question->answers().size(), 0u);
    EXPECT_EQ(question->gui().layout("background"), nullptr);
    EXPECT_EQ(question->childCount(), 0u);
    question->load();
    push("three", "menus/answers/plain.lua");
    EXPECT_TRUE(choiceShown());
}

}
