#include "game/documents/DocumentsBrowser.h"

DocumentsBrowser::DocumentsBrowser() { }
DocumentsBrowser::~DocumentsBrowser() { }
void DocumentsBrowser::load() { }
void DocumentsBrowser::loadZoomed() { }
void DocumentsBrowser::unload() { }
void DocumentsBrowser::enter() { }
void DocumentsBrowser::leave() { }
void DocumentsBrowser::currentPage(unsigned long) { }
bool DocumentsBrowser::onPreviousPage() { return false; }
bool DocumentsBrowser::onNextPage() { return false; }
bool DocumentsBrowser::addDocument(const KaString&) { return false; }
bool DocumentsBrowser::addDocument(Document&) { return false; }
bool DocumentsBrowser::onDocumentSelected(Document&) { return false; }
KaString DocumentsBrowser::documentName(const KaString&) { return KaString(); }
KaString DocumentsBrowser::documentDescription(const KaString&) { return KaString(); }
unsigned long DocumentsBrowser::documentCount(const KaString&) { return 1; }
void DocumentsBrowser::showDocument(const KaString&, unsigned long) { }
void DocumentsBrowser::hideDocument() { }
bool DocumentsBrowser::onZoomedButton() { return false; }
bool DocumentsBrowser::onQuitDocumentDoubleClickTimer() { return false; }
void DocumentsBrowser::saveToBackup(TiXmlNode&) { }
void DocumentsBrowser::loadFromBackup(TiXmlNode&) { }
