#ifndef BIND_EXPORTED_FUNCTIONS_H
#define BIND_EXPORTED_FUNCTIONS_H

#include <lua.h>

#include "engine/core/KaString.h"

// The script API as Lua globals: one binding per entry of the table below,
// each checking its Lua arguments (ScriptArguments), converting them and
// calling its function of ExportedFunctions. The waiting functions then
// suspend their script until the event that ends their action (see
// YieldedCallback).
//
// The bindings reach the functions through exportedFunctionTargets(), which
// holds the game's functions; tests put functions of their own there.

namespace ScriptApi {

// The Lua side of a parameter: how it is tested, converted and passed on.
// A required argument, then an optional one with its default.
struct Str {
    typedef const KaString& Param;
    typedef KaString Value;
};
struct OStr : Str { };
struct Num {
    typedef float Param;
    typedef float Value;
};
template <int Default> struct ONum : Num { };
struct Int {
    typedef int Param;
    typedef int Value;
};
template <int Default> struct OInt : Int { };
struct Uns {
    typedef unsigned int Param;
    typedef unsigned int Value;
};
template <unsigned int Default> struct OUns : Uns { };
// An unsigned integer reached through a float first.
struct FloatUns : Uns { };
struct Bool {
    typedef bool Param;
    typedef bool Value;
};
template <bool Default> struct OBool : Bool { };

template <class... Specs> struct Args { };

template <class R, class A> struct Target;
template <class R, class... Specs> struct Target<R, Args<Specs...>> {
    typedef R (*type)(typename Specs::Param...);
};

// Which tests a binding makes besides its arguments' own.
enum Checks {
    // The arguments, then that nothing follows them.
    CheckAll,
    // Extra arguments are ignored.
    CheckArguments,
    // Nothing is tested: any arguments are ignored.
    CheckNothing,
};

} // namespace ScriptApi

