// The options file "options.xml" as the application reads it when it
// starts, damaged or forged: the values it takes are what the game can use
// (volumes from 0 to 1, a window size that is a size, a language code,
// artworks that stay inside the save folder), the file the application
// writes back when it ends reads back to the same values, and the second
// run writes the very same file.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/core/KaBackup.h"
#include "engine/core/KaCore.h"
#include "engine/core/KaObject.h"
#include "engine/gui/KaMainWindow.h"
#include "engine/input/KaInputMgr.h"
#include "engine/input/KaScreen.h"
#include "engine/sound/KaSoundManager.h"
#include "fuzz/support/KaFuzzSupport.h"
#include "game/application/Application.h"
#include "game/application/OptionsValues.h"

namespace {

const char* const kChannels[4] = { "sfx", "music", "dialog", "video" };

std::string readAll(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void writeAll(const char* path, const uint8_t* data, size_t size)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

struct Values {
    float volumes[4];
    std::string language;
    KaArray<KaString> artworks;
};

// Starts the application on the file in the save folder, checks what it
// took, and ends it (which writes the file back).
Values run()
{
    Values values;
    Application* app = application.get();
    for (int channel = 0; channel < 4; ++channel) {
        values.volumes[channel] = soundManager.get()->channelVolume(kChannels[channel]);
        KaFuzzCheck(values.volumes[channel] >= 0.0f && values.volumes[channel] <= 1.0f, "a volume is a volume");
    }
    values.language = core.get()->language().c_str();
    KaFuzzCheck(values.language.empty() || OptionsValues::languageCode(core.get()->language()),
        "the language taken is a language code");
    values.artworks = app->artworksUnlocked();
    for (unsigned long i = 0; i < values.artworks.size(); ++i)
        KaFuzzCheck(OptionsValues::artworkPath(values.artworks[i]), "an artwork taken stays inside the save folder");
    KaMainWindow* window = mainWindow.get();
    KaFuzzCheck(window->xSize() >= 0.0f && window->ySize() >= 0.0f, "the window's size is a size");
    application.destroy();
    KaObject::deleteNow();
    return values;
}

void tearDown()
{
    mainWindow.destroy();
    inputMgr.destroy();
    defaultScreen.destroy();
    soundManager.destroy();
    KaObject::deleteNow();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    setenv("ALSOFT_DRIVERS", "null", 1);
    // The application's content: none but what it needs to start, in the
    // scratch folder.
    KaFuzzCheck(chdir(KaFuzzFolder().c_str()) == 0, "the scratch folder");
    const std::string folder(KaFuzzFolder().c_str());
    KaFuzzCheck(mkdir((folder + "/texts").c_str(), 0700) == 0, "the texts folder");
    const char part[] = "applicationTitle = \"FuzzGame\"\nversionString = \"1.0\"\n";
    writeAll((folder + "/texts/Part.lua").c_str(), reinterpret_cast<const uint8_t*>(part), sizeof part - 1);
    KaFuzzCheck(mkdir((folder + "/data").c_str(), 0700) == 0 && mkdir((folder + "/data/FuzzGame").c_str(), 0700) == 0,
        "the save folder");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A folder to write the activity log to is the developer's to choose;
    // the fuzzer must not write logs about the machine.
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (text.find("ActivityTracking") != std::string::npos)
        return 0;

    const KaPath options = KaGetBackupPath(KaPath("options.xml"));
    writeAll(options.c_str(), data, size);
    const std::string language = core.get()->language().c_str();

    const Values first = run();
    const std::string written = readAll(options.c_str());
    const Values second = run();
    KaFuzzCheck(readAll(options.c_str()) == written, "the file written back is written again the same");
    for (int channel = 0; channel < 4; ++channel)
        KaFuzzCheck(first.volumes[channel] == second.volumes[channel] || written.empty(),
            "a volume written back reads back");
    KaFuzzCheck(first.language == second.language, "the language stays the same from run to run");
    KaFuzzCheck(first.artworks.size() == second.artworks.size(), "the artworks written back read back");

    core.get()->language(KaString(language.c_str()));
    core.get()->fileFlagSystemSetFlag("platform", KaString());
    core.get()->fileFlagSystemSetFlag("part", KaString());
    tearDown();
    return 0;
}
