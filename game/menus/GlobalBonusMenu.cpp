#include "game/menus/GlobalBonusMenu.h"

#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaLayout.h"
#include "game/application/Application.h"

namespace {

struct Place {
    const char* button;
    const char* gallery;
    bool (GlobalBonusMenu::*handler)();
};

const Place places[] = {
    { "Pim", "menus/bonusmenu/Pim.lua", &GlobalBonusMenu::onPimButtonValidated },
    { "Dov", "menus/bonusmenu/Dov.lua", &GlobalBonusMenu::onDovButtonValidated },
    { "Rok", "menus/bonusmenu/Rok.lua", &GlobalBonusMenu::onRokButtonValidated },
    { "Ust", "menus/bonusmenu/Ust.lua", &GlobalBonusMenu::onUstButtonValidated },
    { "Orn2", "menus/bonusmenu/Orn2.lua", &GlobalBonusMenu::onOrn2ButtonValidated },
    { "Orn3", "menus/bonusmenu/Orn3.lua", &GlobalBonusMenu::onOrn3ButtonValidated },
};

}

GlobalBonusMenu::GlobalBonusMenu()
    : mEntered(false)
{
}

void GlobalBonusMenu::enter()
{
    Application* app = application.get();
    app->backgroundVideoSprite().setVisible(true);
    app->captureFade();
    mEntered = true;
    load(descriptionPath());
    if (KaLayout* menu = layout("menu"))
        app->layoutFront().addChild(menu);
    for (const Place& place : places)
        if (KaButtonLayout* button = buttonLayout(place.button))
            button->onMouseClickValidated.add(this, place.handler, 0.0f);
    if (KaButtonLayout* back = buttonLayout("Back"))
        back->onMouseClickValidated.add(this, &GlobalBonusMenu::onQuitButton, 0.0f);
}

void GlobalBonusMenu::leave()
{
    if (!mEntered)
        return;
    Application* app = application.get();
    app->captureFade();
    unload();
    app->fade();
    mEntered = false;
}

void GlobalBonusMenu::openGallery(const char* path)
{
    Application* app = application.get();
    app->captureFade();
    leave();
    app->bonusMenu().enter(path);
    app->fade();
}

bool GlobalBonusMenu::onPimButtonValidated()
{
    openGallery(places[0].gallery);
    return false;
}

bool GlobalBonusMenu::onDovButtonValidated()
{
    openGallery(places[1].gallery);
    return false;
}

bool GlobalBonusMenu::onRokButtonValidated()
{
    openGallery(places[2].gallery);
    return false;
}

bool GlobalBonusMenu::onUstButtonValidated()
{
    openGallery(places[3].gallery);
    return false;
}

bool GlobalBonusMenu::onOrn2ButtonValidated()
{
    openGallery(places[4].gallery);
    return false;
}

bool GlobalBonusMenu::onOrn3ButtonValidated()
{
    openGallery(places[5].gallery);
    return false;
}

bool GlobalBonusMenu::onQuitButton()
{
    Application* app = application.get();
    app->captureFade();
    leave();
    app->enterMainMenu();
    app->fade();
    return true;
}
