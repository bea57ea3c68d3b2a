#include "game/inventory/InventoryObject.h"

#include <tinyxml.h>

#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaSpriteLayout.h"

InventoryObject::InventoryObject() { }

InventoryObject::~InventoryObject()
{
    unload();
    if (KaI3DObject2* slot = parent()) {
        slot->removeChild(this);
        setParent(nullptr);
    }
}

void InventoryObject::load(const KaString& id)
{
    setSizeType(Percent);
    setSize(KaVector3f32(1.0f, 1.0f, 1.0f));
    mGui.load("Inventory/InventoryObject.lua");
    if (KaLayout* root = mGui.layout("object"))
        addChild(root);
    mId = id;
    if (KaSpriteLayout* icon = mGui.spriteLayout("upLayout"))
        icon->load(spritePath());
    if (KaButtonLayout* button = mGui.buttonLayout("object")) {
        button->onMouseClickValidated.add(this, &InventoryObject::onButtonDown, 0.0f);
        // The inventory tells a double click from two selections itself: both
        // clicks must reach it.
        button->setDoubleValidationProtectionEnabled(false);
    }
}

void InventoryObject::unload()
{
    if (KaLayout* root = mGui.layout("object"))
        removeChild(root);
    mGui.unload();
}

bool InventoryObject::onButtonDown()
{
    mSelected.call(*this);
    return false;
}

KaString InventoryObject::spritePath() const { return KaString("Inventory/Objects/") + mId + ".png"; }

void InventoryObject::saveToBackup(TiXmlElement& slot)
{
    TiXmlElement* object = new TiXmlElement("Object");
    object->SetAttribute("id", mId.c_str());
    slot.LinkEndChild(object);
}

void InventoryObject::loadFromBackup(TiXmlElement& object)
{
    const char* id = object.Attribute("id");
    load(id ? KaString(id) : KaString());
}
