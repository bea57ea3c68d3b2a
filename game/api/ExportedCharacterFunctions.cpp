// The script functions for placing, walking and animating characters.

#include <cmath>

#include "engine/base/KaStd.h"
#include "engine/color/KaColor.h"
#include "game/api/ExportedFunctions.h"
#include "game/api/ExportedFunctionsGame.h"
#include "game/application/Application.h"
#include "game/characters/Character.h"

using namespace ExportedFunctionsGame;

namespace {

const char* const kDisplacementFinished = "OnDisplacementFinished";
const char* const kAnimationFinished = "OnCharacterAnimationFinished";
// A second walk order within this time runs.
const double kDoubleClickMicroseconds = 300000.0;

Character* findCharacter(const KaString& name) { return scene().character(name); }

// "[Function] Character not found name", the lookups' common line.
Character* findCharacter(const char* function, const KaString& name)
{
    Character* character = findCharacter(name);
    if (!character)
        KaPrintf("[%s] Character not found %s\n", function, name.c_str());
    return character;
}

float positionComponent(const char* line, const KaString& name, int component)
{
    Character* character = findCharacter(name);
    if (!character || !character->model()) {
        KaPrintf(line, name.c_str());
        return 0.0f;
    }
    const KaVector3f32 position = character->model()->position();
    return component == 0 ? position.x : component == 1 ? position.y : position.z;
}

// The head back to rest.
void endHeadLook(Character* character)
{
    const KaVector2f32 target = character->headTargetAngles();
    character->setHeadAngles(target.x, target.y);
    character->setHeadLookAt(false);
}

} // namespace

void LoadCharacter(const KaString& name) { game().loadCharacter(name); }

void UnloadCharacter(const KaString& name) { game().unloadCharacter(name); }

float GetRotationCharacter(const KaString& name)
{
    Character* character = findCharacter(name);
    if (!character || !character->model()) {
        KaPrintf("[GetRotationCharacter] Character not found %s\n", name.c_str());
        return 0.0f;
    }
    return character->model()->rotation().toEuler().y;
}

float GetXPositionCharacter(const KaString& name)
{
    return positionComponent("[GetXPostionCharacter] Character not found %s\n", name, 0);
}

float GetYPositionCharacter(const KaString& name)
{
    return positionComponent("[GetYPositionCharacter] Character not found %s\n", name, 1);
}

float GetZPositionCharacter(const KaString& name)
{
    return positionComponent("[GetZPositionCharacter] Character not found %s\n", name, 2);
}

void MoveCharacterTo(const KaString& character, const KaString& curve, float offset, float speed)
{
    scene().moveCharacterTo(character, curve, offset, speed);
    // A walk that cannot start never ends: whoever waits for it goes on.
    Character* walker = findCharacter(character);
    if (!walker || walker == scene().player() || scene().playerMoveDisabled() || !scene().curve(curve))
        abandonStartingWait(kDisplacementFinished, KaString());
}

void MoveCharacterPlayerTo(float x, float y, float z, bool noEndAnim)
{
    Character* player = scene().player();
    if (game().playerMoveDisabled() || !player) {
        abandonStartingWait(kDisplacementFinished, KaString());
        return;
    }
    const KaVector3f32 target(x, y, z);
    game().resetPreviousMousePos();
    // The same target again while running: the run goes on.
    if (target == posPlayer && player->walkMode() != "Walk")
        return;

    KaTimer& timer = game().doubleClickTimer();
    if (timer.isRunning() && timer.timeElapsed() <= kDoubleClickMicroseconds) {
        timer.stop();
        player->walkMode("Jog");
    } else {
        timer.stop();
        timer.start();
        player->walkMode("Walk");
    }
    setPlayerArrived(false);

    KaIntrusivePtr<KaBezierCurve> path = player->pathTo(target);
    if (!path) {
        // Nowhere to walk: the walk is over at once, and the script that
        // waits for it goes on rather than wait for an end already passed.
        abandonStartingWait(kDisplacementFinished, KaString());
        callScript(kDisplacementFinished);
        return;
    }
    scene().setClickPath(path);
    player->setPositionOffset(KaVector3f32(0.0f, 0.0f, 0.0f));
    player->placeOnCurve(path);
    player->setCurveOffset(0.0f);
    player->setAnimation(player->walkAnim(Character::loop), true, false, false, -1, 9999);
    player->walkTo(1.0f, noEndAnim);
    posPlayer = target;
}

