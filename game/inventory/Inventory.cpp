#include "game/inventory/Inventory.h"

#include "engine/base/KaStd.h"
#include "engine/core/KaBaseFile.h"
#include "engine/core/KaCore.h"
#include "engine/core/KaXMLLoad.h"
#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaITextLayout.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/gui/KaTextLayout.h"
#include "engine/scene/KaModelAnimation.h"
#include "game/application/Application.h"
#include "game/characters/Character.h"
#include "game/inventory/Cellphone.h"
#include "game/inventory/InventoryObject.h"

namespace {

Game& game() { return application.get()->game(); }

// Two selections closer than this take the object in hand.
const double doubleClickMicroseconds = 300000.0;

KaString pageName(unsigned long page)
{
    KaString name;
    name.format("page%lu", page);
    return name;
}

}

Inventory::Inventory()
    : mSelectedObject(nullptr)
    , mCellphone(nullptr)
{
}

Inventory::~Inventory()
{
    // Nothing is being clicked any more: each object leaves its slot as it
    // goes, while the slots still exist.
    for (InventoryObject* object : mObjects)
        delete object;
    if (KaLayout* labels = mGui.layout("textObject")) {
        while (labels->childCount() > 0)
            delete labels->child(labels->childCount() - 1);
    }
    delete mCellphone;
}

KaLayout* Inventory::page(unsigned long index) const { return mGui.layout(pageName(index)); }

KaLayout* Inventory::slot(unsigned long page, unsigned long index) const
{
    KaString name;
    name.format("page%luSlot%lu", page, index);
    return mGui.layout(name);
}

KaArray<KaLayout*> Inventory::slots() const
{
    KaArray<KaLayout*> all;
    for (unsigned long i = 0; page(i); ++i) {
        for (unsigned long j = 0; KaLayout* layout = slot(i, j); ++j)
            all.pushBack(layout);
    }
    return all;
}

InventoryObject* Inventory::slottedObject(const KaString& id) const
{
    for (KaLayout* layout : slots()) {
        for (unsigned long k = 0; k < layout->childCount(); ++k) {
            InventoryObject* object = dynamic_cast<InventoryObject*>(layout->child(k));
            if (object && object->id() == id)
                return object;
        }
    }
    return nullptr;
}

void Inventory::showLayout(const char* name, bool visible)
{
    if (KaLayout* layout = mGui.layout(name))
        layout->setVisible(visible);
}

void Inventory::load()
{
    setName("inventory");
    setSizeType(Percent);
    setSize(KaVector3f32(1.0f, 1.0f, userSize().z));

    // A second load without an unload starts from an empty inventory too.
    releaseObjects();
    mGui.load("Inventory/Inventory.lua");
    if (KaLayout* root = mGui.layout("inventory"))
        addChild(root);

    if (KaButtonLayout* button = mGui.buttonLayout("cellphone"))
        button->onMouseClickValidated.add(this, &Inventory::onVisibleCellphone, 0.0f);
    if (KaButtonLayout* button = mGui.buttonLayout("prendre"))
        button->onMouseClickValidated.add(this, &Inventory::onTakeObjectSelected, 0.0f);
    if (KaButtonLayout* button = mGui.buttonLayout("lire"))
        button->onMouseClickValidated.add(this, &Inventory::onZoomed, 0.0f);
    if (KaButtonLayout* button = mGui.buttonLayout("quitButton")) {
        button->setVisible(true);
        button->onMouseClickValidated.add(this, &Inventory::onQuitButton, 0.0f);
    }
    if (KaButtonLayout* button = mGui.buttonLayout("quitBackground"))
        button->onMouseClickValidated.add(this, &Inventory::onQuitButton, 0.0f);
    showLayout("prendre", false);
    if (KaButtonLayout* button = mGui.buttonLayout("mainMenuButton")) {
        button->setVisible(true);
        button->onMouseClickValidated.add(this, &Inventory::onMainMenuButton, 0.0f);
    }

    mSelectedObject = nullptr;
    loadCellphone();

    KaPath file("Inventory/Objects/Objects_" + core.get()->language() + ".xml");
    if (!KaBaseFile::fileExist(file)) {
        file = "Inventory/Objects/Objects.xml";
        if (!KaBaseFile::fileExist(file))
            file = "Inventory/Objects/Objects_en.xml";
    }
    mObjectsDatabase.Clear();
    if (!KaXMLLoad(KaBaseFile::getRealPath(file, KaPath()), mObjectsDatabase, "[Inventory::Load]"))
        mObjectsDatabase.Clear();
    KaXMLFreeBuffer();

    // Without its database the screen still starts hidden: objects then
    // have no names, but the game stays playable.
    showLayout("selectionSprite", false);
    showLayout("prendre", false);
    if (KaButtonLayout* read = mGui.buttonLayout("lire"))
        read->setEnable(false);
    setVisible(false);
}

