// What a saved game restores once its document is accepted, from a damaged
// or forged "save.xml": the inventory and its objects, the phone's numbers,
// the documents browser and its documents, against the sample game's own
// screens (the content folder of the source tree); and the movie gallery's
// reading of "MoviesPlayed" from the same file. Restored belongings save
// and restore again to the same belongings; nothing reads from a file that
// does not load.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include <lauxlib.h>
#include <tinyxml.h>

#include "engine/core/KaBackup.h"
#include "engine/core/KaCore.h"
#include "engine/core/KaObject.h"
#include "engine/core/KaXMLLoad.h"
#include "engine/script/KaLuaContext.h"
#include "fuzz/support/KaFuzzGLContext.h"
#include "fuzz/support/KaFuzzSupport.h"
#include "game/application/Application.h"
#include "game/documents/DocumentsBrowser.h"
#include "game/game/SaveDocument.h"
#include "game/inventory/Cellphone.h"
#include "game/inventory/Inventory.h"
#include "game/menus/GalleryMenu.h"

namespace {

const char* const kScript = "function OnEnter() return 1 end  Inventory = {}  BUTTON_VALID = 1";

KaLuaContext* gameState()
{
    static KaLuaContext* context = nullptr;
    if (!context) {
        context = new KaLuaContext;
        KaFuzzCheck(luaL_dostring(context->luaState(), kScript) == LUA_OK, "the script runs");
    }
    return context;
}

std::string gSavePath;

// The belongings saved and read into fresh screens, as the next load of
// the game reads them.
void roundTrip(Inventory& inventory, DocumentsBrowser& browser)
{
    TiXmlElement saved("Save");
    inventory.saveToBackup(saved);
    browser.saveToBackup(saved);
    Inventory again;
    again.load();
    if (TiXmlElement* element = saved.FirstChildElement("Inventory"))
        again.loadFromBackup(*element);
    KaFuzzCheck(again.objects().size() == inventory.objects().size(), "the inventory saves and restores the same");
    DocumentsBrowser browserAgain;
    browserAgain.load();
    if (TiXmlElement* element = saved.FirstChildElement("DocumentsBrowser"))
        browserAgain.loadFromBackup(*element);
    again.unload();
    browserAgain.unload();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    setenv("ALSOFT_DRIVERS", "null", 1);
    KaFuzzCheck(KaFuzzMakeGLContext(), "an offscreen GL context");
    KaFuzzCheck(chdir(KA_SOURCE_DIR "/content") == 0, "the sample game's content");
    gameState();
    application.get();
    const std::string folder(KaGetBackupPath(KaPath("save.xml")).c_str());
    gSavePath = folder;
    const std::string parent = folder.substr(0, folder.rfind('/'));
    mkdir(parent.substr(0, parent.rfind('/')).c_str(), 0700);
    mkdir(parent.c_str(), 0700);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    {
        std::ofstream file(gSavePath, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    SaveDocument save;
    KaString reason;
    if (save.read(KaString(reinterpret_cast<const char*>(data), size), gameState(), reason)) {
        Inventory inventory;
        inventory.load();
        inventory.loadCellphone();
        if (TiXmlElement* element = save.inventory())
            inventory.loadFromBackup(*element);
        if (TiXmlElement* element = save.cellphone()) {
            Cellphone* phone = inventory.cellphone();
            KaFuzzCheck(phone != nullptr, "the inventory has its phone");
            const unsigned long before = phone->numbers().size();
            phone->loadFromBackup(*element);
            KaFuzzCheck(phone->numbers().size() >= before, "a restored phone keeps its numbers");
        }
        DocumentsBrowser browser;
        browser.load();
        TiXmlDocument document;
        if (KaXMLLoad(KaPath(gSavePath.c_str()), document, "[fuzz]"))
            if (TiXmlElement* root = document.FirstChildElement("Save"))
                if (TiXmlElement* element = root->FirstChildElement("DocumentsBrowser"))
                    browser.loadFromBackup(*element);
        KaXMLFreeBuffer();
        roundTrip(inventory, browser);
        inventory.unload();
        browser.unload();
    }
    KaObject::deleteNow();

    // The gallery opens the entries of the movies the file records.
    {
        GalleryMenu gallery;
        gallery.enter();
        gallery.leave();
    }
    KaObject::deleteNow();
    return 0;
}
