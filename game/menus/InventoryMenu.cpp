#include "game/menus/InventoryMenu.h"

InventoryMenu::InventoryMenu() { }
InventoryMenu::~InventoryMenu() { }
void InventoryMenu::load() { }
bool InventoryMenu::enter() { return false; }
void InventoryMenu::leave() { }
void InventoryMenu::unload() { }
bool InventoryMenu::isVisible() { return false; }
bool InventoryMenu::onQuitButton() { return false; }
bool InventoryMenu::onMainMenuButton() { return false; }
bool InventoryMenu::onDocumentsButton() { return false; }
bool InventoryMenu::onInventoryButton() { return false; }
