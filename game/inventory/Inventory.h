#ifndef INVENTORY_H
#define INVENTORY_H

#include <tinyxml.h>

#include "engine/containers/KaArray.h"
#include "engine/containers/KaSignal.h"
#include "engine/core/KaString.h"
#include "engine/core/KaTimer.h"
#include "engine/gui/KaLayout.h"
#include "engine/script/KaLuaGUI.h"

class Cellphone;
class InventoryObject;

// The objects the player carries, in fixed slots over pages, newest first;
// one of them may be selected (the object in hand). Owns the objects
// database, the objects and the phone.
//
// The objects array and the slots always agree: object k of the array sits
// in the k-th slot counted page by page. An object that finds no free slot
// is refused and changes nothing.
class Inventory : public KaLayout {
public:
    Inventory();
    ~Inventory() override;

    void load();
    void unload();
    void enter();
    void leave();
    // False when the inventory is full; the refused object is deleted.
    bool addObject(const KaString& id);
    // False when the inventory is full: the object is then neither in the
    // array nor in a slot, and stays the caller's.
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

    // Emitted with the selected object's identifier when the inventory is
    // left with a selection and the game hands it to the scene script.
    KaSignal1Param<const KaString&> onHandedToScene;

private:
    // The player and the scene's characters, with their models' animations.
    void setCharactersPaused(bool paused);
    KaLayout* page(unsigned long index) const;
    KaLayout* slot(unsigned long page, unsigned long index) const;
    // Every slot layout, page by page, slot by slot.
    KaArray<KaLayout*> slots() const;
    // The first object of that identifier held in a slot.
    InventoryObject* slottedObject(const KaString& id) const;
    // Takes every object out of its slot, then puts object k of the array
    // into the k-th slot.
    void layOutObjects();
    void rebuildLabels();
    // Deletes every object, the ones in slots and the others, and forgets
    // them with the selection.
    void releaseObjects();
    void releaseObject(InventoryObject* object);
    // The attribute of the first top-level "Object" whose "id" is exactly id
    // and that has it.
    KaString databaseAttribute(const KaString& id, const char* attribute) const;
    void raiseSelectedObject(const KaString& id);
    void showLayout(const char* name, bool visible);

    KaLuaGUI mGui;
    InventoryObject* mSelectedObject;
    Cellphone* mCellphone;
    TiXmlDocument mObjectsDatabase;
    KaTimer mDoubleClickTimer;
    KaArray<InventoryObject*> mObjects;
};

#endif
