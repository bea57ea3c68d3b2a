#include "game/documents/Document.h"

#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaITextLayout.h"
#include "engine/gui/KaSpriteLayout.h"
#include "game/documents/DocumentsBrowser.h"

Document::Document(DocumentsBrowser& browser)
    : mBrowser(browser)
{
}

Document::~Document()
{
    unload();
    if (KaI3DObject2* holder = parent())
        holder->removeChild(this);
}

void Document::load(const KaString& id)
{
    setSizeType(Percent);
    setSize(KaVector3f32(1.0f, 1.0f, 1.0f));
    mGui.load("DocumentsBrowser/Document.lua");
    if (KaLayout* object = mGui.layout("object"))
        addChild(object);
    mId = id;
    if (KaSpriteLayout* icon = mGui.spriteLayout("upLayout"))
        icon->load(spritePath());
    if (KaButtonLayout* button = mGui.buttonLayout("object"))
        button->onMouseClickValidated.add(this, &Document::onButtonDown, 0.0f);
    if (KaITextLayout* text = mGui.textLayout("text"))
        text->setText(KaString("<section style=\"center\" /><color r=\"255\" g=\"255\" b=\"255\"/>"
                               "<font file=\"Common/Fonts/arial.ttf\" size=\"16\" />")
            + mBrowser.documentName(id));
}

void Document::unload()
{
    if (KaLayout* object = mGui.layout("object"))
        removeChild(object);
    mGui.unload();
}

bool Document::onButtonDown()
{
    onSelected.call(*this);
    return false;
}

KaString Document::spritePath() const { return KaString("DocumentsBrowser/Documents/") + mId + ".png"; }

void Document::saveToBackup(TiXmlElement& slot)
{
    TiXmlElement element("Document");
    element.SetAttribute("id", mId.c_str());
    slot.InsertEndChild(element);
}

void Document::loadFromBackup(TiXmlElement& element)
{
    const char* id = element.Attribute("id");
    load(KaString(id ? id : ""));
}
