#ifndef DOCUMENTS_BROWSER_H
#define DOCUMENTS_BROWSER_H

#include <cstdint>

#include <tinyxml.h>

#include "engine/containers/KaSignal.h"
#include "engine/core/KaString.h"
#include "engine/core/KaTimer.h"
#include "engine/gui/KaLayout.h"
#include "engine/script/KaLuaGUI.h"

class Document;

// The documents the player has collected, as icons in slots over pages, and
// one document shown zoomed with its pages.
//
// A click on the zoomed document waits 200 ms for a second one: a single
// click turns to the next page (past the last page the document closes), a
// double click closes it. A document closing is reported to the game, which
// resumes a script waiting for it or calls the scene script's
// "OnDocumentClosed"; the buttons of a page's own GUI are reported as
// "OnShowedDocumentButtonValidated".
//
// Main thread only.
class DocumentsBrowser : public KaLayout {
public:
    DocumentsBrowser();
    ~DocumentsBrowser() override;

    void load();
    void loadZoomed();
    void unload();
    void enter();
    void leave();
    void currentPage(unsigned long page);
    bool onPreviousPage();
    bool onNextPage();
    bool addDocument(const KaString& id);
    bool addDocument(Document& document);
    bool onDocumentSelected(Document& document);
    KaString documentName(const KaString& id);
    KaString documentDescription(const KaString& id);
    unsigned long documentCount(const KaString& id);
    void showDocument(const KaString& id, unsigned long page);
    void hideDocument();
    bool onZoomedButton();
    bool onQuitDocumentDoubleClickTimer();
    void saveToBackup(TiXmlNode& parent);
    void loadFromBackup(TiXmlNode& element);

    // The buttons "button0" to "button19" of the shown page's GUI.
    bool onShowedDocumentButton0();
    bool onShowedDocumentButton1();
    bool onShowedDocumentButton2();
    bool onShowedDocumentButton3();
    bool onShowedDocumentButton4();
    bool onShowedDocumentButton5();
    bool onShowedDocumentButton6();
    bool onShowedDocumentButton7();
    bool onShowedDocumentButton8();
    bool onShowedDocumentButton9();
    bool onShowedDocumentButton10();
    bool onShowedDocumentButton11();
    bool onShowedDocumentButton12();
    bool onShowedDocumentButton13();
    bool onShowedDocumentButton14();
    bool onShowedDocumentButton15();
    bool onShowedDocumentButton16();
    bool onShowedDocumentButton17();
    bool onShowedDocumentButton18();
    bool onShowedDocumentButton19();

    KaLuaGUI& gui() { return mGui; }
    // The layer the game puts above its other in-game layers for the
    // zoomed document.
    KaLayout& zoomedLayout() { return mZoomedLayout; }
    KaLuaGUI& zoomedGui() { return mZoomedGui; }
    unsigned long currentPage() const { return mCurrentPage; }
    // Empty when no document is shown.
    const KaString& shownDocument() const { return mShownDocument; }
    unsigned long shownPage() const { return mShownPage; }
    KaTimer& doubleClickTimer() { return mDoubleClickTimer; }
    // The documents in the slots, pages then slots.
    KaArray<Document*> documents() const;

    // Emitted with the document's id each time a shown document closes,
    // just before the game hears of it.
    KaSignal1Param<const KaString&> onDocumentClosed;
    // Emitted with the page ("<id>_zoomed_<page>") and the button's name
    // when a button of a page's GUI is validated, before the game hears of it.
    KaSignal2Param<const KaString&, const KaString&> onDocumentButtonValidated;

private:
    // The slot layouts, pages then slots, as the GUI numbers them.
    KaArray<KaLayout*> slots() const;
    KaString databaseAttribute(const KaString& id, const char* attribute) const;
    bool showedDocumentButton(unsigned int button);
    // Forgets a click still waiting for its decision.
    void cancelPendingClick();
    void reportClosed(const KaString& id);

    KaLuaGUI mGui;
    unsigned long mCurrentPage;
    TiXmlDocument mDocumentsDatabase;
    KaString mShownDocument;
    unsigned long mShownPage;
    KaLuaGUI mZoomedGui;
    uint32_t mClickCount;
    KaTimer mDoubleClickTimer;
    KaLayout mZoomedLayout;
};

#endif
