#include "game/documents/DocumentsBrowser.h"

#include "engine/core/KaBaseFile.h"
#include "engine/core/KaCore.h"
#include "engine/core/KaXMLLoad.h"
#include "engine/graphics/KaTiledTexture.h"
#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaMainWindow.h"
#include "engine/gui/KaScrollingLayout.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/scene/KaTiledSurface.h"
#include "game/application/Application.h"
#include "game/documents/Document.h"

namespace {

const char* const kGuiPath = "DocumentsBrowser/DocumentsBrowser.lua";
const char* const kDatabasePath = "DocumentsBrowser/Documents/Documents.xml";
const char* const kDocumentsFolder = "DocumentsBrowser/Documents/";
// The zoomed pictures sit one folder below the pages' GUI files.
const char* const kPicturesFolder = "DocumentsBrowser/Documents/Documents/";

// Two clicks on the zoomed document closer than this are a double click.
const unsigned long long kDoubleClickMicroseconds = 200000;
const unsigned int kPageButtons = 20;

KaString numbered(const char* prefix, unsigned long number)
{
    KaString name;
    name.format("%s%lu", prefix, number);
    return name;
}

KaString slotName(unsigned long page, unsigned long slot)
{
    KaString name;
    name.format("page%luSlot%lu", page, slot);
    return name;
}

// "<id>_zoomed_<page>", the stem of a page's picture and GUI files.
KaString pageStem(const KaString& id, unsigned long page)
{
    KaString stem;
    stem.format("_zoomed_%lu", page);
    return id + stem;
}

typedef bool (DocumentsBrowser::*ButtonHandler)();

const ButtonHandler kButtonHandlers[kPageButtons] = {
    &DocumentsBrowser::onShowedDocumentButton0,
    &DocumentsBrowser::onShowedDocumentButton1,
    &DocumentsBrowser::onShowedDocumentButton2,
    &DocumentsBrowser::onShowedDocumentButton3,
    &DocumentsBrowser::onShowedDocumentButton4,
    &DocumentsBrowser::onShowedDocumentButton5,
    &DocumentsBrowser::onShowedDocumentButton6,
    &DocumentsBrowser::onShowedDocumentButton7,
    &DocumentsBrowser::onShowedDocumentButton8,
    &DocumentsBrowser::onShowedDocumentButton9,
    &DocumentsBrowser::onShowedDocumentButton10,
    &DocumentsBrowser::onShowedDocumentButton11,
    &DocumentsBrowser::onShowedDocumentButton12,
    &DocumentsBrowser::onShowedDocumentButton13,
    &DocumentsBrowser::onShowedDocumentButton14,
    &DocumentsBrowser::onShowedDocumentButton15,
    &DocumentsBrowser::onShowedDocumentButton16,
    &DocumentsBrowser::onShowedDocumentButton17,
    &DocumentsBrowser::onShowedDocumentButton18,
    &DocumentsBrowser::onShowedDocumentButton19,
};

}

DocumentsBrowser::DocumentsBrowser()
    : mCurrentPage(0)
    , mShownPage(0)
    , mClickCount(0)
{
    mDoubleClickTimer.onAlarm.add(this, &DocumentsBrowser::onQuitDocumentDoubleClickTimer, 0.0f);
}

DocumentsBrowser::~DocumentsBrowser()
{
    // The game goes with the application: nothing is reported from here.
    KaArray<Document*> held = documents();
    for (unsigned long i = 0; i < held.size(); ++i)
        delete held[i];
    mZoomedGui.unload();
    mGui.unload();
}

