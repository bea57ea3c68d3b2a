#ifndef MAIN_H
#define MAIN_H

#include "engine/core/KaString.h"

// The hooks through which a host drives the game. Each reaches the one
// Application, which the first of them constructs.
void gameConfigure();
void gameCreate();
bool gameOnNextFrame();
void gameOnSuspended();
void gameOnResumed();
// Destroys the application, which saves the options.
void gameDestroy();
// Before anything is built: the full path of the first file the game cannot
// start without that is missing or unreadable; "" when all are there.
KaString gameMissingContent();

#endif