void MoveCharacterPlayerAtTo(float x, float y, float z)
{
    Character* player = scene().player();
    if (game().playerMoveDisabled() || !player)
        return;
    setPlayerArrived(false);
    KaIntrusivePtr<KaBezierCurve> path = player->pathTo(KaVector3f32(x, y, z));
    // Without a path the player stays where it stands.
    if (!path)
        return;
    scene().setClickPath(path);
    player->setPositionOffset(KaVector3f32(0.0f, 0.0f, 0.0f));
    player->placeOnCurve(path);
    player->setCurveOffset(0.0f);
    player->setAnimation(player->walkAnim(Character::start), false, false, false, -1, 9999);
    // Planned as a walk with its stop, so that the loop cycles fit the way
    // they do for a click; then told to arrive without the stop.
    player->walkTo(1.0f, false);
    player->setNoEndAnim(true);
}

void SetCharacterPosition(const KaString& character, const KaString& zone, float x, float y, float z)
{
    scene().setPositionCharacter(character, zone, KaVector3f32(x, y, z));
}

void PlaceCharacterOnDummy(const KaString& character, const KaString& dummy, float x, float y, float z)
{
    Character* found = findCharacter("PlaceCharacterOnDummy", character);
    if (found && found->model())
        found->model()->setPosition(scene().dummy(dummy).position + KaVector3f32(x, y, z));
}

void SetCharacterRotation(const KaString& character, float x, float y, float z)
{
    Character* found = findCharacter("SetCharacterRotation", character);
    if (found && found->model())
        found->model()->setRotation(rotationFromDegrees(x, y, z));
}

void SetCharacterOrientation(const KaString& character, float x, float z)
{
    Character* found = findCharacter("SetCharacterOrientation", character);
    if (!found || !found->model())
        return;
    const KaVector3f32 p = found->model()->position();
    const float angle = std::atan2(-(x - p.x), z - p.z);
    found->model()->setRotation(KaQuaternion::fromEuler(KaVector3f32(0.0f, angle, 0.0f)));
}

void SetCharacterPlayerVisible(bool visible)
{
    Character* player = scene().player();
    if (player && player->model())
        player->model()->setVisible(visible);
}

void MoveCharacterPlayerDisabled(bool disabled) { game().setPlayerMoveDisabled(disabled); }

void SetRunMode(bool run)
{
    if (Character* player = scene().player())
        player->walkMode(run ? "Jog" : "Walk");
}

void SetRunMode2(const KaString& character, const KaString& mode)
{
    Character* found = findCharacter("SetRunMode2", character);
    if (found && found != scene().player())
        found->walkMode(mode);
}

void SetRecallageY(const KaString& character, bool on)
{
    if (Character* found = findCharacter("SetRecallageY", character))
        found->setRecallageY(on);
}

void AddUnrecalAnim(const KaString& animation)
{
    KaArray<KaString>& list = application.get()->animationsWithoutReadjustment();
    for (unsigned long i = 0; i < list.size(); ++i)
        if (list[i] == animation)
            return;
    list.pushBack(animation);
}

void SetCharacterAnimation(
    const KaString& character, const KaString& animation, bool repeat, bool returnToIdle, int startFrame, int endFrame)
{
    Character* found = findCharacter(character);
    // Nothing plays, so nothing will end: a script waiting for it goes on.
    if (!found) {
        abandonStartingWait(kAnimationFinished, character);
        return;
    }
    if (!found->setAnimation(animation, repeat, returnToIdle, false, startFrame, endFrame)) {
        KaPrintf("[SetCharacterAnimation] Character's animation \"%s\" doesn't exist for the character\"%s\"  \n",
            animation.c_str(), character.c_str());
        abandonStartingWait(kAnimationFinished, character);
    }
}

