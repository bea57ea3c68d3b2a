#include "game/menus/HelpOptionMenu.h"

#include "engine/gui/KaLayout.h"
#include "game/application/Application.h"

HelpOptionMenu::HelpOptionMenu()
    : mEntered(false)
{
}

void HelpOptionMenu::enter()
{
    if (mEntered)
        return;
    mEntered = true;
    Application* app = application.get();
    app->captureFade();
    load(descriptionPath());
    if (KaLayout* menu = layout("menu"))
        app->backgroundVideoSprite().addChild(menu);
    app->fade();
}

void HelpOptionMenu::leave()
{
    Application* app = application.get();
    app->captureFade();
    unload();
    app->fade();
    mEntered = false;
}
