// Screens described in Lua (KaLuaGUI) and the game's "texts/Part.lua", read
// from damaged or forged files: the file runs in the GUI's own state with
// the thirteen constructors; what it made is found by name, its values read
// as the application reads the Part file, and everything goes at the end of
// the frame after an unload. The same file loaded twice gives the same
// outcome; a GUI that was unloaded finds nothing.

#include <cstdlib>

#include "engine/core/KaObject.h"
#include "engine/core/KaVariant.h"
#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaLayout.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/script/KaLuaGUI.h"
#include "fuzz/support/KaFuzzGLContext.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    setenv("ALSOFT_DRIVERS", "null", 1);
    KaFuzzCheck(KaFuzzMakeGLContext(), "an offscreen GL context");
    return 0;
}

namespace {

// What the application reads of "texts/Part.lua", and a few names the
// screens look up.
const char* const kValues[] = { "applicationTitle", "versionString", "firstWarpPath", "firstZone", "firstScene",
    "distributor", "nothing" };
const char* const kNames[] = { "menu", "quitButton", "background", "0", "1", "text", "" };

unsigned long countOf(const KaMap<KaString, KaSpriteLayout*>& sprites, const KaMap<KaString, KaButtonLayout*>& buttons)
{
    return static_cast<unsigned long>(sprites.size() + buttons.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!KaFuzzTameLua(data, size))
        return 0;
    const KaPath path = KaFuzzWriteFile("gui.lua", data, size);
    {
        KaLuaGUI gui;
        const bool ran = gui.load(path);
        KaFuzzCheck(gui.isLoaded(), "a GUI counts as loaded after a load");
        for (const char* name : kValues) {
            const KaVariant value = gui.value(KaString(name));
            value.toString();
        }
        for (const char* name : kNames) {
            gui.layout(KaString(name));
            gui.buttonLayout(KaString(name));
            gui.textLayout(KaString(name));
            gui.colorLinearAnimation(KaString(name));
        }
        const unsigned long made = countOf(gui.spriteLayouts(), gui.buttonLayouts());

        KaFuzzCheck(gui.load(path) == ran, "the same file loaded again runs the same way");
        KaFuzzCheck(countOf(gui.spriteLayouts(), gui.buttonLayouts()) == made, "and makes the same objects");
        KaObject::deleteNow();

        gui.unload();
        KaFuzzCheck(!gui.isLoaded() && gui.spriteLayouts().size() == 0 && gui.buttonLayouts().size() == 0,
            "unload empties the GUI");
        KaFuzzCheck(gui.layout(KaString("menu")) == nullptr && !gui.value(KaString("applicationTitle")).isValid(),
            "an unloaded GUI finds nothing");
        // Destroyed with its objects, as a screen's GUI is at the end.
        gui.load(path);
    }
    KaObject::deleteNow();
    return 0;
}
