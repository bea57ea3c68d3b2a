#include "game/menus/Confirm.h"

#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaITextLayout.h"
#include "engine/gui/KaLayout.h"
#include "game/application/Application.h"

namespace {

// A localised text, or nothing for a key the table does not hold.
KaString localised(const KaString& key)
{
    const KaString* text = application.get()->locFile().value(key);
    return text ? *text : KaString();
}

// A string value of the description, or the fallback when it has none.
KaString valueOr(KaLuaGUI& gui, const char* name, const KaString& fallback)
{
    const KaVariant value = gui.value(name);
    return value.isValid() ? value.toString() : fallback;
}

void setCaption(KaLuaGUI& gui, const char* layout, const KaString& markup, const KaString& text)
{
    if (KaITextLayout* caption = gui.textLayout(layout))
        caption->setText(markup + text);
}

}

void Confirm::enter(const KaString& luaFile, KaString)
{
    Application* app = application.get();
    mGui.load(luaFile);
    if (KaLayout* background = mGui.layout("background"))
        background->setRatioMode(KaILayout::None);
    if (KaButtonLayout* confirm = mGui.buttonLayout("confirm"))
        app->orientationLayoutFront().addChild(confirm);
    if (KaButtonLayout* yes = mGui.buttonLayout("yes"))
        yes->onMouseClickValidated.add(this, &Confirm::onYes, 0.0f);
    if (KaButtonLayout* no = mGui.buttonLayout("no"))
        no->onMouseClickValidated.add(this, &Confirm::onNo, 0.0f);
    if (KaLayout* text = mGui.layout("text")) {
        const KaString normal = mGui.value("textAttributs").toString();
        const KaString down = mGui.value("textAttributsDown").toString();
        // Optional: the captions under the pointer, highlighted like every
        // other button's; without it they look as at rest.
        const KaString over = valueOr(mGui, "textAttributsRollOver", normal);
        if (text->childCount() > 0) {
            KaI3DObject2* message = text->child(0);
            if (KaITextLayout* layout = dynamic_cast<KaITextLayout*>(message))
                layout->setText(normal + localised(message->name()));
        }
        // A notice's single button may name its own caption, one that
        // acknowledges rather than answers.
        const KaString ok = localised(valueOr(mGui, "yesCaption", "okButton"));
        const KaString cancel = localised(valueOr(mGui, "noCaption", "cancelButton"));
        setCaption(mGui, "yesUpLayout", normal, ok);
        setCaption(mGui, "yesDownLayout", down, ok);
        setCaption(mGui, "yesRollOverLayout", over, ok);
        setCaption(mGui, "noUpLayout", normal, cancel);
        setCaption(mGui, "noDownLayout", down, cancel);
        setCaption(mGui, "noRollOverLayout", over, cancel);
    }
    // The cursor is drawn above the dialog.
    app->orientationLayoutFront().removeChild(&app->mouseCursor());
    app->orientationLayoutFront().addChild(&app->mouseCursor());
}

void Confirm::leave()
{
    if (KaButtonLayout* confirm = mGui.buttonLayout("confirm"))
        application.get()->orientationLayoutFront().removeChild(confirm);
    mGui.unload();
}

bool Confirm::onYes()
{
    Application* app = application.get();
    app->captureFade();
    leave();
    onButtonYes.call();
    app->fade();
    return false;
}

bool Confirm::onNo()
{
    Application* app = application.get();
    app->captureFade();
    leave();
    onButtonNo.call();
    app->fade();
    return true;
}
