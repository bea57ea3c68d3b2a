#ifndef INVENTORY_OBJECT_H
#define INVENTORY_OBJECT_H

#include "engine/containers/KaSignal.h"
#include "engine/core/KaString.h"
#include "engine/gui/KaLayout.h"
#include "engine/script/KaLuaGUI.h"

class TiXmlElement;

// One object of the inventory as a widget: its icon on a button, the click
// reported through onSelected. It knows only its identifier; the inventory
// places, selects, saves and deletes it. Deleting it also takes it out of
// the slot that holds it.
class InventoryObject : public KaLayout {
public:
    InventoryObject();
    ~InventoryObject() override;

    // Loads "Inventory/InventoryObject.lua" and the icon of that identifier.
    void load(const KaString& id);
    void unload();
    bool onButtonDown();
    // "Inventory/Objects/" + id + ".png".
    KaString spritePath() const;
    const KaString& id() const { return mId; }

    // An "Object" element with the identifier, appended to slot.
    void saveToBackup(TiXmlElement& slot);
    // Loads from the element's "id" (empty when it has none).
    void loadFromBackup(TiXmlElement& object);

    KaLuaGUI& gui() { return mGui; }
    KaSignal1Param<InventoryObject&>& onSelected() { return mSelected; }

private:
    KaString mId;
    KaLuaGUI mGui;
    KaSignal1Param<InventoryObject&> mSelected;
};

#endif
