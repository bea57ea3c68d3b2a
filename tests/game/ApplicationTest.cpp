#include "game/application/OptionsValues.h"
#include <sys/wait.h>
#include <unistd.h>

#include "engine/core/KaBackup.h"
#include "tests/game/ApplicationTestFixture.h"

#include <sys/stat.h>
#include <utility>
#include <vector>

namespace {

const char* const windowedOptions = "<?xml version=\"1.0\" ?>\n"
                                    "<GameVersion major=\"1\" minor=\"0\" />\n"
                                    "<DebugResolution x=\"800\" y=\"600\" maximized=\"0\" />\n"
                                    "<DebugFullScreen value=\"0\" />\n"
                                    "<SFXVolume value=\"0.500000\" />\n"
                                    "<MusicVolume value=\"0.250000\" />\n"
                                    "<DialogVolume value=\"0.700000\" />\n"
                                    "<VideoVolume value=\"0.700000\" />\n"
                                    "<SetLigthPlayerCharacter value=\"1\" />\n"
                                    "<ArtworksUnlocked>\n"
                                    "    <Movie0 artworkPath=\"movies/intro.ogv\" unlocked=\"1\" />\n"
                                    "</ArtworksUnlocked>\n"
                                    "<DebugLanguage value=\"fr\" />\n"
                                    "<AlreadyRated value=\"1\" />\n";

TEST_F(ApplicationTest, OptionsReadAppliedAndWrittenBackByteForByte)
{
    writeOptions(windowedOptions);
    Application* app = application.get();
    EXPECT_FLOAT_EQ(soundManager.get()->channelVolume("sfx"), 0.5f);
    EXPECT_FLOAT_EQ(soundManager.get()->channelVolume("music"), 0.25f);
    EXPECT_EQ(mainWindow.get()->xSize(), 800.0f);
    EXPECT_EQ(mainWindow.get()->ySize(), 600.0f);
    EXPECT_FALSE(mainWindow.get()->fullScreen());
    EXPECT_TRUE(app->lightOnPlayerCharacter());
    EXPECT_TRUE(app->alreadyRated());
    EXPECT_EQ(std::string(core.get()->language().c_str()), "fr");
    ASSERT_EQ(app->artworksUnlocked().size(), 1u);
    EXPECT_EQ(std::string(core.get()->applicationName().c_str()), "UnitGame");

    application.destroy();
    EXPECT_EQ(readFile(optionsPath()), windowedOptions);
    // Saving again without a change gives the same bytes.
    application.get();
    application.destroy();
    EXPECT_EQ(readFile(optionsPath()), windowedOptions);
}

TEST_F(ApplicationTest, VolumesFollowFileOrderAndStayVolumes)
{
    struct Case {
        const char* elements;
        const char* channel;
        float volume;
    } cases[] = {
        { "<MusicVolume value=\"0.3\" /><MusicOn value=\"0\" />", "music", 0.0f },
        { "<MusicOn value=\"0\" /><MusicVolume value=\"0.3\" />", "music", 0.3f },
        { "<MusicOn value=\"1\" />", "music", 1.0f },
        { "<SFXVolume value=\"7\" />", "sfx", 1.0f },
        { "<DialogVolume value=\"-2\" />", "dialog", 0.0f },
        { "<VideoVolume value=\"nan\" />", "video", 0.0f },
        { "<VideoVolume />", "video", 0.7f },
    };
    for (const Case& c : cases) {
        writeOptions(std::string("<?xml version=\"1.0\" ?>\n") + c.elements);
        application.get();
        EXPECT_FLOAT_EQ(soundManager.get()->channelVolume(c.channel), c.volume) << c.elements;
        application.destroy();
        soundManager.destroy();
    }
}

TEST_F(ApplicationTest, WindowElements)
{
    // Without "DebugFullScreen" the game starts full screen and the file
    // gets no such element; a resolution the window cannot take is ignored
    // but remembered, and written back with the window's real size.
    writeOptions("<?xml version=\"1.0\" ?>\n<DebugResolution x=\"0\" y=\"600\" />\n");
    mainWindow.get()->setSize(KaVector3f32(640, 480, 0));
    application.get();
    EXPECT_TRUE(mainWindow.get()->fullScreen());
    EXPECT_EQ(mainWindow.get()->xSize(), 640.0f);
    application.destroy();
    const std::string saved = readFile(optionsPath());
    EXPECT_NE(saved.find("<DebugResolution x=\"640\" y=\"480\" maximized=\"0\" />"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("DebugFullScreen"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("DebugWindowPosition"), std::string::npos) << saved;
}

TEST_F(ApplicationTest, PathsFromTheOptionsStayLanguageCodesAndNamesInsideTheSaveFolder)
{
    struct Case {
        const char* value;
        bool language;
        bool artwork;
    };
    const Case cases[] = {
        { "fr", true, true },
        { "pt_BR", true, true },
        { "zh-Hant", true, true },
        { "ArtworkTideTable", false, true },
        { "movies/intro.ogv", false, true },
        { "../../../../etc/passwd", false, false },
        { "/etc/passwd", false, false },
        { "a/../../b", false, false },
        { "a//b", false, false },
        { "a/", false, false },
        { ".", false, false },
        { "..", false, false },
        { "a\\b", false, false },
        { "fr/..", false, false },
        { "f", false, true },
        { "", false, false },
        { "en us", false, false },
        { "english", false, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(OptionsValues::languageCode(KaString(c.value)), c.language);
        EXPECT_EQ(OptionsValues::artworkPath(KaString(c.value)), c.artwork);
    }

    // Read from the file: the bad values are refused with a line, never
    // applied and never written back; the good ones are kept.
    writeOptions("<?xml version=\"1.0\" ?>\n"
                 "<ArtworksUnlocked>\n"
                 "    <Movie0 artworkPath=\"../../../../etc/passwd\" unlocked=\"1\" />\n"
                 "    <Movie1 artworkPath=\"ArtworkTideTable\" unlocked=\"1\" />\n"
                 "    <Movie2 artworkPath=\"/etc/passwd\" unlocked=\"1\" />\n"
                 "</ArtworksUnlocked>\n"
                 "<DebugLanguage value=\"../../../../etc/passwd\" />\n");
    const std::string before(core.get()->language().c_str());
    std::string console;
    {
        KaCaptureStdout capture;
        application.get();
        console = capture.text();
    }
    EXPECT_NE(console.find("\"../../../../etc/passwd\" is not a language code"), std::string::npos) << console;
    EXPECT_NE(console.find("\"/etc/passwd\" is not a path inside the save folder"), std::string::npos) << console;
    EXPECT_EQ(std::string(core.get()->language().c_str()), before);
    ASSERT_EQ(application.get()->artworksUnlocked().size(), 1u);
    EXPECT_EQ(std::string(application.get()->artworksUnlocked()[0].c_str()), "ArtworkTideTable");
    const std::map<KaString, bool>& artworks = application.get()->game().artworks();
    EXPECT_EQ(artworks.size(), 1u);
    application.destroy();
    const std::string written = readFile(optionsPath());
    EXPECT_EQ(written.find("passwd"), std::string::npos) << written;
    EXPECT_NE(written.find("ArtworkTideTable"), std::string::npos) << written;
}

TEST_F(ApplicationTest, SaveFolderWithoutTitleAndAFailedSave)
{
    ASSERT_EQ(unlink("texts/Part.lua"), 0);
    {
        KaCaptureStdout console;
        application.get();
        console.text();
    }
    EXPECT_EQ(std::string(core.get()->applicationName().c_str()), Application::defaultTitle());
    EXPECT_TRUE(application.get()->saveOptions("options.xml"));
    EXPECT_FALSE(readFile(optionsPath(Application::defaultTitle())).empty());

    // A save folder that is a file: the write fails, is reported, and the
    // caller learns it.
    core.get()->setApplicationName("Blocked");
    saves.write("Blocked", "not a folder");
    KaCaptureStdout console;
    EXPECT_FALSE(application.get()->saveOptions("options.xml"));
    EXPECT_NE(console.text().find("ActionManager::Save: error"), std::string::npos);
}

TEST_F(ApplicationTest, DefinitionTagFromWindowInches)
{
    application.get();
    struct Case {
        float width, height;
        const char* definition;
    } cases[] = { { 1024, 768, "HD" }, { 300, 200, "SD" } };
    for (const Case& c : cases) {
        mainWindow.get()->setSize(KaVector3f32(c.width, c.height, 0));
        application.get()->onMainWindowSizeChanged();
        EXPECT_EQ(std::string(core.get()->fileFlagSystemFlag("definition").c_str()), c.definition);
    }
}


TEST_F(ApplicationFrameTest, SplashesFollowOneAnotherThenEnd)
{
    start();
    EXPECT_TRUE(application.get()->isCreated());
    EXPECT_NE(log.find("[SplashScreens] splash 0"), std::string::npos) << log;
    for (int i = 0; i < 80; ++i)
        frame();
    EXPECT_EQ(log.find("splash 1"), std::string::npos) << "1.5 s are not over";
    for (int i = 0; i < 20; ++i)
        frame();
    EXPECT_NE(log.find("[SplashScreens] splash 1"), std::string::npos) << log;
    for (int i = 0; i < 100; ++i)
        frame();
    EXPECT_NE(log.find("end of the splash screens"), std::string::npos) << log;
    EXPECT_FALSE(application.get()->splashScreens().entered());
}

// The first splash comes without a fade: there is nothing before it, and a
// copy of it fading out over itself shows every caption twice when the
// window changes size meanwhile. The second fades in over the first.
TEST_F(ApplicationFrameTest, OnlyTheSplashesAfterTheFirstFadeIn)
{
    start();
    Application* app = application.get();
    EXPECT_FALSE(app->isFading());
    EXPECT_FALSE(app->visualFade().captureSprite().visible());
    for (int i = 0; i < 100 && log.find("[SplashScreens] splash 1") == std::string::npos; ++i)
        frame();
    ASSERT_NE(log.find("[SplashScreens] splash 1"), std::string::npos) << log;
    EXPECT_TRUE(app->isFading());
}

TEST_F(ApplicationFrameTest, ANumberMissingEndsTheSequence)
{
    ASSERT_EQ(unlink("menus/splashes/splash1.lua"), 0);
    content.write("menus/splashes/splash2.lua", splash);
    start();
    for (int i = 0; i < 100; ++i)
        frame();
    EXPECT_NE(log.find("end of the splash screens"), std::string::npos) << log;
    EXPECT_EQ(log.find("splash 2"), std::string::npos) << log;
}

TEST_F(ApplicationFrameTest, AClickOnTheSplashEndsItAtOnce)
{
    start();
    // Buttons take no click in the first half second after input starts.
    for (int i = 0; i < 40; ++i)
        frame();
    // Off the centre, where the fade's blocking button (one pixel, as the
    // fade leaves it) would take the click.
    KaCaptureStdout console;
    inputMgr.get()->setMouseRawPosition(KaVector2s32(100, 80), 0);
    inputMgr.get()->setMouseLeft(true, 0);
    inputMgr.get()->setMouseLeft(false, 0);
    log += console.text();
    frame();
    EXPECT_NE(log.find("end of the splash screens"), std::string::npos) << log;
    EXPECT_EQ(log.find("splash 1"), std::string::npos) << log;
}

TEST_F(ApplicationFrameTest, OneCapturePerFrameAndTheFadeRuns)
{
    start();
    frame();
    Application* app = application.get();
    EXPECT_FALSE(app->capturedThisFrame());
    app->captureFade();
    EXPECT_TRUE(app->capturedThisFrame());
    app->fade();
    EXPECT_TRUE(app->isFading());
    frame();
    EXPECT_FALSE(app->capturedThisFrame());
    for (int i = 0; i < 30; ++i)
        frame();
    EXPECT_FALSE(app->isFading()) << "the fade lasts 400 ms";
}

TEST_F(ApplicationFrameTest, AFadedOutCaptureIsNoLongerDrawnUntilTheNextFade)
{
    start();
    // Past the splashes, whose changes start fades of their own.
    for (int i = 0; i < 240; ++i)
        frame();
    Application* app = application.get();
    ASSERT_FALSE(app->splashScreens().entered());
    ASSERT_FALSE(app->isFading());
    KaSpriteLayout& capture = app->visualFade().captureSprite();
    // Twice: the capture hidden after one fade must show again for the next.
    for (int fade = 0; fade < 2; ++fade) {
        app->captureFade();
        app->fade();
        frame();
        EXPECT_TRUE(capture.visible()) << "fade " << fade;
        EXPECT_GT(capture.color().a, 0) << "fade " << fade;
        for (int i = 0; i < 30; ++i)
            frame();
        ASSERT_FALSE(app->isFading());
        EXPECT_EQ(capture.color().a, 0) << "fade " << fade;
        EXPECT_FALSE(capture.visible()) << "a transparent full-screen sprite drawn every frame, fade " << fade;
    }
    // The black fade leaves the capture hidden, opaque as it ends.
    app->blackFade();
    for (int i = 0; i < 130; ++i)
        frame();
    ASSERT_FALSE(app->isFading());
    EXPECT_FALSE(capture.visible());
}

TEST_F(ApplicationFrameTest, ObjectsReleasedDuringAFrameGoAtItsEnd)
{
    start();
    struct Probe : KaObject {
        explicit Probe(bool* flag) : goneFlag(flag) { }
        ~Probe() override { *goneFlag = true; }
        bool* goneFlag;
    };
    bool gone = false;
    (new Probe(&gone))->deleteLater();
    EXPECT_FALSE(gone);
    frame();
    EXPECT_TRUE(gone);
}

TEST_F(ApplicationFrameTest, CursorFollowsThePointer)
{
    start();
    inputMgr.get()->setMouseRawPosition(KaVector2s32(80, 60), 0);
    const KaVector3f32 position = application.get()->mouseCursor().userPosition();
    EXPECT_FLOAT_EQ(position.x, 0.25f);
    EXPECT_FLOAT_EQ(position.y, 0.25f);
}

}

namespace {

TEST_F(ApplicationTest, TheFirstStartUpFileMissingOrUnreadableByItsFullPath)
{
    const char* const needed[] = { "texts/Part.lua", "menus/mainMenu/mainMenu.lua", "Common/Fonts/ComicRelief.ttf",
        "Common/Fonts/Argh.ttf", "Common/Fonts/arial.ttf", "Common/Fonts/CHAUCER.TTF",
        "Common/Fonts/Colaborate-Regular.otf", "Common/Fonts/ProDisplay.ttf" };
    char real[4096];
    ASSERT_NE(realpath(content.path().c_str(), real), nullptr);
    const std::string folder = real;
    // Only "texts/Part.lua" so far: the main menu's GUI is the first missing.
    EXPECT_EQ(std::string(Application::missingStartupFile().c_str()), folder + "/menus/mainMenu/mainMenu.lua");
    for (const char* file : needed)
        content.write(file, "x");
    EXPECT_EQ(std::string(Application::missingStartupFile().c_str()), "");
    // Each in turn: missing, then a folder in its place (it exists, but
    // cannot be read).
    for (const char* file : needed) {
        const std::string path = folder + "/" + file;
        ASSERT_EQ(unlink(path.c_str()), 0);
        EXPECT_EQ(std::string(Application::missingStartupFile().c_str()), path) << file;
        ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
        EXPECT_EQ(std::string(Application::missingStartupFile().c_str()), path) << file;
        ASSERT_EQ(rmdir(path.c_str()), 0);
        content.write(file, "x");
    }
    // A file in a variant folder of an active tag is there.
    ASSERT_EQ(unlink((folder + "/menus/mainMenu/mainMenu.lua").c_str()), 0);
    content.write("menus/mainMenu/MacOSX/mainMenu.lua", "x");
    EXPECT_EQ(std::string(Application::missingStartupFile().c_str()), "");
}

// What "options.xml" keeps of the window: a switch the player made in this
// run (Alt+Enter, F11), with the size of the window when not full screen;
// not a choice the game was started with from the command line.
TEST_F(ApplicationFrameTest, TheWindowChoiceKeptIsThePlayers)
{
    struct Case {
        const char* name;
        const char* options;
        // Applied after construction, as the command line would be: -1 none.
        int commandLine;
        // The player's switches, each followed by the size the window took.
        std::vector<std::pair<bool, KaVector3f32>> switches;
        const char* kept;
        const char* absent;
    } cases[] = {
        { "window kept", "<DebugResolution x=\"320\" y=\"240\" />\n<DebugFullScreen value=\"0\" />\n", -1, {},
            "<DebugResolution x=\"320\" y=\"240\" maximized=\"0\" />\n<DebugFullScreen value=\"0\" />", nullptr },
        { "to full screen: the window's size, not the screen's",
            "<DebugResolution x=\"320\" y=\"240\" />\n<DebugFullScreen value=\"0\" />\n", -1,
            { { true, KaVector3f32(1280, 1024, 0) } },
            "<DebugResolution x=\"320\" y=\"240\" maximized=\"0\" />\n<DebugFullScreen value=\"1\" />", nullptr },
        { "from the default full screen to a window", "", -1, { { false, KaVector3f32(640, 480, 0) } },
            "<DebugResolution x=\"640\" y=\"480\" maximized=\"0\" />\n<DebugFullScreen value=\"0\" />", nullptr },
        { "there and back: nothing to keep", "", -1,
            { { false, KaVector3f32(640, 480, 0) }, { true, KaVector3f32(1280, 1024, 0) } }, "<GameVersion",
            "Debug" },
        { "the command line's full screen is for its run",
            "<DebugResolution x=\"320\" y=\"240\" />\n<DebugFullScreen value=\"0\" />\n", 1, {},
            "<DebugFullScreen value=\"0\" />", nullptr },
        { "the command line's window too", "", 0, {}, "<GameVersion", "Debug" },
        { "a switch after the command line's choice is kept", "<DebugFullScreen value=\"1\" />\n", 0,
            { { true, KaVector3f32(1280, 1024, 0) } }, "<DebugFullScreen value=\"1\" />", "DebugResolution" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeOptions(std::string("<?xml version=\"1.0\" ?>\n") + c.options);
        mainWindow.get()->setSize(KaVector3f32(320, 240, 0));
        {
            KaCaptureStdout console;
            application.get();
            if (c.commandLine >= 0)
                mainWindow.get()->setFullScreen(c.commandLine == 1);
            mainWindow.get()->create();
            renderer.get()->init();
            application.get()->create();
            for (const auto& change : c.switches) {
                mainWindow.get()->setFullScreen(change.first);
                mainWindow.get()->setSize(change.second);
            }
            application.destroy();
        }
        const std::string saved = readFile(optionsPath());
        EXPECT_NE(saved.find(c.kept), std::string::npos) << saved;
        if (c.absent) {
            EXPECT_EQ(saved.find(c.absent), std::string::npos) << saved;
        }
        KaObject::deleteNow();
        mainWindow.destroy();
    }
}

TEST_F(ApplicationTest, ADamagedOptionsFileIsKeptBesideTheDefaults)
{
    const std::string damaged = "<?xml version=\"1.0\" ?>\n<SFXVolume value=\"0.5\" />\n<ArtworksUnlocked>";
    writeOptions(damaged);
    {
        KaCaptureStdout console;
        application.get();
        EXPECT_NE(std::string::npos, console.text().find("the damaged \"options.xml\" is kept as \"" + optionsPath() + ".damaged\""))
            << console.text();
    }
    EXPECT_FLOAT_EQ(soundManager.get()->channelVolume("sfx"), 0.7f);
    application.destroy();
    EXPECT_EQ(damaged, readFile(optionsPath() + ".damaged"));
    // The defaults were written in its place and read normally next time.
    EXPECT_NE(std::string::npos, readFile(optionsPath()).find("<SFXVolume value=\"0.700000\" />"));
}

TEST_F(ApplicationTest, ASecondCopyNeitherReadsNorWritesTheOptions)
{
    writeOptions(windowedOptions);
    // Another process holds the save folder.
    int ready[2];
    int release[2];
    ASSERT_EQ(0, pipe(ready));
    ASSERT_EQ(0, pipe(release));
    core.get()->setApplicationName("UnitGame");
    const pid_t child = fork();
    ASSERT_NE(-1, child);
    if (child == 0) {
        const char taken = backupManager.get()->lock() ? 'y' : 'n';
        (void)!write(ready[1], &taken, 1);
        char done = 0;
        (void)!read(release[0], &done, 1);
        _exit(0);
    }
    char taken = 0;
    ASSERT_EQ(1, read(ready[0], &taken, 1));
    ASSERT_EQ('y', taken);
    {
        KaCaptureStdout console;
        Application* app = application.get();
        EXPECT_TRUE(app->alreadyRunning());
        EXPECT_TRUE(mainWindow.get()->closeRequested());
        EXPECT_NE(std::string::npos, console.text().find("[Application] UnitGame is already running: this copy closes."))
            << console.text();
        EXPECT_FALSE(app->artworksUnlocked().size() > 0) << "the options were read";
        writeOptions("changed by the first copy");
        application.destroy();
    }
    EXPECT_EQ("changed by the first copy", readFile(optionsPath()));
    const char done = 'd';
    ASSERT_EQ(1, write(release[1], &done, 1));
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    for (int fd : { ready[0], ready[1], release[0], release[1] })
        close(fd);
}

}