void DocumentsBrowser::load()
{
    setVisible(false);
    setName("documentsBrowser");
    setSizeType(Percent);
    setSize(KaVector3f32(1.0f, 1.0f, userSize().z));
    mGui.load(kGuiPath);
    if (KaLayout* root = mGui.layout("documentBrowser"))
        addChild(root);
    if (KaButtonLayout* previous = mGui.buttonLayout("previousPage"))
        previous->onMouseClickValidated.add(this, &DocumentsBrowser::onPreviousPage, 0.0f);
    if (KaButtonLayout* next = mGui.buttonLayout("nextPage"))
        next->onMouseClickValidated.add(this, &DocumentsBrowser::onNextPage, 0.0f);
    if (KaButtonLayout* zoomed = mGui.buttonLayout("zoomed")) {
        zoomed->onMouseClickValidated.add(this, &DocumentsBrowser::onZoomedButton, 0.0f);
        // The buttons' shared guard refuses a second validation within half
        // a second, which would make a double click impossible here.
        zoomed->setDoubleValidationProtectionEnabled(false);
        zoomed->setVisible(false);
    }
    mCurrentPage = 0;
    mDocumentsDatabase.Clear();
    // The names and descriptions in the player's language when the content
    // has them ("Documents_fr.xml"), as the inventory's objects are.
    KaPath database = KaString(kDocumentsFolder) + "Documents_" + core.get()->language() + ".xml";
    if (!KaBaseFile::fileExist(database))
        database = kDatabasePath;
    const bool loaded = KaXMLLoad(database, mDocumentsDatabase, "[Inventory::Load]");
    KaXMLFreeBuffer();
    if (!loaded)
        mDocumentsDatabase.Clear();
    mDoubleClickTimer.start();
}

void DocumentsBrowser::loadZoomed()
{
    mZoomedLayout.setSizeType(Percent);
    mZoomedLayout.setSize(KaVector3f32(1.0f, 1.0f, userSize().z));
    if (KaLayout* zoomed = mGui.layout("zoomed"))
        mZoomedLayout.addChild(zoomed);
}

void DocumentsBrowser::unload()
{
    hideDocument();
    KaArray<Document*> held = documents();
    for (unsigned long i = 0; i < held.size(); ++i) {
        Document* document = held[i];
        if (KaI3DObject2* slot = document->parent())
            slot->removeChild(document);
        document->unload();
        // A click on the document may still be on its way through the
        // input manager's signals.
        document->deleteLater();
    }
    mGui.unload();
}

void DocumentsBrowser::enter()
{
    setVisible(true);
    currentPage(mCurrentPage);
}

void DocumentsBrowser::leave()
{
    mDoubleClickTimer.stop();
    setVisible(false);
}

void DocumentsBrowser::currentPage(unsigned long page)
{
    if (!mGui.layout(numbered("page", page)))
        return;
    mCurrentPage = page;
    for (unsigned long i = 0;; ++i) {
        KaLayout* layout = mGui.layout(numbered("page", i));
        if (!layout)
            break;
        layout->setVisible(i == page);
        if (KaButtonLayout* diode = mGui.buttonLayout(numbered("diode", i)))
            diode->setEnable(i != page);
    }
}

bool DocumentsBrowser::onPreviousPage()
{
    currentPage(mCurrentPage - 1);
    return false;
}

bool DocumentsBrowser::onNextPage()
{
    currentPage(mCurrentPage + 1);
    return false;
}

bool DocumentsBrowser::addDocument(const KaString& id)
{
    Document* document = new Document(*this);
    document->load(id);
    if (addDocument(*document))
        return true;
    delete document;
    return false;
}

bool DocumentsBrowser::addDocument(Document& document)
{
    KaArray<KaLayout*> all = slots();
    for (unsigned long i = 0; i < all.size(); ++i) {
        if (all[i]->childCount() == 0) {
            all[i]->addChild(&document);
            document.onSelected.add(this, &DocumentsBrowser::onDocumentSelected, 0.0f);
            return true;
        }
    }
    return false;
}

bool DocumentsBrowser::onDocumentSelected(Document& document)
{
    showDocument(document.id(), 0);
    return false;
}

KaString DocumentsBrowser::documentName(const KaString& id) { return databaseAttribute(id, "name"); }

KaString DocumentsBrowser::documentDescription(const KaString& id) { return databaseAttribute(id, "description"); }

unsigned long DocumentsBrowser::documentCount(const KaString&) { return 1; }

