#include "game/panels/Notifier.h"

#include "engine/gui/KaITextLayout.h"
#include "engine/gui/KaLayout.h"
#include "engine/gui/KaSpriteLayout.h"
#include "game/application/Application.h"

namespace {

const char* const kGuiFile = "menus/Notifier.lua";

bool isRunning(const KaLuaGUI& gui, const char* animation)
{
    const KaLuaGUI::ColorAnimation* found = gui.colorLinearAnimation(animation);
    return found && found->isRunning();
}

// A phase of the file aimed at one of its layouts. A phase whose layout is
// missing still runs its time, so that the sequence goes on.
void playOn(const KaLuaGUI& gui, const char* animation, const char* target)
{
    KaLuaGUI::ColorAnimation* found = gui.colorLinearAnimation(animation);
    if (!found)
        return;
    found->mTarget = gui.layout(target);
    found->play();
}

// The file's "textFormat" is text with one "%s" where the message goes. It
// is never handed to printf: a message or a translation may hold a '%'.
KaString formatted(const KaString& pattern, const KaString& message)
{
    KaString text = pattern;
    text.replace("%s", message, 1);
    return text;
}

}

Notifier::Notifier() { }

Notifier::~Notifier() { }

void Notifier::load()
{
    mGui.load(kGuiFile);
    KaLayout* notifier = mGui.layout("notifier");
    if (notifier) {
        attachToOverlay(notifier);
        notifier->setVisible(false);
    }
    if (KaLuaGUI::ColorAnimation* fadeIn = mGui.colorLinearAnimation("fadeIn"))
        fadeIn->onFinished.add(this, &Notifier::onFadeInFinished, 0.0f);
    if (KaLuaGUI::ColorAnimation* visible = mGui.colorLinearAnimation("visible"))
        visible->onFinished.add(this, &Notifier::onVisibleFinished, 0.0f);
    if (KaLuaGUI::ColorAnimation* fadeOut = mGui.colorLinearAnimation("fadeOut"))
        fadeOut->onFinished.add(this, &Notifier::onFadeOutFinished, 0.0f);
}

void Notifier::unload()
{
    if (KaLayout* notifier = mGui.layout("notifier"))
        detachFromOverlay(notifier);
    mGui.unload();
}

void Notifier::push(const KaString& text, const KaString& image)
{
    notifierData entry;
    entry.text = text;
    entry.image = image;
    mQueue.pushBack(entry);
    launchNextnotifier();
}

void Notifier::launchNextnotifier()
{
    if (isRunning(mGui, "fadeIn") || isRunning(mGui, "fadeOut") || isRunning(mGui, "visible") || mQueue.size() == 0)
        return;
    // Every element starts again from the state its file gives it.
    unload();
    load();

    const notifierData& next = mQueue[0];
    if (KaITextLayout* text = mGui.textLayout("text"))
        text->setText(formatted(mGui.value("textFormat").toString(), next.text));
    if (next.image.length() > 0) {
        if (KaSpriteLayout* image = mGui.spriteLayout("image"))
            image->load(KaPath(next.image));
    }
    if (KaLayout* notifier = mGui.layout("notifier"))
        notifier->setVisible(true);
    playOn(mGui, "fadeIn", "sprite");
    playOn(mGui, "fadeInImage", "image");
    mQueue.removeAt(0);
}

bool Notifier::onFadeInFinished()
{
    playOn(mGui, "visible", "sprite");
    playOn(mGui, "visibleImage", "image");
    return false;
}

bool Notifier::onVisibleFinished()
{
    playOn(mGui, "fadeOut", "sprite");
    playOn(mGui, "fadeOutImage", "image");
    return false;
}

bool Notifier::onFadeOutFinished()
{
    if (KaLayout* notifier = mGui.layout("notifier"))
        notifier->setVisible(false);
    launchNextnotifier();
    return false;
}

void Notifier::attachToOverlay(KaLayout* notifier) { application.get()->game().addNoScale2Child(notifier); }

void Notifier::detachFromOverlay(KaLayout* notifier) { application.get()->game().removeNoScale2Child(notifier); }
