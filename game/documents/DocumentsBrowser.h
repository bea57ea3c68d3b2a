#ifndef DOCUMENTS_BROWSER_H
#define DOCUMENTS_BROWSER_H

#include <tinyxml.h>

#include "engine/core/KaString.h"
#include "engine/core/KaTimer.h"
#include "engine/gui/KaLayout.h"
#include "engine/script/KaLuaGUI.h"

class Document;

// The documents the player has collected, as icons in slots over pages, and
// one document shown zoomed with its pages.
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

    KaLuaGUI& gui() { return mGui; }
    // The layer the game puts above its other in-game layers for the
    // zoomed document.
    KaLayout& zoomedLayout() { return mZoomedLayout; }

private:
    KaLuaGUI mGui;
    KaLayout mZoomedLayout;
};

#endif
