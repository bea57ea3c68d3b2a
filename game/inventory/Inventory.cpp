#include "game/inventory/Inventory.h"

Inventory::Inventory() : mSelectedObject(nullptr), mCellphone(nullptr) { }
Inventory::~Inventory() { }
void Inventory::load() { }
void Inventory::unload() { }
void Inventory::enter() { }
void Inventory::leave() { }
bool Inventory::addObject(const KaString&) { return false; }
bool Inventory::addObject(InventoryObject&) { return false; }
void Inventory::removeObject(const KaString&) { }
void Inventory::removeSelectedObject() { }
void Inventory::selectedObject(InventoryObject*) { }
void Inventory::selectedObject(const KaString&) { }
KaString Inventory::selectedObject() { return KaString(); }
unsigned long Inventory::objectCount(const KaString&) { return 0; }
KaString Inventory::objectName(const KaString&) { return KaString(); }
KaString Inventory::objectDescription(const KaString&) { return KaString(); }
bool Inventory::isDocument(const KaString&) { return false; }
void Inventory::saveToBackup(TiXmlNode&) { }
void Inventory::loadFromBackup(TiXmlNode&) { }
void Inventory::pauseAnims() { }
void Inventory::unPauseAnims() { }
void Inventory::loadCellphone() { }
bool Inventory::onVisibleCellphone() { return false; }
bool Inventory::onTakeObjectSelected() { return false; }
bool Inventory::onZoomed() { return false; }
bool Inventory::onQuitButton() { return true; }
bool Inventory::onMainMenuButton() { return true; }
bool Inventory::onObjectSelected(InventoryObject&) { return false; }
