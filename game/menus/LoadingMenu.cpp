#include "game/menus/LoadingMenu.h"

#include <cfloat>

#include <tinyxml.h>

#include "engine/base/KaStd.h"
#include "engine/core/KaBackup.h"
#include "engine/core/KaBaseFile.h"
#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaITextLayout.h"
#include "engine/input/KaInputMgr.h"
#include "game/application/Application.h"

namespace {

const char* const menuFile = "menus/loadingMenu/loadingMenu.lua";

KaString number(unsigned long i)
{
    KaString text;
    text.format("%lu", i);
    return text;
}

// How far, as a share of the strip's width, the pointer must be dragged for
// the strip to move by one slot.
const float slideThreshold = 0.1f;
// How far the strip moves for one slot, in its parent's units.
const float slideStep = 0.3f;
// The drag is followed ahead of the buttons, which keep a press or a move
// over them to themselves: a drag that starts on a page must slide too. The
// handlers let every event go on.
const float pointerPriority = FLT_MAX;

}

// ---------------------------------------------------------------------------
// One slot

LoadingMenu::SaveButton::SaveButton(KaButtonLayout* slotButton, const KaString& slotName)
    : button(slotButton)
    , name(slotName)
{
    setSizeType(Percent);
    setSize(KaVector3f32(1.0f, 1.0f, 1.0f));
    KaBackup* backup = backupManager.get();
    const KaString file = name + ".xml";
    if (backup->exist(path())) {
        // The button stays enabled either way: a click on a save the game
        // would not load shows the corrupt-save notice.
        TiXmlDocument document;
        if (!backup->load(file, document))
            KaPrintf("LoadingMenu::SaveButton::SaveButton: Failed to load file \"%s\"\n", KaGetBackupPath(file).c_str());
        unreadable = application.get()->saveCorrupted(file);
    } else {
        button->setEnable(false);
    }
    addChild(button);
    button->onMouseClickValidated.add(this, &SaveButton::onLoadSave, 0.0f);
}

LoadingMenu::SaveButton::~SaveButton()
{
    // The button belongs to the menu's GUI and outlives this slot until the
    // GUI is unloaded.
    button->onMouseClickValidated.remove(this, &SaveButton::onLoadSave);
    removeChild(button);
}

KaString LoadingMenu::SaveButton::path() const { return KaString("Backup/") + name + ".xml"; }

bool LoadingMenu::SaveButton::onLoadSave()
{
    application.get()->loadingMenu().loadGame(name + ".xml");
    return false;
}

// ---------------------------------------------------------------------------
// The menu

LoadingMenu::LoadingMenu()
    : mCurrentSlot(0)
    , mSlideOrigin(0, 0)
    , mPressed(false)
{
    mConfirmation.onButtonYes.add(this, &LoadingMenu::onLoadGameConfirmed, 0.0f);
}

LoadingMenu::~LoadingMenu()
{
    deleteSaveButtons();
    if (inputMgr.exists())
        disconnectPointer();
}

void LoadingMenu::enter()
{
    Application* app = application.get();
    mGui.load(menuFile);
    if (KaLayout* menu = mGui.layout("menu"))
        app->layoutFront().addChild(menu);
    if (KaButtonLayout* quit = mGui.buttonLayout("quitButton"))
        quit->onMouseClickValidated.add(this, &LoadingMenu::onQuitButton, 0.0f);

    deleteSaveButtons();
    const LocFile& texts = app->locFile();
    for (unsigned long i = 0; KaButtonLayout* button = mGui.buttonLayout(number(i)); ++i) {
        SaveButton* slot = new SaveButton(button, number(i));
        if (const KaString* caption = texts.value(KaString("Save") + number(i)))
            slot->caption = *caption;
        mSaveButtons.pushBack(slot);
    }
    // A description may lay out more slots than it has buttons.
    for (unsigned long i = 0; i < mSaveButtons.size(); ++i) {
        KaLayout* place = mGui.layout(KaString("slot") + number(i));
        if (!place)
            break;
        place->addChild(mSaveButtons[i]);
    }

    KaInputMgr* input = inputMgr.get();
    disconnectPointer();
    input->onAnyMousePositionChanged().add(this, &LoadingMenu::onMouseMove, pointerPriority);
    input->onAnyMouseLeftDown().add(this, &LoadingMenu::onMouseDown, pointerPriority);
    input->onAnyMouseLeftUp().add(this, &LoadingMenu::onMouseUp, pointerPriority);
    mPressed = false;
    mCurrentSlot = 0;
    if (KaButtonLayout* back = mGui.buttonLayout("returnToMenu"))
        back->onMouseClickValidated.add(this, &LoadingMenu::onReturnToMenuButton, 0.0f);
    showCaption();
}

void LoadingMenu::leave()
{
    if (!mGui.isLoaded())
        return;
    Application* app = application.get();
    app->game().stopSound("sounds/Ambiances/b_automatebike.ogg");
    deleteSaveButtons();
    disconnectPointer();
    mPressed = false;
    if (KaLayout* menu = mGui.layout("menu"))
        app->layoutFront().removeChild(menu);
    mGui.unload();
}