void DocumentsBrowser::showDocument(const KaString& id, unsigned long page)
{
    mShownDocument = id;
    mShownPage = page;
    mCurrentPage = page;
    mZoomedGui.unload();
    // A click on the previous page must not turn this one.
    cancelPendingClick();

    const KaString stem = pageStem(id, page);
    KaString picture = KaString(kPicturesFolder) + stem + ".png";
    if (!KaBaseFile::fileExist(picture)) {
        picture = KaString(kPicturesFolder) + stem + ".jpg";
        if (!KaBaseFile::fileExist(picture)) {
            hideDocument();
            return;
        }
    }

    Application* app = application.get();
    app->captureFade();
    if (KaSpriteLayout* sprite = mGui.spriteLayout("zoomedSprite")) {
        sprite->setSizeType(Pixel);
        sprite->load(picture);
        KaVector2s32 pixels(0, 0);
        if (sprite->surface().tiledTexture())
            pixels = sprite->surface().tiledTexture()->pictureSize();
        const KaVector3f32 window = mainWindow.get()->size();
        // The picture fills the width and keeps its shape; a picture that
        // could not be read leaves a square rather than a division by zero.
        float height = 1.0f;
        if (pixels.x > 0 && pixels.y > 0 && window.y > 0.0f)
            height = (window.x / window.y) * (static_cast<float>(pixels.y) / static_cast<float>(pixels.x));
        sprite->setSizeType(Percent);
        sprite->setSize(KaVector3f32(1.0f, height, 0.0f));
    }
    if (KaScrollingLayout* scroll = mGui.scrollingLayout("scroll")) {
        scroll->resetScrollPosition();
        scroll->playAutoScroll();
    }
    const KaString pageGui = KaString(kDocumentsFolder) + stem + ".lua";
    if (KaBaseFile::fileExist(pageGui)) {
        mZoomedGui.load(pageGui);
        KaSpriteLayout* sprite = mGui.spriteLayout("zoomedSprite");
        KaLayout* root = mZoomedGui.layout("root");
        if (sprite && root)
            sprite->addChild(root);
        for (unsigned int i = 0; i < kPageButtons; ++i) {
            if (KaButtonLayout* button = mZoomedGui.buttonLayout(numbered("button", i)))
                button->onMouseClickValidated.add(this, kButtonHandlers[i], 0.0f);
        }
    }
    if (KaLayout* zoomed = mGui.layout("zoomed"))
        zoomed->setVisible(true);
    mClickCount = 0;
    app->fade();
}

void DocumentsBrowser::hideDocument()
{
    // Nothing shown, nothing closed: no one waits for an empty id.
    if (mShownDocument.length() == 0)
        return;
    const KaString id = mShownDocument;
    mShownDocument.clear();
    cancelPendingClick();
    KaSpriteLayout* sprite = mGui.spriteLayout("zoomedSprite");
    if (!sprite)
        return;
    Application* app = application.get();
    app->captureFade();
    sprite->unload();
    if (KaLayout* zoomed = mGui.layout("zoomed"))
        zoomed->setVisible(false);
    mZoomedGui.unload();
    reportClosed(id);
    app->fade();
}

bool DocumentsBrowser::onZoomedButton()
{
    ++mClickCount;
    if (mClickCount == 1) {
        // The double click is timed from this click, not from whenever the
        // timer last ran.
        mDoubleClickTimer.stop();
        mDoubleClickTimer.start();
        mDoubleClickTimer.setAlarmIn(kDoubleClickMicroseconds);
    } else if (mClickCount == 2) {
        onQuitDocumentDoubleClickTimer();
    }
    return false;
}

bool DocumentsBrowser::onQuitDocumentDoubleClickTimer()
{
    const double elapsed = mDoubleClickTimer.getTimeFromStart();
    cancelPendingClick();
    if (mShownDocument.length() == 0)
        return false;
    if (elapsed < static_cast<double>(kDoubleClickMicroseconds))
        hideDocument();
    else
        showDocument(mShownDocument, mShownPage + 1);
    return false;
}

void DocumentsBrowser::saveToBackup(TiXmlNode& parent)
{
    TiXmlElement* browser = new TiXmlElement("DocumentsBrowser");
    for (unsigned long i = 0; mGui.layout(numbered("page", i)); ++i) {
        TiXmlElement* page = new TiXmlElement("Page");
        for (unsigned long j = 0;; ++j) {
            KaLayout* slotLayout = mGui.layout(slotName(i, j));
            if (!slotLayout)
                break;
            TiXmlElement* slot = new TiXmlElement("Slot");
            for (unsigned long k = 0; k < slotLayout->childCount(); ++k) {
                if (Document* document = dynamic_cast<Document*>(slotLayout->child(k)))
                    document->saveToBackup(*slot);
            }
            page->LinkEndChild(slot);
        }
        browser->LinkEndChild(page);
    }
    parent.LinkEndChild(browser);
}

