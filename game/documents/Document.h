#ifndef DOCUMENT_H
#define DOCUMENT_H

#include <tinyxml.h>

#include "engine/containers/KaSignal.h"
#include "engine/core/KaString.h"
#include "engine/gui/KaLayout.h"
#include "engine/script/KaLuaGUI.h"

class DocumentsBrowser;

// One collected document as an icon with its name, in a slot of the
// documents browser; a click on it asks the browser to show it.
class Document : public KaLayout {
public:
    explicit Document(DocumentsBrowser& browser);
    ~Document() override;
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    void load(const KaString& id);
    void unload();
    bool onButtonDown();
    KaString spritePath() const;
    void saveToBackup(TiXmlElement& slot);
    void loadFromBackup(TiXmlElement& element);

    const KaString& id() const { return mId; }
    KaLuaGUI& gui() { return mGui; }

    // Emitted with this document when its icon is clicked.
    KaSignal1Param<Document&> onSelected;

private:
    KaString mId;
    KaLuaGUI mGui;
    DocumentsBrowser& mBrowser;
};

#endif
