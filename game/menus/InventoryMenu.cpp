#include "game/menus/InventoryMenu.h"

#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaSpriteLayout.h"
#include "game/application/Application.h"

namespace {

Game& game() { return application.get()->game(); }

}

InventoryMenu::InventoryMenu() { }

InventoryMenu::~InventoryMenu() { }

void InventoryMenu::load()
{
    setName("inventoryMenu");
    setSizeType(Percent);
    setSize(KaVector3f32(1.0f, 1.0f, userSize().z));
    mGui.load("InventoryMenu/InventoryMenu.lua");
    KaLayout* root = mGui.layout("inventoryMenu");
    if (root)
        addChild(root);
    connect("quitButton", &InventoryMenu::onQuitButton);
    connect("quitBackground", &InventoryMenu::onQuitButton);
    connect("mainMenuButton", &InventoryMenu::onMainMenuButton);
    connect("documentsButton", &InventoryMenu::onDocumentsButton);
    connect("inventoryButton", &InventoryMenu::onInventoryButton);
    if (root)
        root->setVisible(false);
}

void InventoryMenu::connect(const char* button, bool (InventoryMenu::*handler)())
{
    if (KaButtonLayout* layout = mGui.buttonLayout(button))
        layout->onMouseClickValidated.add(this, handler, 0.0f);
}

void InventoryMenu::enable(const char* button, bool enabled)
{
    if (KaButtonLayout* layout = mGui.buttonLayout(button))
        layout->setEnable(enabled);
}

bool InventoryMenu::enter()
{
    application.get()->mouseCursor().load("pictures/cursor.png");
    if (KaLayout* root = mGui.layout("inventoryMenu"))
        root->setVisible(true);
    return onInventoryButton();
}

void InventoryMenu::leave()
{
    game().inventory().leave();
    game().documentsBrowser().leave();
    if (KaLayout* root = mGui.layout("inventoryMenu"))
        root->setVisible(false);
}

void InventoryMenu::unload()
{
    leave();
    mGui.unload();
}

bool InventoryMenu::isVisible()
{
    KaLayout* root = mGui.layout("inventoryMenu");
    return root && root->visible();
}

bool InventoryMenu::onQuitButton()
{
    leave();
    return false;
}

bool InventoryMenu::onMainMenuButton()
{
    // The application leaves the game at the end of the frame.
    Application* app = application.get();
    app->captureFade();
    game().setRequestMainMenu(true);
    app->fade();
    return false;
}

bool InventoryMenu::onDocumentsButton()
{
    enable("mainMenuButton", true);
    enable("documentsButton", false);
    enable("inventoryButton", true);
    game().inventory().leave();
    game().documentsBrowser().enter();
    return false;
}

bool InventoryMenu::onInventoryButton()
{
    enable("mainMenuButton", true);
    enable("documentsButton", true);
    enable("inventoryButton", false);
    game().inventory().enter();
    game().documentsBrowser().leave();
    return false;
}