// The script API, in the order of registration (an overloaded name's later
// registration is the visible global). Each entry:
//   PLAIN(name, suffix, result, (arguments))
//   LOOSE(name, suffix, result, (arguments), checks)
//   OVERLOAD(name, suffix, fallback suffix, result, (arguments)): when its
//     own test fails, the fallback binding of the name takes the call;
//   WAIT(name, function called, (arguments), event, param1, param2, compared):
//     param1 and param2 are the 1-based argument that the event must carry
//     (0: none), compared the number of the record's fields (event, param1,
//     param2) a second identical wait is reported for.
// Results are void, bool, float or unsigned int.
#define KA_EXPORTED_FUNCTIONS(PLAIN, LOOSE, OVERLOAD, WAIT)                                                           \
    PLAIN(LoadObjectMaterials, 00, void, (Str))                                                                       \
    OVERLOAD(LoadObjectMaterials, 01, 00, void, (Str, Str))                                                           \
    PLAIN(HideObject, 00, void, (Str))                                                                                \
    PLAIN(ShowObject, 00, void, (Str))                                                                                \
    PLAIN(ShowAllObjects, 00, void, (Str))                                                                            \
    PLAIN(SetBackground, 00, void, (Str))                                                                             \
    PLAIN(AddBlockingObject, 00, void, (Str))                                                                         \
    PLAIN(RemoveBlockingObject, 00, void, (Str))                                                                      \
    PLAIN(ChangeWarp, 00, void, (Str, Str, OBool<false>))                                                             \
    PLAIN(PlayMovie, 00, void, (Str, Str))                                                                            \
    WAIT(PlayMovieAndWaitForEnd, PlayMovie00, (Str, Str), "OnMovieFinished", 1, 0, 2)                                 \
    PLAIN(StartAnimationPart, 00, void, (Str, Int, Int, OInt<-1>, OBool<false>))                                      \
    PLAIN(StartAnimation, 00, void, (Str, OInt<-1>, OBool<false>))                                                    \
    WAIT(StartAnimationAndWaitForEnd, StartAnimation00, (Str, OInt<-1>, OBool<false>), "OnFinishedAnim", 1, 0, 2)     \
    PLAIN(AddAnimToSet, 00, void, (Str))                                                                              \
    LOOSE(RequestAutoSave, 00, void, (), ScriptApi::CheckNothing)                                                     \
    PLAIN(SetVisibleButtonZoomed, 00, void, (Bool))                                                                   \
    PLAIN(AddMarker, 00, void, (Str, Str, Num, Num, OStr, OStr))                                                      \
    PLAIN(SetVisibleMarker, 00, void, (Str, Bool))                                                                    \
    PLAIN(DeleteMarker, 00, void, (Str))                                                                              \
    PLAIN(SetVisibleCellphone, 00, void, (Bool))                                                                      \
    PLAIN(DisabledZone, 00, void, (Str, OBool<true>))                                                                 \
    PLAIN(DisabledInt, 00, void, (Str, OBool<true>))                                                                  \
    PLAIN(LockCursor, 00, void, (Bool))                                                                               \
    PLAIN(SetCondition, 00, void, (Str))                                                                              \
    PLAIN(UnsetCondition, 00, void, (Str))                                                                            \
    PLAIN(TutoActive, 00, bool, ())                                                                                   \
    PLAIN(LaunchDialog, 00, void, (Str, OUns<1>, OStr, OStr, ONum<0>))                                                \
    WAIT(LaunchDialogAndWaitForEnd, LaunchDialog00, (Str, OUns<1>, OStr, OStr, ONum<0>), "OnDialogFinished", 1, 0, 2) \
    PLAIN(PushAnswer, 00, void, (Str, Str))                                                                           \
    PLAIN(HideAnswers, 00, void, ())                                                                                  \
    PLAIN(PushTask, 00, void, (Str, Str))                                                                             \
    PLAIN(DeleteTask, 00, void, (Str, Str))                                                                           \
    PLAIN(SetVisibleButtonHelp, 00, void, (Bool))                                                                     \
    PLAIN(HideTasks, 00, void, ())                                                                                    \
    PLAIN(PlaySound, 00, void, (Str, OInt<-1>, ONum<1>))                                                              \
    WAIT(PlaySoundAndWaitForEnd, PlaySound00, (Str, OInt<-1>, ONum<1>), "OnFreeSoundFinished", 1, 0, 2)              \
    PLAIN(StopSound, 00, void, (Str))                                                                                 \
    PLAIN(AddRandomSound, 00, void, (Str, Str, Num, ONum<1>))                                                         \
    PLAIN(PlayRandomSound, 00, void, (Str))                                                                           \
    PLAIN(PlayMusic, 00, void, (Str))                                                                                 \
    PLAIN(SetSoundStep, 00, void, (Str, Str, Str))                                                                    \
    PLAIN(Selected, 00, bool, (Str))                                                                                  \
    PLAIN(TakeObject, 00, void, (Str))                                                                                \
    PLAIN(TakeObjectInHand, 00, void, (Str))                                                                          \
    PLAIN(RemoveObject, 00, void, (Str))                                                                              \
    OVERLOAD(RemoveObject, 01, 00, void, ())                                                                          \
    PLAIN(AddNumber, 00, void, (Str))                                                                                 \
    PLAIN(ShowDocument, 00, void, (Str))                                                                              \
    WAIT(ShowDocumentAndWaitForEnd, ShowDocument00, (Str), "OnDocumentClosed", 1, 0, 2)                               \
    PLAIN(HideDocument, 00, void, ())                                                                                 \
    PLAIN(AddDocument, 00, void, (Str))                                                                               \
    PLAIN(LoadCharacter, 00, void, (Str))                                                                             \
    PLAIN(UnloadCharacter, 00, void, (Str))                                                                           \
    PLAIN(GetRotationCharacter, 00, float, (Str))                                                                     \
    PLAIN(GetXPositionCharacter, 00, float, (Str))                                                                    \
    PLAIN(GetYPositionCharacter, 00, float, (Str))                                                                    \
    PLAIN(GetZPositionCharacter, 00, float, (Str))                                                                    \
    PLAIN(MoveCharacterTo, 00, void, (Str, Str, Num, Num))                                                            \
    WAIT(MoveCharacterToAndWaitForEnd, MoveCharacterTo00, (Str, Str, Num, Num), "OnDisplacementFinished", 0, 0, 1)    \
    PLAIN(MoveCharacterPlayerTo, 00, void, (Num, Num, Num, OBool<false>))                                             \
    WAIT(MoveCharacterPlayerToAndWaitForEnd, MoveCharacterPlayerToWithEndAnim, (Num, Num, Num),                       \
        "OnDisplacementFinished", 0, 0, 1)                                                                            \
    PLAIN(MoveCharacterPlayerAtTo, 00, void, (Num, Num, Num))                                                         \
    PLAIN(SetCharacterPosition, 00, void, (Str, Str, Num, Num, Num))                                                  \
    PLAIN(PlaceCharacterOnDummy, 00, void, (Str, Str, Num, Num, Num))                                                 \
    PLAIN(SetCharacterRotation, 00, void, (Str, Num, Num, Num))                                                       \
    PLAIN(SetCharacterOrientation, 00, void, (Str, Num, Num))                                                         \
    PLAIN(SetCharacterAnimation, 00, void, (Str, Str, OBool<true>, OBool<false>, OInt<-1>, OInt<9999>))               \
    WAIT(SetCharacterAnimationAndWaitForEnd, SetCharacterAnimation00,                                                 \
        (Str, Str, OBool<true>, OBool<false>, OInt<-1>, OInt<9999>), "OnCharacterAnimationFinished", 1, 2, 3)         \
    PLAIN(BlendCharacterAnimation, 00, void, (Str, Str, Num, OBool<true>, OBool<false>))                              \
    WAIT(BlendCharacterAnimationAndWaitForEnd, BlendCharacterAnimation00, (Str, Str, Num, OBool<true>, OBool<false>), \
        "OnCharacterAnimationFinished", 1, 2, 3)                                                                      \
    PLAIN(CurrentCharacterAnimation, 00, bool, (Str, Str))                                                            \
    PLAIN(SetCharacterPlayerVisible, 00, void, (Bool))                                                                \
    PLAIN(MoveCharacterPlayerDisabled, 00, void, (Bool))                                                              \
    PLAIN(SetRunMode, 00, void, (Bool))                                                                               \
    PLAIN(SetRunMode2, 00, void, (Str, Str))                                                                          \
    PLAIN(SetCharacterColor, 00, void, (Str, Int, Int, Int))                                                          \
    PLAIN(SetCharacterSound, 00, void, (Str, Str, Int))                                                               \
    PLAIN(SetCharacterShadow, 00, void, (Str, Bool))                                                                  \
    PLAIN(AddCallback, 00, void, (Str, Str, Str, Num, ONum<-1>))                                                      \
    PLAIN(AddCallbackPlayer, 00, void, (Str, Str, Num, ONum<-1>))                                                     \
    PLAIN(AddCallbackAnimation2D, 00, void, (Str, Str, Num))                                                          \
    PLAIN(DeleteCallback, 00, void, (Str, OStr, OStr, ONum<-1>))                                                      \
    PLAIN(DeleteCallbackPlayer, 00, void, (OStr, OStr, ONum<-1>))                                                     \
    PLAIN(DeleteCallbackAnimation2D, 00, void, (Str, OStr, ONum<-1>))                                                 \
    PLAIN(SetObjectOnCharacter, 00, void, (Str, Str, Str))                                                            \
    PLAIN(SetObjectRotation, 00, void, (Str, Num, Num, Num))                                                          \
    PLAIN(SetObjectTranslation, 00, void, (Str, Num, Num, Num))                                                       \
    PLAIN(SetObjectScale, 00, void, (Str, Num, Num, Num))                                                             \
    PLAIN(SetObjectFrames, 00, void, (Str, Int, Int))                                                                 \
    PLAIN(LoadObject, 00, void, (Str))                                                                                \
    PLAIN(UnloadObject, 00, void, (Str))                                                                              \
    PLAIN(SetGroundObjectPosition, 00, void, (Str, Num, Num, Num))                                                    \
    PLAIN(SetGroundObjectRotation, 00, void, (Str, Num, Num, Num))                                                    \
    PLAIN(TranslateGroundObject, 00, void, (Str, Num, Num, Num, Num))                                                 \
    PLAIN(RotateGroundObject, 00, void, (Str, Num, Num, Num, Num))                                                    \
    PLAIN(SetLightPlayerCharacter, 00, void, (Num, Num, Num))                                                         \
    PLAIN(SetLightPos, 00, void, (Num, Num, Num))                                                                     \
    LOOSE(EnableLight, 00, void, (FloatUns, Bool), ScriptApi::CheckArguments)                                         \
    PLAIN(SetLightDiffuse, 00, void, (Int, Int, Int))                                                                 \
    PLAIN(SetLightAmbient, 00, void, (Int, Int, Int))                                                                 \
    PLAIN(SetLightSpecular, 00, void, (Int, Int, Int))                                                                \
    PLAIN(LoadBillBoard, 00, void, (Str))                                                                             \
    PLAIN(SetBillboardPosition, 00, void, (Str, Num, Num, Num))                                                       \
    PLAIN(SetBillboardPosition2, 00, void, (Str, Num, Num, Num, Num, Num))                                            \
    PLAIN(SetBillboardSize, 00, void, (Str, Num, Num))                                                                \
    PLAIN(ShowBillboard, 00, void, (Str))                                                                             \
    PLAIN(HideBillboard, 00, void, (Str))                                                                             \
    LOOSE(UnlockAchievement, 00, void, (Int), ScriptApi::CheckArguments)                                              \
    PLAIN(Save, 00, void, (Str))                                                                                      \
    PLAIN(Wait, 00, void, (Num))                                                                                      \
    WAIT(WaitAndWaitForEnd, Wait00, (Num), "OnWaitFinished", 0, 0, 1)                                                 \
    PLAIN(OpenFinalURL, 00, void, ())                                                                                 \
    PLAIN(FinishGame, 00, void, ())                                                                                   \
    PLAIN(RequestMainMenu, 00, void, ())                                                                              \
    PLAIN(ZerbRateImmediately, 00, void, ())                                                                          \
    PLAIN(ZerbReportEvent, 00, void, (Str))                                                                           \
    PLAIN(ZerbReportEventWithValue, 00, void, (Str, Int))                                                             \
    PLAIN(TestFileFlagSystemFlag, 00, bool, (Str, Str))                                                               \
    PLAIN(PrintDebugMessage, 00, void, (Str))                                                                         \
    PLAIN(ExitZone, 00, void, (Str))                                                                                  \
    PLAIN(EnableRectBlocker, 00, void, (Uns, Bool))                                                                   \
    PLAIN(EnableBlocker, 00, void, (Uns, Bool))                                                                       \
    PLAIN(AddAnchorZone, 00, void, (Str, Str, ONum<1>))                                                               \
    PLAIN(ActivateAnchorZone, 00, void, (Str, Bool))                                                                  \
    PLAIN(SetCharacterAnchor, 00, void, (Str, Str))                                                                   \
    PLAIN(SetCharacterLookChar, 00, void, (Str, Str, OBool<true>))                                                    \
    PLAIN(Random, 00, unsigned int, (Uns))                                                                            \
    PLAIN(SetCharacterMeshVisible, 00, void, (Str, Str, Bool))                                                        \
    PLAIN(SetRecallageY, 00, void, (Str, Bool))                                                                       \
    PLAIN(AddUnrecalAnim, 00, void, (Str))                                                                            \
    PLAIN(UnlockArtwork, 00, void, (Str))