void Inventory::unload()
{
    releaseObjects();
    rebuildLabels();
    mGui.unload();
}

void Inventory::enter()
{
    setVisible(true);
    if (Character* player = game().scene3D().player()) {
        // A walk cut short here still ends as a walk: a script waiting for
        // its end hears of it instead of waiting for ever.
        if (player->isRunning() && player->curve())
            player->endMove();
        player->stop();
        player->setAnimation(KaString(player->settings().walk.animationFileName.c_str()), true, false, false, -1, 9999);
    }
    showLayout("textObject", false);
    if (!game().firstInInventory())
        showLayout("Aide", false);
    else
        game().setFirstInInventory(false);
    if (mSelectedObject)
        selectedObject(mSelectedObject);
}

void Inventory::leave()
{
    setVisible(false);
    if (mSelectedObject && !game().left())
        raiseSelectedObject(mSelectedObject->id());
}

void Inventory::raiseSelectedObject(const KaString& id)
{
    // A copy: a handler may drop the selection, and the id with it.
    const KaString handed(id);
    onHandedToScene.call(handed);
    game().raiseSelectedObject(handed);
}

bool Inventory::addObject(const KaString& id)
{
    InventoryObject* object = new InventoryObject;
    object->load(id);
    if (addObject(*object))
        return true;
    delete object;
    return false;
}

bool Inventory::addObject(InventoryObject& object)
{
    // Full: the new object would push the oldest one out of every slot.
    if (mObjects.size() >= slots().size())
        return false;
    mObjects.pushFront(&object);
    object.onSelected().add(this, &Inventory::onObjectSelected, 0.0f);
    layOutObjects();
    rebuildLabels();
    return true;
}

void Inventory::layOutObjects()
{
    const KaArray<KaLayout*> all = slots();
    for (KaLayout* layout : all) {
        for (unsigned long k = layout->childCount(); k-- > 0;) {
            if (InventoryObject* object = dynamic_cast<InventoryObject*>(layout->child(k)))
                layout->removeChild(object);
        }
    }
    for (unsigned long k = 0; k < mObjects.size() && k < all.size(); ++k)
        all[k]->addChild(mObjects[k]);
}

void Inventory::rebuildLabels()
{
    KaLayout* parent = mGui.layout("textObject");
    if (!parent)
        return;
    // The labels are ours, not the GUI's.
    while (parent->childCount() > 0) {
        KaI3DObject2* label = parent->child(parent->childCount() - 1);
        parent->removeChild(label);
        if (KaObject* object = dynamic_cast<KaObject*>(label))
            object->deleteLater();
    }
    const KaString markup = mGui.value("textAttributs").toString();
    for (InventoryObject* object : mObjects) {
        KaTextLayout* label = new KaTextLayout;
        label->setSizeType(Percent);
        label->setPosition(KaVector3f32(1.0f, 1.0f, 0.0f));
        label->setSize(KaVector3f32(1.0f, 1.0f, 0.0f));
        label->setTextSizeType(KaITextLayout::Proportional);
        label->setTextSizeProportionalToWidth(200);
        label->setText(markup + objectName(object->id()));
        label->setName(object->id());
        label->setVisible(false);
        parent->addChild(label);
    }
}

