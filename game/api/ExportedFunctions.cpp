#include "game/api/ExportedFunctions.h"

#include <cstdlib>

#include "engine/base/KaStd.h"
#include "engine/core/KaCore.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/script/KaLuaGUI.h"
#include "engine/script/KaLuaScript.h"
#include "game/api/ExportedFunctionsGame.h"
#include "game/api/YieldedCallback.h"
#include "game/application/Application.h"

KaVector3f32 posPlayer(-1.0f, -1.0f, -1.0f);
KaString lastHitObjectName;

void abandonStartingWait(const KaString& event, const KaString& param1)
{
    for (unsigned long i = 0; i < yieldedCallbacks.size(); ++i) {
        const YieldedCallback& record = yieldedCallbacks[i];
        if (!record.thread && record.event == event && record.param1 == param1) {
            yieldedCallbacks.removeFastAt(i);
            return;
        }
    }
}

namespace ExportedFunctionsGame {

Game& game() { return application.get()->game(); }

InGameScene& scene() { return game().scene3D(); }

KaQuaternion rotationFromDegrees(float x, float y, float z)
{
    const float toRadians = 3.1415927f / 180.0f;
    return KaQuaternion::fromEuler(KaVector3f32(x * toRadians, y * toRadians, z * toRadians));
}

void callScript(const char* function) { game().script().execute(function); }

bool setBackground(const KaString& file) { return game().setBackground(file); }

bool startAnimation(const KaString& sprite, int count, bool flag) { return game().startAnimation(sprite, count, flag); }

bool addAnimToSet(const KaString& zoneAndScene) { return game().addAnimToSet(zoneAndScene); }

bool playMovie(const KaString& video, const KaString& sound) { return game().playMovie(video, sound); }

void finishGame() { game().finishGame(); }

void lockCursorFromAction(bool locked) { application.get()->lockCursorFromAction(locked); }

void setPlayerArrived(bool arrived) { game().setPlayerArrived(arrived); }

} // namespace ExportedFunctionsGame

using namespace ExportedFunctionsGame;

namespace {

// A save is written inside the save folder only: a plain relative name,
// without a way out of it.
bool isSaveName(const KaString& file)
{
    const std::string name(file.c_str());
    if (name.empty() || name[0] == '/' || name[0] == '\\' || name.find(':') != std::string::npos)
        return false;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of("/\\", start);
        if (end == std::string::npos)
            end = name.size();
        const std::string part = name.substr(start, end - start);
        if (part == "..")
            return false;
        start = end + 1;
    }
    return true;
}

} // namespace

void ChangeWarp(const KaString& zone, const KaString& scene, bool black)
{
    if (!game().changeWarp(zone, scene, black))
        KaPrintf("[ChangeWarp] Zone \"%s\" with number Scene \"%s\" don't exist. Please reload and change with correct "
                 "name.\n",
            zone.c_str(), scene.c_str());
}

void RequestAutoSave() { game().requestSave(); }

void Save(const KaString& file)
{
    if (!isSaveName(file)) {
        KaPrintf("[Save] \"%s\" is not a file name of the save folder.\n", file.c_str());
        return;
    }
    // The game goes on either way; the console says why the save failed.
    if (!game().saveBackup(KaPath(file)))
        KaPrintf("[Save] \"%s\" could not be saved.\n", file.c_str());
}

void LockCursor(bool locked) { lockCursorFromAction(locked); }

void SetCondition(const KaString& name) { game().luaContext().setGlobal(name, true); }

void UnsetCondition(const KaString& name) { game().luaContext().setGlobal(name, false); }

bool TutoActive() { return application.get()->tutorialActive(); }

void Wait(float seconds) { scene().wait(seconds); }

void FinishGame() { finishGame(); }

void RequestMainMenu() { game().setRequestMainMenu(true); }

void OpenFinalURL()
{
    KaLuaGUI gui;
    gui.load("finalURL.lua");
    const KaString url = gui.value("finalURL").toString();
    (void)url;
    gui.unload();
}

void UnlockAchievement(int) { game().addToScore(Game::EGameScoreAchievement); }

void UnlockArtwork(const KaString& name)
{
    game().addArtworkUnlocked(name, true);
    // The options file lists what it was given: without this entry the
    // artwork would be locked again at the next start.
    KaArray<KaString>& unlocked = application.get()->artworksUnlocked();
    if (!unlocked.contains(name))
        unlocked.pushBack(name);
    application.get()->saveOptions("options.xml");
}

bool TestFileFlagSystemFlag(const KaString& tag, const KaString& value)
{
    if (tag == "platform" && value == "Android")
        return true;
    return core.get()->fileFlagSystemFlag(tag) == value;
}

void PrintDebugMessage(const KaString& text) { KaPrintf("%s", text.c_str()); }

void ExitZone(const KaString&) { }

unsigned int Random(unsigned int n)
{
    if (n == 0)
        return 0;
    return static_cast<unsigned int>(rand()) % n;
}

void ZerbRateImmediately() { }

void ZerbReportEvent(const KaString&) { }

void ZerbReportEventWithValue(const KaString&, int) { }