void DocumentsBrowser::loadFromBackup(TiXmlNode& element)
{
    for (TiXmlElement* page = element.FirstChildElement("Page"); page; page = page->NextSiblingElement("Page")) {
        for (TiXmlElement* slot = page->FirstChildElement("Slot"); slot; slot = slot->NextSiblingElement("Slot")) {
            for (TiXmlElement* saved = slot->FirstChildElement("Document"); saved;
                 saved = saved->NextSiblingElement("Document")) {
                Document* document = new Document(*this);
                document->loadFromBackup(*saved);
                if (!addDocument(*document))
                    delete document;
            }
        }
    }
}

bool DocumentsBrowser::onShowedDocumentButton0() { return showedDocumentButton(0); }
bool DocumentsBrowser::onShowedDocumentButton1() { return showedDocumentButton(1); }
bool DocumentsBrowser::onShowedDocumentButton2() { return showedDocumentButton(2); }
bool DocumentsBrowser::onShowedDocumentButton3() { return showedDocumentButton(3); }
bool DocumentsBrowser::onShowedDocumentButton4() { return showedDocumentButton(4); }
bool DocumentsBrowser::onShowedDocumentButton5() { return showedDocumentButton(5); }
bool DocumentsBrowser::onShowedDocumentButton6() { return showedDocumentButton(6); }
bool DocumentsBrowser::onShowedDocumentButton7() { return showedDocumentButton(7); }
bool DocumentsBrowser::onShowedDocumentButton8() { return showedDocumentButton(8); }
bool DocumentsBrowser::onShowedDocumentButton9() { return showedDocumentButton(9); }
bool DocumentsBrowser::onShowedDocumentButton10() { return showedDocumentButton(10); }
bool DocumentsBrowser::onShowedDocumentButton11() { return showedDocumentButton(11); }
bool DocumentsBrowser::onShowedDocumentButton12() { return showedDocumentButton(12); }
bool DocumentsBrowser::onShowedDocumentButton13() { return showedDocumentButton(13); }
bool DocumentsBrowser::onShowedDocumentButton14() { return showedDocumentButton(14); }
bool DocumentsBrowser::onShowedDocumentButton15() { return showedDocumentButton(15); }
bool DocumentsBrowser::onShowedDocumentButton16() { return showedDocumentButton(16); }
bool DocumentsBrowser::onShowedDocumentButton17() { return showedDocumentButton(17); }
bool DocumentsBrowser::onShowedDocumentButton18() { return showedDocumentButton(18); }
bool DocumentsBrowser::onShowedDocumentButton19() { return showedDocumentButton(19); }

KaArray<Document*> DocumentsBrowser::documents() const
{
    KaArray<Document*> held;
    KaArray<KaLayout*> all = slots();
    for (unsigned long i = 0; i < all.size(); ++i) {
        for (unsigned long k = 0; k < all[i]->childCount(); ++k) {
            if (Document* document = dynamic_cast<Document*>(all[i]->child(k)))
                held.pushBack(document);
        }
    }
    return held;
}

KaArray<KaLayout*> DocumentsBrowser::slots() const
{
    KaArray<KaLayout*> all;
    for (unsigned long i = 0; mGui.layout(numbered("page", i)); ++i) {
        for (unsigned long j = 0;; ++j) {
            KaLayout* slot = mGui.layout(slotName(i, j));
            if (!slot)
                break;
            all.pushBack(slot);
        }
    }
    return all;
}

KaString DocumentsBrowser::databaseAttribute(const KaString& id, const char* attribute) const
{
    for (const TiXmlElement* element = mDocumentsDatabase.FirstChildElement(); element;
         element = element->NextSiblingElement()) {
        if (element->ValueStr() != "Document")
            continue;
        const char* elementId = element->Attribute("id");
        const char* value = element->Attribute(attribute);
        if (elementId && value && id == elementId)
            return KaString(value);
    }
    return KaString();
}

bool DocumentsBrowser::showedDocumentButton(unsigned int button)
{
    const KaString page = pageStem(mShownDocument, mShownPage);
    const KaString name = numbered("button", button);
    onDocumentButtonValidated.call(page, name);
    application.get()->game().raiseShowedDocumentButton(page, name);
    return false;
}

void DocumentsBrowser::cancelPendingClick()
{
    mDoubleClickTimer.stop();
    mDoubleClickTimer.unsetAlarm();
}

void DocumentsBrowser::reportClosed(const KaString& id)
{
    onDocumentClosed.call(id);
    application.get()->game().raiseDocumentClosed(id);
}