// The functions the bindings call, one per binding that is not a waiting one
// (named after the binding: PlaySound00, RemoveObject01...), plus the call a
// waiting player walk makes.
#define KA_SCRIPT_ARGS_OF(...) ScriptApi::Args<__VA_ARGS__>
namespace ScriptApi {
struct ExportedFunctionTargets {
#define KA_TARGET_MEMBER(name, suffix, result, arguments) Target<result, KA_SCRIPT_ARGS_OF arguments>::type name##suffix;
#define KA_TARGET_LOOSE(name, suffix, result, arguments, checks) KA_TARGET_MEMBER(name, suffix, result, arguments)
#define KA_TARGET_OVERLOAD(name, suffix, fallback, result, arguments) KA_TARGET_MEMBER(name, suffix, result, arguments)
#define KA_TARGET_NONE(name, callee, arguments, event, param1, param2, compared)
    KA_EXPORTED_FUNCTIONS(KA_TARGET_MEMBER, KA_TARGET_LOOSE, KA_TARGET_OVERLOAD, KA_TARGET_NONE)
#undef KA_TARGET_MEMBER
#undef KA_TARGET_LOOSE
#undef KA_TARGET_OVERLOAD
#undef KA_TARGET_NONE
    void (*MoveCharacterPlayerToWithEndAnim)(float x, float y, float z);
};
} // namespace ScriptApi
using ScriptApi::ExportedFunctionTargets;

// The functions every binding calls; the game's until a test replaces them.
ExportedFunctionTargets& exportedFunctionTargets();
// Puts the game's functions back.
void resetExportedFunctionTargets();

// Registers the 132 bindings as globals of the state (any earlier global of
// those names is replaced, so opening again is harmless). Returns 1.
int tolua_ExportedFunctions_open(lua_State* state);
int luaopen_ExportedFunctions(lua_State* state);

#endif
