#ifndef EXPORTED_FUNCTIONS_H
#define EXPORTED_FUNCTIONS_H

#include "engine/core/KaString.h"
#include "engine/maths/KaVector3f32.h"

// The functions scene scripts call, one per Lua global of the same name (the
// bindings in Bind_ExportedFunctions check and convert the Lua arguments).
// They act on the game in progress and never raise Lua errors: a missing
// target prints one console line and the call does nothing more. Angles are
// in degrees, durations in seconds. Main thread only.

// The last target the player was sent to by a script or a click;
// (-1, -1, -1) when none.
extern KaVector3f32 posPlayer;
// Never written by the game; kept for the scripts that read the global it
// names.
extern KaString lastHitObjectName;

// A waiting function's action that could not start, or ended before the
// function could wait: the wait it is about to make is dropped, so that its
// script goes on instead of waiting for an event that will not come.
void abandonStartingWait(const KaString& event, const KaString& param1);

// Scene objects, backgrounds and markers.
void LoadObjectMaterials(const KaString& folder);
void LoadObjectMaterials(const KaString& folder, const KaString& object);
void HideObject(const KaString& name);
void ShowObject(const KaString& name);
void ShowAllObjects(const KaString& text);
void SetBackground(const KaString& name);
void AddBlockingObject(const KaString& name);
void RemoveBlockingObject(const KaString& name);
void AddAnimToSet(const KaString& path);
void StartAnimation(const KaString& name, int repeat, bool flag);
void StartAnimationPart(const KaString& name, int start, int end, int repeat, bool flag);
void AddCallbackAnimation2D(const KaString& sprite, const KaString& function, float frame);
void DeleteCallbackAnimation2D(const KaString& sprite, const KaString& function, float frame);
void DisabledZone(const KaString& name, bool disabled);
void DisabledInt(const KaString& name, bool disabled);
void SetVisibleButtonZoomed(bool visible);
void AddMarker(
    const KaString& name, const KaString& image, float x, float y, const KaString& unit, const KaString& interaction);
void SetVisibleMarker(const KaString& name, bool visible);
void DeleteMarker(const KaString& name);

// 3D objects, billboards, lights, blockers and anchor zones.
void LoadObject(const KaString& name);
void UnloadObject(const KaString& name);
void SetObjectOnCharacter(const KaString& character, const KaString& object, const KaString& bone);
void SetObjectRotation(const KaString& object, float x, float y, float z);
void SetObjectTranslation(const KaString& object, float x, float y, float z);
void SetObjectScale(const KaString& object, float x, float y, float z);
void SetObjectFrames(const KaString& object, int first, int second);
void SetGroundObjectPosition(const KaString& object, float x, float y, float z);
void SetGroundObjectRotation(const KaString& object, float x, float y, float z);
void TranslateGroundObject(const KaString& object, float x, float y, float z, float seconds);
void RotateGroundObject(const KaString& object, float x, float y, float z, float seconds);
void LoadBillBoard(const KaString& name);
void SetBillboardPosition(const KaString& name, float x, float y, float z);
void SetBillboardPosition2(const KaString& name, float x, float y, float wx, float wy, float wz);
void SetBillboardSize(const KaString& name, float width, float height);
void ShowBillboard(const KaString& name);
void HideBillboard(const KaString& name);
void EnableLight(unsigned int index, bool on);
void SetLightPlayerCharacter(float, float, float);
void SetLightPos(float, float, float);
void SetLightDiffuse(int, int, int);
void SetLightAmbient(int, int, int);
void SetLightSpecular(int, int, int);
void EnableRectBlocker(unsigned int index, bool enabled);
void EnableBlocker(unsigned int index, bool enabled);
void AddAnchorZone(const KaString& type, const KaString& name, float radius);
void ActivateAnchorZone(const KaString& name, bool active);

