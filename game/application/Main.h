#ifndef MAIN_H
#define MAIN_H

// The hooks through which a host drives the game. Each reaches the one
// Application, which the first of them constructs.
void gameConfigure();
void gameCreate();
bool gameOnNextFrame();
void gameOnSuspended();
void gameOnResumed();
// Destroys the application, which saves the options.
void gameDestroy();

#endif
