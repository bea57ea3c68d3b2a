#include "game/application/Main.h"

#include "game/application/Application.h"

void gameConfigure()
{
    application.get();
}

void gameCreate()
{
    application.get()->create();
}

bool gameOnNextFrame()
{
    return application.get()->run();
}

void gameOnSuspended()
{
    application.get()->suspend();
}

void gameOnResumed()
{
    application.get()->resume();
}

void gameDestroy()
{
    application.destroy();
}

KaString gameMissingContent()
{
    return Application::missingStartupFile();
}