// Placing and walking characters.
void LoadCharacter(const KaString& name);
void UnloadCharacter(const KaString& name);
float GetRotationCharacter(const KaString& name);
float GetXPositionCharacter(const KaString& name);
float GetYPositionCharacter(const KaString& name);
float GetZPositionCharacter(const KaString& name);
void MoveCharacterTo(const KaString& character, const KaString& curve, float offset, float speed);
void MoveCharacterPlayerTo(float x, float y, float z, bool noEndAnim);
void MoveCharacterPlayerAtTo(float x, float y, float z);
void SetCharacterPosition(const KaString& character, const KaString& zone, float x, float y, float z);
void PlaceCharacterOnDummy(const KaString& character, const KaString& dummy, float x, float y, float z);
void SetCharacterRotation(const KaString& character, float x, float y, float z);
void SetCharacterOrientation(const KaString& character, float x, float z);
void SetCharacterPlayerVisible(bool visible);
void MoveCharacterPlayerDisabled(bool disabled);
void SetRunMode(bool run);
void SetRunMode2(const KaString& character, const KaString& mode);
void SetRecallageY(const KaString& character, bool on);
void AddUnrecalAnim(const KaString& animation);

// Character animations, looks and frame callbacks.
void SetCharacterAnimation(
    const KaString& character, const KaString& animation, bool repeat, bool returnToIdle, int startFrame, int endFrame);
void BlendCharacterAnimation(
    const KaString& character, const KaString& animation, float amount, bool repeat, bool returnToIdle);
bool CurrentCharacterAnimation(const KaString& character, const KaString& animation);
void SetCharacterColor(const KaString& character, int r, int g, int b);
void SetCharacterSound(const KaString& character, const KaString& sound, int frame);
void SetCharacterShadow(const KaString& character, bool shadow);
void SetCharacterMeshVisible(const KaString& character, const KaString& mesh, bool visible);
void AddCallback(
    const KaString& character, const KaString& animation, const KaString& function, float frame, float times);
void AddCallbackPlayer(const KaString& animation, const KaString& function, float frame, float times);
void DeleteCallback(const KaString& character, const KaString& animation, const KaString& function, float frame);
void DeleteCallbackPlayer(const KaString& animation, const KaString& function, float frame);
void SetCharacterAnchor(const KaString& character, const KaString& dummy);
void SetCharacterLookChar(const KaString& character, const KaString& other, bool raise);

// Sounds, music and movies.
void PlayMovie(const KaString& movie, const KaString& sound);
void PlaySound(const KaString& file, int count, float volume);
void StopSound(const KaString& file);
void AddRandomSound(const KaString& list, const KaString& file, float weight, float volume);
void PlayRandomSound(const KaString& list);
void PlayMusic(const KaString& file);
void SetSoundStep(const KaString& zone, const KaString& first, const KaString& second);

// Dialogs, answers, objectives and the player's belongings.
void LaunchDialog(
    const KaString& key, unsigned int count, const KaString& character, const KaString& animation, float blend);
void PushAnswer(const KaString& id, const KaString& gui);
void HideAnswers();
void PushTask(const KaString& task, const KaString& subtask);
void DeleteTask(const KaString& task, const KaString& subtask);
void SetVisibleButtonHelp(bool visible);
void HideTasks();
bool Selected(const KaString& name);
void TakeObject(const KaString& name);
void TakeObjectInHand(const KaString& name);
void RemoveObject(const KaString& name);
void RemoveObject();
void AddNumber(const KaString& name);
void SetVisibleCellphone(bool visible);
void ShowDocument(const KaString& name);
void HideDocument();
void AddDocument(const KaString& name);

// The game's state and services.
void ChangeWarp(const KaString& zone, const KaString& scene, bool black);
void RequestAutoSave();
void Save(const KaString& file);
void LockCursor(bool locked);
void SetCondition(const KaString& name);
void UnsetCondition(const KaString& name);
bool TutoActive();
void Wait(float seconds);
void FinishGame();
void RequestMainMenu();
void OpenFinalURL();
void UnlockAchievement(int id);
void UnlockArtwork(const KaString& name);
bool TestFileFlagSystemFlag(const KaString& tag, const KaString& value);
void PrintDebugMessage(const KaString& text);
void ExitZone(const KaString& zone);
unsigned int Random(unsigned int n);
void ZerbRateImmediately();
void ZerbReportEvent(const KaString&);
void ZerbReportEventWithValue(const KaString&, int);

#endif