void Inventory::removeObject(const KaString& id)
{
    InventoryObject* object = slottedObject(id);
    if (!object)
        return;
    if (object == mSelectedObject)
        selectedObject(static_cast<InventoryObject*>(nullptr));
    mObjects.remove(object);
    releaseObject(object);
    layOutObjects();
}

void Inventory::removeSelectedObject()
{
    if (!mSelectedObject)
        return;
    removeObject(KaString(mSelectedObject->id()));
    selectedObject(static_cast<InventoryObject*>(nullptr));
}

void Inventory::releaseObject(InventoryObject* object)
{
    object->onSelected().remove(this, &Inventory::onObjectSelected, 0.0f);
    if (KaI3DObject2* holder = object->parent())
        holder->removeChild(object);
    object->unload();
    // The object may be the very one whose click is being handled (a script
    // taking it away on "OnSelectedObject"): it goes at the end of the frame.
    object->deleteLater();
}

void Inventory::releaseObjects()
{
    if (mSelectedObject) {
        mSelectedObject = nullptr;
        if (KaSpriteLayout* sprite = game().inGameGui().spriteLayout("selectedObject"))
            sprite->unload();
    }
    for (InventoryObject* object : mObjects)
        releaseObject(object);
    mObjects.clear();
}

void Inventory::selectedObject(InventoryObject* object)
{
    Game& owner = game();
    owner.setCurrentObjectSprite(KaPath());
    showLayout("prendre", false);
    showLayout("textObject", false);
    mSelectedObject = object;

    KaITextLayout* text = mGui.textLayout("text");
    KaSpriteLayout* frame = mGui.spriteLayout("selectionSprite");
    KaSpriteLayout* inHand = owner.inGameGui().spriteLayout("selectedObject");
    if (!object) {
        if (frame)
            frame->setVisible(false);
        if (text)
            text->setText(KaString());
        if (inHand)
            inHand->unload();
        return;
    }

    const KaString id = object->id();
    if (frame) {
        frame->setVisible(object->worldVisible());
        if (KaILayout* holder = dynamic_cast<KaILayout*>(object->parent())) {
            const KaVector3f32 at = holder->userPosition();
            frame->setPosition(KaVector3f32(at.x, at.y, frame->userPosition().z));
        }
    }
    if (text)
        text->setText("<section style=\"center\" /><color r=\"200\" g=\"200\" b=\"200\"/>"
                      "<font file=\"Common/Fonts/Colaborate-Regular.otf\" size=\"24\" />"
            + objectName(id) + "<br/>" + objectDescription(id));
    if (KaButtonLayout* read = mGui.buttonLayout("lire")) {
        read->setEnable(false);
        if (isDocument(id)) {
            read->setEnable(true);
            KaPrintf("Document\n");
        }
    }
    owner.setCurrentObjectSprite(object->spritePath());
    if (KaLayout* labels = mGui.layout("textObject")) {
        for (unsigned long k = 0; k < labels->childCount(); ++k) {
            KaI3DObject2* label = labels->child(k);
            if (label->name() == id) {
                labels->setVisible(true);
                label->setVisible(true);
            } else {
                label->setVisible(false);
            }
        }
    }
    if (inHand)
        inHand->load(object->spritePath());
}

void Inventory::selectedObject(const KaString& id)
{
    if (InventoryObject* object = slottedObject(id))
        selectedObject(object);
}

KaString Inventory::selectedObject() { return mSelectedObject ? mSelectedObject->id() : KaString(); }

unsigned long Inventory::objectCount(const KaString& id)
{
    for (InventoryObject* object : mObjects) {
        if (object->id() == id)
            return 1;
    }
    return 0;
}

KaString Inventory::databaseAttribute(const KaString& id, const char* attribute) const
{
    for (const TiXmlElement* element = mObjectsDatabase.FirstChildElement("Object"); element;
         element = element->NextSiblingElement("Object")) {
        const char* key = element->Attribute("id");
        const char* value = element->Attribute(attribute);
        if (key && value && id == key)
            return KaString(value);
    }
    return KaString();
}

KaString Inventory::objectName(const KaString& id) { return databaseAttribute(id, "name"); }

KaString Inventory::objectDescription(const KaString& id) { return databaseAttribute(id, "description"); }

