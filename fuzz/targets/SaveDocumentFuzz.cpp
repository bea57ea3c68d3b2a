// A damaged, cut or forged saved game read by the game's save reader
// (SaveDocument) against a Lua state holding what a game's state holds when
// a save is applied: the standard libraries, a script's functions and
// tables, and number globals. A save is taken whole or refused whole:
//  - refused, it gives a reason and no element to apply;
//  - taken, its zone and scene are plain names, its inventory objects too,
//    and its saved globals restore without replacing a function or a table;
//  - the values it gave, written again by the game's writer and read back,
//    are the same values.

#include <cmath>
#include <cstring>

#include <lauxlib.h>
#include <tinyxml.h>

#include "engine/script/KaLuaContext.h"
#include "fuzz/support/KaFuzzSupport.h"
#include "game/game/SaveDocument.h"

namespace {

const char* const kScript = "function OnEnter() return 1 end  Inventory = {}  BUTTON_VALID = 1  PS3_Welcome = 0";

KaLuaContext* gameState()
{
    static KaLuaContext* context = nullptr;
    if (!context) {
        context = new KaLuaContext;
        KaFuzzCheck(luaL_dostring(context->luaState(), kScript) == LUA_OK, "the script runs");
    }
    return context;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    gameState();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    KaLuaContext* lua = gameState();
    const KaString text(reinterpret_cast<const char*>(data), size);
    SaveDocument save;
    KaString reason;
    if (!save.read(text, lua, reason)) {
        KaFuzzCheck(reason.length() > 0, "a refused save says why");
        KaFuzzCheck(!save.inventory() && !save.cellphone() && !save.dialog() && !save.contextLua()
                && !save.documentsBrowser() && !save.objectives(),
            "a refused save hands out nothing");
        return 0;
    }
    KaFuzzCheck(!save.hasZone || SaveDocument::plainName(save.zone), "a taken zone is a plain name");
    KaFuzzCheck(!save.hasScene || SaveDocument::plainName(save.scene), "a taken scene is a plain name");
    KaFuzzCheck(!save.hasPlayedTime || save.hasDifficulty, "the played time is read only with a difficulty");
    KaFuzzCheck(!save.hasPlayedTime || (std::isfinite(save.playedSeconds) && save.playedSeconds >= 0.0),
        "a taken played time is a number of seconds");

    if (TiXmlElement* globals = save.contextLua()) {
        KaLuaContext restored;
        lua_State* state = restored.luaState();
        KaFuzzCheck(luaL_dostring(state, kScript) == LUA_OK, "the script runs");
        restored.load(*globals);
        KaFuzzCheck(luaL_dostring(state, "assert(type(OnEnter) == 'function' and type(Inventory) == 'table')"
                                         "assert(type(print) == 'function' and type(string) == 'table')"
                                         "assert(_G == _G._G and OnEnter() == 1)") == LUA_OK,
            "a taken save replaces no function or table");
    }

    if (!save.hasZone || !save.hasScene)
        return 0;
    TiXmlDocument document;
    document.LinkEndChild(SaveDocument::declaration());
    TiXmlElement* root = new TiXmlElement("Save");
    document.LinkEndChild(root);
    SaveDocument::writeVersion(*root);
    save.write(*root);
    TiXmlPrinter printer;
    document.Accept(&printer);
    SaveDocument again;
    KaString why;
    KaFuzzCheck(again.read(KaString(printer.CStr()), lua, why), "a save written again reads again");
    KaFuzzCheck(again.zone == save.zone && again.scene == save.scene, "the place comes back");
    KaFuzzCheck(!save.hasDifficulty || again.difficulty == save.difficulty, "the difficulty comes back");
    KaFuzzCheck(!save.hasPlayedTime || again.playedSeconds == std::floor(save.playedSeconds),
        "the played time comes back in whole seconds");
    KaFuzzCheck(!save.hasObjectsTaken
            || (again.objectsTaken == save.objectsTaken && again.objectsTakenBits == save.objectsTakenBits),
        "the taken objects come back");
    KaFuzzCheck(!save.hasDialogsTold || again.dialogsTold == save.dialogsTold, "the told dialogs come back");
    KaFuzzCheck(!save.hasPreviousScene || again.previousScene == save.previousScene, "the previous scene comes back");
    KaFuzzCheck(!save.hasFirstInInventory || again.firstInInventory == save.firstInInventory,
        "the inventory's first-time flag comes back");
    KaFuzzCheck(!save.hasTutorialActive || again.tutorialActive == save.tutorialActive,
        "the tutorial flag comes back");
    return 0;
}
