#ifndef QUESTION2_H
#define QUESTION2_H

#include "engine/containers/KaArray.h"
#include "engine/containers/KaSignal.h"
#include "engine/core/KaObject.h"
#include "engine/core/KaString.h"
#include "engine/gui/KaLayout.h"
#include "engine/script/KaLuaGUI.h"

// The answer choices: each answer is a small GUI file of its own hung on the
// notepad; choosing one reports its id and closes the choice.
class Question2 : public KaLayout {
public:
    class Answer : public KaObject {
    public:
        void load(const KaString& id, const KaString& text, const KaString& file);
        KaLayout* layout();
        void unload();
        bool onButtonValidated();

        const KaString& id() const { return mId; }
        KaLuaGUI& gui() { return mGui; }
        KaSignal1Param<Answer&> onValidated;

    private:
        KaLuaGUI mGui;
        KaString mId;
    };

    Question2();
    ~Question2() override;

    void load();
    void unload();
    void pushAnswer(const KaString& id, const KaString& text, const KaString& file);
    bool enter();
    void leave();
    bool onAnswerValidated(Answer& answer);

    KaLuaGUI& gui() { return mGui; }
    const KaArray<Answer*>& answers() const { return mAnswers; }

    KaSignal1Param<const KaString&> onAnswered;

private:
    // The game's side: the scene's markers.
    void hideMarkers(bool hide);

    KaArray<Answer*> mAnswers;
    KaLuaGUI mGui;
};

#endif
