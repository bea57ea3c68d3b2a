// The script functions for dialogs, answers, objectives and the player's
// belongings.

#include "engine/base/KaStd.h"
#include "engine/script/LocFile.h"
#include "game/api/ExportedFunctions.h"
#include "game/api/ExportedFunctionsGame.h"
#include "game/application/Application.h"
#include "game/inventory/Cellphone.h"

using namespace ExportedFunctionsGame;

void LaunchDialog(
    const KaString& key, unsigned int count, const KaString& character, const KaString& animation, float blend)
{
    if (!game().launchDialog(key, count, character, animation, blend)) {
        KaPrintf("[LaunchDialog] Dialog \"%s\" doesn't exist.\n", key.c_str());
        // Lines that were not queued are not told: a script waiting for the
        // dialog goes on, unless some were and the dialog still ends.
        if (!game().dialog().isDialogPlaying())
            abandonStartingWait("OnDialogFinished", key);
    }
}

void PushAnswer(const KaString& id, const KaString& gui)
{
    const KaString* text = application.get()->locFile().value(id);
    game().question().pushAnswer(id, text ? *text : KaString(), gui);
}

void HideAnswers() { game().question().leave(); }

void PushTask(const KaString& task, const KaString& subtask) { game().objectif().pushObjectif(task, subtask); }

void DeleteTask(const KaString& task, const KaString& subtask) { game().objectif().deleteObjectif(task, subtask); }

void SetVisibleButtonHelp(bool visible) { game().objectif().setVisibleButtonHelp(visible); }

void HideTasks() { game().objectif().leave(); }

bool Selected(const KaString& name) { return game().inventory().selectedObject() == name; }

void TakeObject(const KaString& name)
{
    if (name.length())
        game().addToBag(name);
}

void TakeObjectInHand(const KaString& name)
{
    if (name.length())
        game().addToHand(name);
}

void RemoveObject(const KaString& name) { game().inventory().removeObject(name); }

void RemoveObject() { game().inventory().removeSelectedObject(); }

void AddNumber(const KaString& name)
{
    Cellphone* phone = game().inventory().cellphone();
    if (phone && !phone->addNumber(name))
        KaPrintf("[AddNumber] Number \"%s\" already exist.\n", name.c_str());
}

void SetVisibleCellphone(bool visible)
{
    if (Cellphone* phone = game().inventory().cellphone())
        phone->setVisible(visible);
}

void ShowDocument(const KaString& name) { game().documentsBrowser().showDocument(name, 0); }

void HideDocument() { game().documentsBrowser().hideDocument(); }

void AddDocument(const KaString& name)
{
    game().documentsBrowser().addDocument(name);
    TakeObject(name);
}
