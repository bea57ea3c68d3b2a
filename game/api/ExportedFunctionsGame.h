#ifndef EXPORTED_FUNCTIONS_GAME_H
#define EXPORTED_FUNCTIONS_GAME_H

#include "engine/core/KaString.h"
#include "engine/maths/KaQuaternion.h"
#include "engine/maths/KaVector3f32.h"

class Character;
class Game;
class InGameScene;

// What the script functions share among their families: the game they act
// on, and the few game operations they need that the game does not offer
// yet (each kept in one place until it does).
namespace ExportedFunctionsGame {

Game& game();
InGameScene& scene();

// Degrees to the rotation of those Euler angles.
KaQuaternion rotationFromDegrees(float x, float y, float z);

// Calls the scene script's global function.
void callScript(const char* function);

// Game operations not declared by Game yet.
bool setBackground(const KaString& file);
bool startAnimation(const KaString& sprite, int count, bool flag);
bool addAnimToSet(const KaString& zoneAndScene);
// False when the movie could not start.
bool playMovie(const KaString& video, const KaString& sound);
void finishGame();
void lockCursorFromAction(bool locked);
void setPlayerArrived(bool arrived);

} // namespace ExportedFunctionsGame

#endif
