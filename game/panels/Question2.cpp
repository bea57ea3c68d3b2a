#include "game/panels/Question2.h"

#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaSpriteLayout.h"
#include "game/application/Application.h"

void Question2::Answer::load(const KaString& id, const KaString&, const KaString& file)
{
    mId = id;
    mGui.load(file);
    if (KaButtonLayout* button = mGui.buttonLayout("answer"))
        button->onMouseClickValidated.add(this, &Answer::onButtonValidated, 0.0f);
}

KaLayout* Question2::Answer::layout() { return mGui.layout("answer"); }

void Question2::Answer::unload() { mGui.unload(); }

bool Question2::Answer::onButtonValidated()
{
    onValidated.call(*this);
    return false;
}

Question2::Question2() { }

Question2::~Question2()
{
    leave();
    mGui.unload();
}

void Question2::load()
{
    setName("dialog2");
    setSizeType(Percent);
    setSize(KaVector3f32(1.0f, 1.0f, userSize().z));
    mGui.load("menus/answer.lua");
    if (KaLayout* background = mGui.layout("background")) {
        addChild(background);
        background->setVisible(false);
    }
}

void Question2::unload()
{
    leave();
    if (KaLayout* background = mGui.layout("background")) {
        if (background->parent() == this)
            removeChild(background);
    }
    mGui.unload();
}

void Question2::pushAnswer(const KaString& id, const KaString& text, const KaString& file)
{
    Answer* answer = new Answer();
    answer->load(id, text, file);
    KaButtonLayout* button = answer->gui().buttonLayout("answer");
    if (!button) {
        // Nothing to click: kept, it would only wait to be released.
        KaPrintf("[Question2::pushAnswer] No \"answer\" layout in \"%s\" for the answer \"%s\"\n", file.c_str(),
            id.c_str());
        answer->unload();
        answer->deleteLater();
        return;
    }
    answer->onValidated.add(this, &Question2::onAnswerValidated, 0.0f);
    button->setState(KaButtonLayout::Up);
    mAnswers.pushBack(answer);
    const float n = static_cast<float>(mAnswers.size());

    button->setSizeType(Percent);
    button->setPositionType(Percent);
    const float y = n * 0.08f + 0.06f;
    // The answer that ends the conversation sits apart, small, on the left.
    if (file.contains("Cal_FIN.lua")) {
        button->setSize(KaVector3f32(0.15f, 0.065f, 1.0f));
        button->setPosition(KaVector3f32(0.15f, y, 1.0f));
    } else {
        button->setSize(KaVector3f32(0.45f, 0.065f, 1.0f));
        button->setPosition(KaVector3f32(0.3f, y, 1.0f));
    }
    for (KaLayout* state : { button->upLayout(), button->downLayout() }) {
        if (state) {
            state->setSizeType(Percent);
            state->setSize(KaVector3f32(1.0f, 1.0f, 1.0f));
        }
    }
    if (KaSpriteLayout* calepin = mGui.spriteLayout("Calepin"))
        calepin->addChild(button);
    enter();
}

bool Question2::enter()
{
    if (KaLayout* background = mGui.layout("background"))
        background->setVisible(true);
    hideMarkers(true);
    return true;
}

void Question2::leave()
{
    if (KaLayout* background = mGui.layout("background"))
        background->setVisible(false);
    KaSpriteLayout* calepin = mGui.spriteLayout("Calepin");
    for (unsigned long i = 0; i < mAnswers.size(); ++i) {
        Answer* answer = mAnswers[i];
        KaLayout* button = answer->layout();
        if (calepin && button && button->parent() == calepin)
            calepin->removeChild(button);
        answer->unload();
        // The click that ends the choice comes from one of them.
        answer->deleteLater();
    }
    mAnswers.clear();
}

bool Question2::onAnswerValidated(Answer& answer)
{
    // The choice is closed before the game hears of it, so that answers the
    // script pushes in reply make the next choice instead of being swept away.
    const KaString id = answer.id();
    hideMarkers(false);
    leave();
    onAnswered.call(id);
    return false;
}

void Question2::hideMarkers(bool hide) { application.get()->game().showMarkers(hide); }
