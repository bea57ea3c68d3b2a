#ifndef INVENTORY_MENU_H
#define INVENTORY_MENU_H

#include "engine/gui/KaLayout.h"
#include "engine/script/KaLuaGUI.h"

// The in-game menu bar over the inventory and the documents: two tabs, a way
// back to the scene and one to the main menu. Opening it always shows the
// inventory tab; leaving the inventory tab hands the selected object to the
// scene script.
class InventoryMenu : public KaLayout {
public:
    InventoryMenu();
    ~InventoryMenu() override;

    void load();
    bool enter();
    void leave();
    void unload();
    bool isVisible();
    bool onSaveButton() { return false; }
    bool onQuitButton();
    bool onMainMenuButton();
    bool onDocumentsButton();
    bool onInventoryButton();

    KaLuaGUI& gui() { return mGui; }

private:
    void connect(const char* button, bool (InventoryMenu::*handler)());
    void enable(const char* button, bool enabled);

    KaLuaGUI mGui;
};

#endif
