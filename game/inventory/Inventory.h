#ifndef INVENTORY_H
#define INVENTORY_H

#include <tinyxml.h>

#include "engine/containers/KaArray.h"
#include "engine/core/KaString.h"
#include "engine/core/KaTimer.h"
#include "engine/gui/KaLayout.h"
#include "engine/script/KaLuaGUI.h"

class Cellphone;
class InventoryObject;

// The objects the player carries, in fixed slots over pages, newest first;
// one of them may be selected (the object in hand). Owns the objects
// database and the phone.
class Inventory : public KaLayout {
public:
    Inventory();
    ~Inventory() override;

    void load();
    void unload();
    void enter();
    void leave();
    bool addObject(const KaString& id);
    bool addObject(InventoryObject& object);
    void removeObject(const KaString& id);
    void removeSelectedObject();
    void selectedObject(InventoryObject* object);
    void selectedObject(const KaString& id);
    KaString selectedObject();
    InventoryObject* selectedInventoryObject() { return mSelectedObject; }
    unsigned long objectCount(const KaString& id);
    KaString objectName(const KaString& id);
    KaString objectDescription(const KaString& id);
    bool isDocument(const KaString& id);
    void saveToBackup(TiXmlNode& parent);
    void loadFromBackup(TiXmlNode& inventoryElement);
    void pauseAnims();
    void unPauseAnims();
    void loadCellphone();

    bool onVisibleCellphone();
    bool onTakeObjectSelected();
    bool onZoomed();
    bool onQuitButton();
    bool onMainMenuButton();
    bool onObjectSelected(InventoryObject& object);

    KaLuaGUI& gui() { return mGui; }
    Cellphone* cellphone() const { return mCellphone; }
    const KaArray<InventoryObject*>& objects() const { return mObjects; }

private:
    KaLuaGUI mGui;
    InventoryObject* mSelectedObject;
    Cellphone* mCellphone;
    TiXmlDocument mObjectsDatabase;
    KaTimer mDoubleClickTimer;
    KaArray<InventoryObject*> mObjects;
};

#endif