void LoadingMenu::deleteSaveButtons()
{
    for (unsigned long i = 0; i < mSaveButtons.size(); ++i)
        delete mSaveButtons[i];
    mSaveButtons.clear();
}

void LoadingMenu::disconnectPointer()
{
    KaInputMgr* input = inputMgr.get();
    input->onAnyMousePositionChanged().remove(this, &LoadingMenu::onMouseMove, pointerPriority);
    input->onAnyMouseLeftDown().remove(this, &LoadingMenu::onMouseDown, pointerPriority);
    input->onAnyMouseLeftUp().remove(this, &LoadingMenu::onMouseUp, pointerPriority);
}

void LoadingMenu::showCaption()
{
    KaITextLayout* text = mGui.textLayout("text");
    if (!text)
        return;
    KaString caption;
    if (mCurrentSlot < mSaveButtons.size() && KaBaseFile::fileExist(mSaveButtons[mCurrentSlot]->path())) {
        const SaveButton& slot = *mSaveButtons[mCurrentSlot];
        const KaString* unreadable = application.get()->locFile().value("saveUnreadable");
        caption = slot.unreadable ? (unreadable ? *unreadable : KaString("saveUnreadable")) : slot.caption;
    }
    const KaVariant markup = mGui.value("textAttributs");
    text->setText(caption.length() && markup.isValid() ? markup.toString() + caption : caption);
    // An empty plate would read as a name box left blank.
    if (KaLayout* plate = mGui.layout("captionPlate"))
        plate->setVisible(caption.length() > 0);
}

void LoadingMenu::loadGame(const KaString& file)
{
    Application* app = application.get();
    mSelectedSave = file;
    app->captureFade();
    if (app->saveCorrupted(file))
        app->saveCorruptConfirm().enter("menus/confirm/confirmSaveCorrupt.lua", KaString());
    else
        mConfirmation.enter("menus/confirm/confirmLoadGame.lua", KaString());
    app->fade();
}

bool LoadingMenu::onLoadGameConfirmed()
{
    Application* app = application.get();
    app->captureFade();
    // Checked again, exactly as loading will check it, before anything is
    // deleted: the slot may have changed while the question was open, and a
    // refused slot must leave the running game and "Continue" as they were.
    if (app->saveCorrupted(mSelectedSave) || !backupManager.get()->exist(KaString("Backup/") + mSelectedSave)) {
        KaPrintf("[LoadingMenu] the slot \"%s\" is refused; the running game is kept\n", mSelectedSave.c_str());
        app->saveCorruptConfirm().enter("menus/confirm/confirmSaveCorrupt.lua", KaString());
        app->fade();
        return false;
    }
    leave();
    // A game loaded from a slot replaces the one in progress.
    backupManager.get()->del("Backup/save.xml");
    app->game().setBackupName(mSelectedSave);
    app->startGame(false, EApplicationDifficultyDefault);
    app->fade();
    return false;
}

bool LoadingMenu::onQuitButton()
{
    Application* app = application.get();
    app->captureFade();
    leave();
    app->enterMainMenu();
    app->fade();
    return true;
}

bool LoadingMenu::onMouseDown(unsigned int pointer)
{
    if (pointer != 0 || !mGui.isLoaded())
        return false;
    // A question over the pages is modal: a drag on it must not leaf the
    // strip to another page than the one the question is about.
    if (mConfirmation.isOpen() || application.get()->saveCorruptConfirm().isOpen())
        return false;
    mPressed = true;
    mSlideOrigin = inputMgr.get()->mousePosition(0);
    return false;
}

bool LoadingMenu::onMouseUp(unsigned int pointer)
{
    if (pointer == 0)
        mPressed = false;
    return false;
}

bool LoadingMenu::onMouseMove(unsigned int pointer)
{
    if (pointer != 0 || !mPressed)
        return false;
    KaLayout* slots = mGui.layout("slots");
    if (!slots || slots->xSize() <= 0.0f)
        return false;
    const KaVector2s32 at = inputMgr.get()->mousePosition(0);
    const float f = static_cast<float>(at.x - mSlideOrigin.x) / slots->xSize();
    if (f > slideThreshold && mCurrentSlot > 0) {
        mSlideOrigin = at;
        slide(slideStep, mCurrentSlot - 1);
    } else if (f < -slideThreshold && mCurrentSlot + 1 < mSaveButtons.size()) {
        mSlideOrigin = at;
        slide(-slideStep, mCurrentSlot + 1);
    }
    return false;
}

void LoadingMenu::slide(float offset, unsigned int slot)
{
    KaLayout* slots = mGui.layout("slots");
    if (KaLuaGUI::PositionAnimation* animation = mGui.layoutPositionLinearAnimation("slideAnimation")) {
        // A slide that comes before the last one has ended goes on from
        // where that one goes, so that the strip stays with the slot shown.
        const KaVector3f32 from = animation->isListed() && animation->mTarget == slots ? animation->mEndValue
                                                                                          : slots->userPosition();
        animation->mStartValue = from;
        animation->mEndValue = KaVector3f32(from.x + offset, from.y, from.z);
        animation->mTarget = slots;
        animation->mSetter = &KaI3DObject2::setPosition;
        animation->play();
    }
    mCurrentSlot = slot;
    showCaption();
}