void BlendCharacterAnimation(
    const KaString& character, const KaString& animation, float amount, bool repeat, bool returnToIdle)
{
    game().loadCharacter(character);
    Character* found = findCharacter(character);
    if (!found) {
        abandonStartingWait(kAnimationFinished, character);
        return;
    }
    if (!found->blendAnimation(animation, amount, repeat, returnToIdle)) {
        KaPrintf("[BlendCharacterAnimation] Character's animation \"%s\" doesn't exist for the character\"%s\"  \n",
            animation.c_str(), character.c_str());
        abandonStartingWait(kAnimationFinished, character);
    }
}

bool CurrentCharacterAnimation(const KaString& character, const KaString& animation)
{
    Character* found = findCharacter(character);
    if (!found) {
        KaPrintf("[CurrentCharacterAnimation] Character's\"%s\" doesn't exist \n", character.c_str());
        return true;
    }
    return found->curAnimName() == animation;
}

void SetCharacterColor(const KaString& character, int r, int g, int b)
{
    Character* found = findCharacter("SetCharacterColor", character);
    if (found && found->model())
        found->model()->setColor(KaColor(static_cast<unsigned char>(r % 256), static_cast<unsigned char>(g % 256),
            static_cast<unsigned char>(b % 256), 255));
}

void SetCharacterSound(const KaString& character, const KaString& sound, int frame)
{
    if (Character* found = findCharacter("SetCharacterSound", character))
        found->setAnimationSound(sound, static_cast<unsigned int>(frame));
}

void SetCharacterShadow(const KaString& character, bool) { findCharacter(character); }

void SetCharacterMeshVisible(const KaString& character, const KaString& mesh, bool visible)
{
    Character* found = findCharacter("SetCharacterMeshVisible", character);
    if (found && found->model())
        found->model()->setVisibleByName(mesh, visible);
}

void AddCallback(
    const KaString& character, const KaString& animation, const KaString& function, float frame, float times)
{
    Character* found = findCharacter(character);
    if (!found) {
        KaPrintf("[AddCallback] Character's\"%s\" doesn't exist \n", character.c_str());
        return;
    }
    found->addCallback(animation, function, frame, times);
}

void AddCallbackPlayer(const KaString& animation, const KaString& function, float frame, float times)
{
    if (Character* player = scene().player())
        player->addCallback(animation, function, frame, times);
}

void DeleteCallback(const KaString& character, const KaString& animation, const KaString& function, float frame)
{
    Character* found = findCharacter(character);
    if (!found) {
        KaPrintf("[DeleteCallback] Character's\"%s\" doesn't exist \n", character.c_str());
        return;
    }
    found->deleteCallback(animation, function, frame);
}

void DeleteCallbackPlayer(const KaString& animation, const KaString& function, float frame)
{
    if (Character* player = scene().player())
        player->deleteCallback(animation, function, frame);
}

void SetCharacterAnchor(const KaString& character, const KaString& dummy)
{
    Character* found = findCharacter(character);
    if (!found) {
        KaPrintf("[SetCharacterAnchor] Character \"%s\" doesn't exist \n", character.c_str());
        return;
    }
    if (!dummy.length()) {
        endHeadLook(found);
        return;
    }
    const KaVector3f32 point = scene().dummy(dummy).position;
    found->setHeadTargetAngles(
        InGameScene::getHeadHorizontalRotation(found, point), InGameScene::getHeadVerticalRotation(found, point));
    found->setHeadLookAt(true);
}

void SetCharacterLookChar(const KaString& character, const KaString& other, bool raise)
{
    Character* found = findCharacter(character);
    if (!found) {
        KaPrintf("[SetCharacterLookChar] Character \"%s\" doesn't exist \n", character.c_str());
        return;
    }
    Character* looked = other.length() ? findCharacter(other) : nullptr;
    found->setLookAtCharacter(looked, raise);
    if (!looked)
        endHeadLook(found);
}