bool Inventory::isDocument(const KaString& id)
{
    const KaString wanted = id.toUpperCase();
    for (const TiXmlElement* element = mObjectsDatabase.FirstChildElement("Object"); element;
         element = element->NextSiblingElement("Object")) {
        const char* key = element->Attribute("id");
        if (key && element->Attribute("isDocument") && KaString(key).toUpperCase() == wanted)
            return true;
    }
    return false;
}

void Inventory::saveToBackup(TiXmlNode& parent)
{
    TiXmlElement* inventory = new TiXmlElement("Inventory");
    for (unsigned long i = 0; page(i); ++i) {
        TiXmlElement* pageElement = new TiXmlElement("Page");
        for (unsigned long j = 0; KaLayout* layout = slot(i, j); ++j) {
            TiXmlElement* slotElement = new TiXmlElement("Slot");
            for (unsigned long k = 0; k < layout->childCount(); ++k) {
                if (InventoryObject* object = dynamic_cast<InventoryObject*>(layout->child(k)))
                    object->saveToBackup(*slotElement);
            }
            pageElement->LinkEndChild(slotElement);
        }
        inventory->LinkEndChild(pageElement);
    }
    parent.LinkEndChild(inventory);
}

void Inventory::loadFromBackup(TiXmlNode& inventoryElement)
{
    for (TiXmlElement* pageElement = inventoryElement.FirstChildElement("Page"); pageElement;
         pageElement = pageElement->NextSiblingElement("Page")) {
        for (TiXmlElement* slotElement = pageElement->FirstChildElement("Slot"); slotElement;
             slotElement = slotElement->NextSiblingElement("Slot")) {
            for (TiXmlElement* objectElement = slotElement->FirstChildElement("Object"); objectElement;
                 objectElement = objectElement->NextSiblingElement("Object")) {
                InventoryObject* object = new InventoryObject;
                object->loadFromBackup(*objectElement);
                // A save holding more objects than this screen has slots
                // keeps the ones that fit.
                if (!addObject(*object))
                    delete object;
            }
        }
    }
}

void Inventory::pauseAnims() { setCharactersPaused(true); }

void Inventory::unPauseAnims() { setCharactersPaused(false); }

void Inventory::setCharactersPaused(bool paused)
{
    InGameScene& scene = game().scene3D();
    KaArray<Character*> characters;
    if (scene.player())
        characters.pushBack(scene.player());
    for (Character* character : scene.characters())
        characters.pushBack(character);
    for (Character* character : characters) {
        KaAnimation* model = character->model() ? character->model()->anim().get() : nullptr;
        if (paused) {
            character->pause();
            if (model)
                model->pause();
        } else {
            character->play();
            if (model)
                model->play();
        }
    }
}

void Inventory::loadCellphone()
{
    // One phone for the inventory's whole life: the game keeps its
    // connection to the phone's calls across games.
    if (!mCellphone)
        mCellphone = new Cellphone;
    mCellphone->load();
}

bool Inventory::onVisibleCellphone()
{
    if (mCellphone)
        mCellphone->enter();
    game().inventoryMenu().leave();
    leave();
    return false;
}

bool Inventory::onTakeObjectSelected()
{
    game().inventoryMenu().leave();
    return false;
}

bool Inventory::onZoomed()
{
    if (mSelectedObject)
        game().documentsBrowser().showDocument(mSelectedObject->id(), 0);
    return false;
}

bool Inventory::onQuitButton()
{
    game().inventoryMenu().leave();
    return true;
}

bool Inventory::onMainMenuButton()
{
    // The application leaves the game at the end of the frame, out of this
    // button's click.
    Application* app = application.get();
    app->captureFade();
    game().setRequestMainMenu(true);
    app->fade();
    return true;
}

bool Inventory::onObjectSelected(InventoryObject& object)
{
    selectedObject(&object);
    KaPrintf("OnObjectSelected\n");
    if (!mDoubleClickTimer.isRunning()) {
        mDoubleClickTimer.start();
    } else if (mDoubleClickTimer.timeElapsed() < doubleClickMicroseconds) {
        game().inventoryMenu().leave();
    }
    return false;
}
