#include "game/menus/HowTo.h"

#include "engine/gui/KaITextLayout.h"
#include "engine/gui/KaLayout.h"
#include "game/application/Application.h"

namespace {

// Each text layout of the parent gets the markup and the localised text of
// its own name (nothing after the markup for a name the table lacks).
void localiseTexts(KaI3DObject2* parent, const KaString& markup)
{
    const LocFile& texts = application.get()->locFile();
    for (unsigned long i = 0; i < parent->childCount(); ++i) {
        KaITextLayout* text = dynamic_cast<KaITextLayout*>(parent->child(i));
        if (!text)
            continue;
        const KaString* localised = texts.value(parent->child(i)->name());
        text->setText(localised ? markup + *localised : markup);
    }
}

}

HowTo::HowTo()
    : mEntered(false)
    , mCurrentPage(0)
{
}

unsigned long HowTo::pageCount() const
{
    KaLayout* background = layout("background");
    return background ? background->childCount() : 0;
}

void HowTo::enter()
{
    if (mEntered)
        return;
    mEntered = true;
    mCurrentPage = 0;
    Application* app = application.get();
    app->captureFade();
    load(descriptionPath());
    if (KaLayout* menu = layout("menu"))
        app->layoutFront().addChild(menu);
    if (KaLayout* background = layout("background")) {
        const KaString markup = value("textAttributs").toString();
        for (unsigned long page = 0; page < background->childCount(); ++page)
            localiseTexts(background->child(page), markup);
    }
    if (KaLayout* panel = layout("panel"))
        localiseTexts(panel, value("panelTypo").toString());
    app->fade();
}

void HowTo::leave()
{
    Application* app = application.get();
    app->captureFade();
    unload();
    app->helpOptionMenu().enter();
    app->fade();
    mEntered = false;
}

void HowTo::updateDisplay(unsigned int oldPage, unsigned int newPage)
{
    KaLayout* background = layout("background");
    if (!background)
        return;
    if (oldPage < background->childCount())
        background->child(oldPage)->setVisible(false);
    if (newPage < background->childCount())
        background->child(newPage)->setVisible(true);
}

bool HowTo::onDefaultPadButtonUp(unsigned int buttons)
{
    const unsigned long count = pageCount();
    const uint32_t old = mCurrentPage;
    uint32_t page = old;
    if (buttons & (BUTTON_RIGHT | BUTTON_R2)) {
        // Without pages there is nothing to turn to.
        if (count > 0)
            page = static_cast<uint32_t>((page + 1) % count);
    } else if (buttons & (BUTTON_LEFT | BUTTON_L2)) {
        if (count > 0)
            page = page == 0 ? static_cast<uint32_t>(count - 1) : page - 1;
    } else if (buttons & BUTTON_CANCEL) {
        leave();
        application.get()->helpOptionMenu().enter();
        return false;
    }
    mCurrentPage = page;
    updateDisplay(old, page);
    return false;
}
