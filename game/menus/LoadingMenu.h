#ifndef LOADING_MENU_H
#define LOADING_MENU_H

#include "engine/containers/KaArray.h"
#include "engine/core/KaString.h"
#include "engine/gui/KaLayout.h"
#include "engine/maths/KaVector2s32.h"
#include "engine/script/KaLuaGUI.h"
#include "game/menus/Confirm.h"

class KaButtonLayout;

// The load-game screen: one button per save slot ("0.xml", "1.xml", ... in
// the save folder), each enabled only when its file is there; a click asks
// for confirmation and starts the game from that slot. A slot whose file
// does not read shows the corrupt-save notice instead. Dragging the pointer
// sideways slides the strip of slots and names the slot in front.
//
// Entered from the main menu, left back to it or into the game. Main thread
// only.
class LoadingMenu {
public:
    // One slot: the GUI's button of that number, laid over its slot layout.
    class SaveButton : public KaLayout {
    public:
        SaveButton(KaButtonLayout* button, const KaString& name);
        ~SaveButton() override;
        SaveButton(const SaveButton&) = delete;
        SaveButton& operator=(const SaveButton&) = delete;

        // "Backup/" + name + ".xml".
        KaString path() const;
        bool onLoadSave();

        KaButtonLayout* button;
        KaString name;
        KaString caption;
        // The file is there but the game would not load it: its caption says
        // so and a click offers a new game instead.
        bool unreadable = false;
    };

    LoadingMenu();
    ~LoadingMenu();
    LoadingMenu(const LoadingMenu&) = delete;
    LoadingMenu& operator=(const LoadingMenu&) = delete;

    void enter();
    void leave();
    // Asks to load the save file of that name ("1.xml").
    void loadGame(const KaString& file);

    bool onQuitButton();
    bool onReturnToMenuButton() { return false; }
    bool onLoadGameConfirmed();
    bool onMouseMove(unsigned int pointer);
    bool onMouseDown(unsigned int pointer);
    bool onMouseUp(unsigned int pointer);

    bool isEntered() const { return mGui.isLoaded(); }
    KaLuaGUI& gui() { return mGui; }
    Confirm& confirmation() { return mConfirmation; }
    const KaArray<SaveButton*>& saveButtons() const { return mSaveButtons; }
    unsigned int currentSlot() const { return mCurrentSlot; }
    const KaString& selectedSave() const { return mSelectedSave; }

private:
    // The caption of the current slot in "text", empty for a slot without a
    // save, the unreadable notice ("saveUnreadable") for a damaged one.
    void showCaption();
    void slide(float offset, unsigned int slot);
    void deleteSaveButtons();
    void disconnectPointer();

    KaLuaGUI mGui;
    Confirm mConfirmation;
    KaArray<SaveButton*> mSaveButtons;
    unsigned int mCurrentSlot;
    KaVector2s32 mSlideOrigin;
    KaString mSelectedSave;
    // A slide follows a drag: from the press, while the button is down.
    bool mPressed;
};

#endif
