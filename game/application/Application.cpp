#include "game/application/Application.h"
#include "game/application/OptionsValues.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/base/KaStd.h"
#include "engine/core/KaBackup.h"
#include "engine/core/KaBaseFile.h"
#include "engine/core/KaCore.h"
#include "engine/core/KaFile.h"
#include "engine/core/KaGetShownPath.h"
#include "engine/core/KaGetDeviceDPI.h"
#include "engine/core/KaObject.h"
#include "engine/core/KaResourceManager.h"
#include "engine/core/KaTimer.h"
#include "engine/graphics/KaCamera.h"
#include "engine/graphics/KaRenderer.h"
#include "engine/gui/KaMainWindow.h"
#include "engine/gui/KaTextBase2.h"
#include "engine/gui/KaVideo.h"
#include "engine/input/KaInputMgr.h"
#include "engine/scene/KaAnimation.h"
#include "engine/scene/KaTiledSurface.h"
#include "engine/script/KaLuaGUI.h"
#include "engine/sound/KaSoundManager.h"
#include "game/characters/CharactersShadow.h"

KaSingleton<Application> application;

namespace {

const char* const channels[4] = { "sfx", "music", "dialog", "video" };
const char* const volumeElements[4] = { "SFXVolume", "MusicVolume", "DialogVolume", "VideoVolume" };
const char* const fallbackLanguages[6] = { "en", "fr", "de", "es", "it", "ru" };

const char* const fontFiles[6] = { "Common/Fonts/ComicRelief.ttf", "Common/Fonts/Argh.ttf", "Common/Fonts/arial.ttf",
    "Common/Fonts/CHAUCER.TTF", "Common/Fonts/Colaborate-Regular.otf", "Common/Fonts/ProDisplay.ttf" };

// A volume read from a hand-edited file stays a volume.
float clampVolume(double value)
{
    if (!(value > 0.0))
        return 0.0f;
    return value < 1.0 ? static_cast<float>(value) : 1.0f;
}

// TinyXML's attribute query that reports whether an integer was read.
bool intAttribute(const TiXmlElement* element, const char* name, int& value)
{
    return element && element->QueryIntAttribute(name, &value) == TIXML_SUCCESS;
}

void setBlink(Application::ColorAnim& blink, KaSpriteLayout& icon, int repeat)
{
    blink.timer().pausable(false);
    blink.mStartValue = KaColor(255, 255, 255, 0);
    blink.mEndValue = KaColor(255, 255, 255, 255);
    KaArray<float> curve;
    curve.pushBack(0.0f);
    curve.pushBack(1.0f);
    curve.pushBack(1.0f);
    curve.pushBack(0.0f);
    blink.setCurve(curve);
    blink.mDuration = 4000.0f;
    blink.setRepeatCount(static_cast<unsigned int>(repeat));
    blink.mTarget = &icon;
    blink.mSetter = &Ka3DObject2::setColor;
}

}

Application::Application()
    : mCreated(false)
    , mCapturedThisFrame(false)
    , mMaximized(false)
    , mHasDebugResolution(false)
    , mDebugResolutionUsable(false)
    , mHasDebugWindowPosition(false)
    , mDebugFullScreen(false)
    , mHasDebugFullScreen(false)
    , mCreatedFullScreen(true)
    , mWindowedSize(0, 0)
    , mHasActivityTracking(false)
    , mFirstMainMenuEntry(true)
    , mTutorialActive(true)
    , mGameFinished(false)
    , mLightOnPlayerCharacter(false)
    , mAlreadyRated(false)
    , mDifficulty(EApplicationDifficultyDefault)
    , mDestroyed(false)
    , mAlreadyRunning(false)
    , mSaveFailureTold { false, false }
{
    KaCore* kaCore = core.get();
    setContentTags();
    readPartFile();
    kaCore->fileFlagSystemSetFlag("distributor", "DefaultDistributor");
    // The title names the save folder: without one the options and saves
    // still need a folder of their own.
    const KaString title = mApplicationTitle.length() > 0 ? mApplicationTitle : KaString(defaultTitle());
    kaCore->setApplicationName(title);
    mainWindow.get()->setName(title);
    for (const char* channel : channels)
        soundManager.get()->setChannelVolume(channel, 0.7f);
    mSaveCorruptConfirm.onButtonYes.add(this, &Application::onSaveCorruptNewGame, 0.0f);
    // Before the options are read: a second copy reads and writes nothing.
    if (!backupManager.get()->lock()) {
        KaPrintf("[Application] %s is already running: this copy closes.\n", title.c_str());
        mAlreadyRunning = true;
        mainWindow.get()->setCloseRequested(true);
        return;
    }
    loadOptions("options.xml");
    if (mHasDebugResolution) {
        if (mDebugResolutionUsable)
            mainWindow.get()->setSize(mDebugResolution);
        mainWindow.get()->setMaximized(mMaximized);
    }
    mainWindow.get()->setFullScreen(mHasDebugFullScreen ? mDebugFullScreen : true);
    mainWindow.get()->onSizeChanged().add(this, &Application::onMainWindowSizeChanged, 0.0f);
    inputMgr.get()->initialize();
}

Application::~Application()
{
    destroy();
    // Only a file the game ships is run: the content may have neither.
    if (!mGameFinished && KaBaseFile::fileExist("quitURL.lua")) {
        KaLuaGUI quit;
        quit.load("quitURL.lua");
        quit.unload();
    }
    mGameFinished = false;
}

void Application::setContentTags()
{
    KaCore* kaCore = core.get();
    kaCore->setFlagsOn(true);
    kaCore->fileFlagSystemSetFlag("platform", "MacOSX");
    kaCore->fileFlagSystemSetFlag("part", "Full");
}

KaString Application::missingStartupFile()
{
    setContentTags();
    KaArray<const char*> needed;
    needed.pushBack("texts/Part.lua");
    needed.pushBack("menus/mainMenu/mainMenu.lua");
    for (const char* font : fontFiles)
        needed.pushBack(font);
    for (unsigned long i = 0; i < needed.size(); ++i) {
        const KaPath real = KaBaseFile::getRealPath(KaPath(needed[i]), KaPath());
        // Opened and one byte read: a folder or a file without read
        // permission passes an existence test.
        std::FILE* file = real.length() > 0 ? std::fopen(real.c_str(), "rb") : nullptr;
        const bool readable = file && (std::fgetc(file) != EOF || !std::ferror(file));
        if (file)
            std::fclose(file);
        if (!readable)
            return KaGetShownPath(real.length() > 0 ? real : KaPath(needed[i]));
    }
    return KaString();
}

void Application::readPartFile()
{
    KaLuaGUI part;
    part.load("texts/Part.lua");
    mApplicationTitle = part.value("applicationTitle").toString();
    mVersionString = part.value("versionString").toString();
    mFirstWarpPath = part.value("firstWarpPath").toString();
    mFirstZone = part.value("firstZone").toString();
    mFirstScene = part.value("firstScene").toString();
    part.unload();
}

KaString Application::findLocalisedFile(const KaString& prefix, const KaString& suffix)
{
    KaCore* kaCore = core.get();
    KaString path = prefix + kaCore->language() + suffix;
    unsigned int next = 0;
    while (!KaBaseFile::fileExist(path) && next < 6) {
        kaCore->language(fallbackLanguages[next++]);
        path = prefix + kaCore->language() + suffix;
    }
    if (!KaBaseFile::fileExist(path))
        KaPrintf("Application::Create: missing %s\n", KaGetShownPath(path).c_str());
    return path;
}

void Application::warmGlyphs()
{
    KaTextBase2 text;
    KaString sample("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/*,?;.:/!");
    const unsigned char latin1[] = { 0xA7, 0x26, 0xE9, 0x22, 0x27, 0x28, 0x2D, 0xE8, 0x5F, 0xE7, 0xE0, 0x29, 0x3D };
    for (unsigned char byte : latin1)
        sample += KaString(reinterpret_cast<const char*>(&byte), 1);
    text.setText(sample);
    text.setRect(KaVector2s32(1, 1));
    struct Pass {
        unsigned int slot;
        unsigned long size;
    } passes[] = { { 0, 12 }, { 0, 14 }, { 0, 16 }, { 0, 20 }, { 0, 30 }, { 4, 18 }, { 5, 22 } };
    for (const Pass& pass : passes) {
        if (!mFonts[pass.slot])
            continue;
        text.setFont(0, mFonts[pass.slot]);
        text.setFontSize(pass.size);
        text.build();
    }
}

void Application::buildLayers()
{
    KaMainWindow* window = mainWindow.get();
    mLayoutBack.setName("layoutBack");
    mLayoutBack.setSizeType(KaILayout::Percent);
    mLayoutBack.setSize(KaVector3f32(1, 1, 0));
    window->addChild(&mLayoutBack);
    mOrientationLayoutFront.setName("orientationLayoutFront");
    mOrientationLayoutFront.setSizeType(KaILayout::Percent);
    mOrientationLayoutFront.setSize(KaVector3f32(1, 1, 0));
    window->addChild(&mOrientationLayoutFront);
    mLayoutFront.setName("layoutFront");
    mLayoutFront.setSizeType(KaILayout::Percent);
    mLayoutFront.setSize(KaVector3f32(1, 1, 0));
    mOrientationLayoutFront.addChild(&mLayoutFront);

    mVisualFade.init();
    mOrientationLayoutFront.addChild(&mVisualFade.captureSprite());
    mOrientationLayoutFront.addChild(&mVisualFade.blackSprite());
    // Left at its default size and shown, the blocking button would swallow
    // every click on the window's centre pixel for the whole run.
    KaButtonLayout& blocking = mVisualFade.blockingButton();
    blocking.setSizeType(KaILayout::Percent);
    blocking.setSize(KaVector3f32(1, 1, 0));
    blocking.setVisible(false);
    mOrientationLayoutFront.addChild(&blocking);

    mLayoutFront.addChild(&mBackgroundVideoSprite);
    mBackgroundVideoSprite.setSizeType(KaILayout::Percent);
    mBackgroundVideoSprite.setSize(KaVector3f32(1, 1, 1));
    mBackgroundVideoSprite.setVisible(false);
}

void Application::create()
{
    if (mAlreadyRunning)
        return;
    for (unsigned int slot = 0; slot < 6; ++slot)
        mFonts[slot] = resourceManager.get()->getResource<KaFont3>(fontFiles[slot]);
    warmGlyphs();

    const KaString texts = findLocalisedFile("texts/", ".xml");
    mLocFile.load(texts);
    core.get()->addLoc(mLocFile);
    const KaString help = findLocalisedFile("menus/help/help_", ".xml");
    mHelpTexts.load(help);

    buildLayers();

    if (KaBaseFile::fileExist("version.ver")) {
        KaFile file;
        KaString text;
        if (file.open("version.ver", KaFileSystem::OpenMode(1))) {
            const unsigned long size = file.size();
            if (size > 0) {
                KaArray<char> bytes;
                bytes.resize(size);
                const unsigned long read = file.readData(bytes.data(), size);
                text = KaString(bytes.data(), read);
            }
            file.close();
        }
        unsigned long colon = 0;
        if (text.contains(":", 0, &colon))
            text = text.subString(0, colon);
        mVersion.setName("version");
        mVersion.setAnchor(KaVector3f32(0, 0, 0));
        mVersion.setText(KaString("<section style=\"left\" /><color r=\"255\" g=\"0\" b=\"0\"/>"
                                  "<font file=\"Common/Fonts/Colaborate-Regular.otf\" size=\"24\" />")
            + text);
        mVersion.setVisible(true);
        mVersion.setPositionType(KaILayout::Pixel);
        mVersion.setPosition(KaVector3f32(-30, -300, 0));
        mOrientationLayoutFront.addChild(&mVersion);
    }

    mMouseCursor.setName("mouseCursor");
    mainWindow.get()->setNativeCursorVisible(false);
    mMouseCursor.load("pictures/cursor.png");
    mMouseCursor.setAnchor(KaVector3f32(0.3f, 0.1f, 0));
    mOrientationLayoutFront.addChild(&mMouseCursor);

    mLockCursorButton.setName("lockCursorButton");
    mLockCursorButton.setSizeType(KaILayout::Percent);
    mLockCursorButton.setSize(KaVector3f32(2.0f, 0.095f, 0));
    mLockCursorButton.setPositionType(KaILayout::Percent);
    mLockCursorButton.setPosition(KaVector3f32(0.95f, 0.95f, 0));
    mLockCursorButton.setVisible(false);
    mOrientationLayoutFront.addChild(&mLockCursorButton);

    mLockCursorFromActionButton.setName("lockCursorFromActionButton");
    mLockCursorFromActionButton.setSizeType(KaILayout::Percent);
    mLockCursorFromActionButton.setSize(KaVector3f32(2.0f, 2.0f, 0));
    mLockCursorFromActionButton.setVisible(false);
    mOrientationLayoutFront.addChild(&mLockCursorFromActionButton);

    mAutosaveIcon.setName("autosaveIcon");
    mAutosaveIcon.setAnchor(KaVector3f32(0.5f, 0.5f, 0));
    // Above the subtitle strip and clear of the answers' notepad: low on the
    // left it would hide the start of the subtitles shown while it blinks.
    mAutosaveIcon.setPosition(KaVector3f32(0.8f, 0.7f, 0));
    mAutosaveIcon.setSize(KaVector3f32(128, 64, 0));
    mAutosaveIcon.load("menus/inGame/autosave_icon.png");
    mAutosaveIcon.setVisible(false);
    mOrientationLayoutFront.addChild(&mAutosaveIcon);
    setBlink(mAutosaveBlink, mAutosaveIcon, -1);

    mNoCellIcon.setAnchor(KaVector3f32(0.5f, 0.5f, 0));
    mNoCellIcon.setPosition(KaVector3f32(0.2f, 0.7f, 0));
    mNoCellIcon.setSize(KaVector3f32(64, 86, 0));
    mNoCellIcon.load("menus/inGame/NoCel.png");
    mNoCellIcon.setVisible(false);
    mOrientationLayoutFront.addChild(&mNoCellIcon);
    setBlink(mNoCellBlink, mNoCellIcon, 1);

    mVisualFade.blackAnimation().onFinished.add(this, &Application::onBlackFadeAnimationFinished, 0.0f);
    mVisualFade.captureAnimation().onFinished.add(this, &Application::onCaptureFadeAnimationFinished, 0.0f);
    inputMgr.get()->onAnyMousePositionChanged().add(this, &Application::onMousePositionChanged, 0.0f);
    mCreatedFullScreen = mainWindow.get()->fullScreen();
    mWindowedSize = KaVector2s32(static_cast<int>(mainWindow.get()->xSize()), static_cast<int>(mainWindow.get()->ySize()));
    onMainWindowSizeChanged();
    mSplashScreens.enter();
    mCreated = true;
}

bool Application::run()
{
    if (!mCreated)
        return true;
    KaTimer::updateAll();
    inputMgr.get()->update();
    KaAnimation::updateAll();
    KaVideo::updateAll();
    mCapturedThisFrame = false;
    renderer.get()->reset();
    mGame.update();
    soundManager.get()->update();
    performRender();
    // Acted on once the frame is drawn, so that its last game frame shows.
    if (mGame.requestMainMenu()) {
        mGame.leave(true);
        enterMainMenu();
        mGame.setRequestMainMenu(false);
    }
    if (mGameFinished) {
        mGame.leave(false);
        enterMainMenu();
        if (KaBaseFile::fileExist("finalURL.lua")) {
            KaLuaGUI final;
            final.load("finalURL.lua");
            final.unload();
        }
        mGameFinished = false;
    }
    mGame.scene3D().updateScroll();
    KaObject::deleteNow();
    return true;
}

void Application::drawBack()
{
    drawLayer(mLayoutBack);
}

void Application::drawFront()
{
    drawLayer(mOrientationLayoutFront);
}

void Application::drawLayer(KaLayout& layer)
{
    KaMainWindow* window = mainWindow.get();
    window->camera()->apply();
    layer.draw();
    window->camera()->restore();
    renderer.get()->loadIdentityMatrix();
}

void Application::performRender()
{
    KaRenderer* kaRenderer = renderer.get();
    InGameScene& scene = mGame.scene3D();
    const bool inGame = mGame.entered();
    if (inGame)
        CharactersShadow::renderTexturePass(&scene);
    drawBack();
    kaRenderer->renderTransparentMeshes();
    kaRenderer->clearBuffer(256);
    if (inGame) {
        CharactersShadow::renderProjectionPass(&scene);
        mGame.draw();
    }
    kaRenderer->renderTransparentMeshes();
    kaRenderer->clearBuffer(256);
    drawFront();
    kaRenderer->renderTransparentMeshes();
    if (inGame)
        scene.drawPath();
}

void Application::captureFade()
{
    if (mCapturedThisFrame)
        return;
    mCapturedThisFrame = true;
    performRender();
    mVisualFade.captureFrame();
}

void Application::fade()
{
    mVisualFade.animateFade();
}

void Application::blackFade()
{
    mVisualFade.animateBlackFade();
}

bool Application::isFading()
{
    return mVisualFade.captureAnimation().isRunning() || mVisualFade.blackAnimation().isRunning();
}

bool Application::onBlackFadeAnimationFinished()
{
    mVisualFade.blackSprite().setVisible(false);
    mVisualFade.blockingButton().setVisible(false);
    return false;
}

bool Application::onCaptureFadeAnimationFinished()
{
    // A faded-out capture shows nothing, yet drawn it would still cost a
    // whole screen of blended texels every frame until the next fade.
    KaSpriteLayout& capture = mVisualFade.captureSprite();
    if (capture.color().a == 0)
        capture.setVisible(false);
    return false;
}

void Application::suspend()
{
    KaPrintf("Suspending application.\n");
    if (!mAlreadyRunning)
        saveOptions("options.xml");
    soundManager.get()->pauseAll();
    KaTimer::pauseAll();
}

void Application::resume()
{
    KaPrintf("Resuming application.\n");
    mainWindow.get()->setVisible(true);
    soundManager.get()->resumeAll();
    KaTimer::resumeAll();
}

void Application::destroy()
{
    if (mDestroyed)
        return;
    mDestroyed = true;
    // The game goes while the GL context and the sound device still exist.
    mGame.leave(false);
    mainWindow.get()->onSizeChanged().remove(this, &Application::onMainWindowSizeChanged, 0.0f);
    if (!mAlreadyRunning) {
        saveOptions("options.xml");
        backupManager.get()->unlock();
    }
    for (KaIntrusivePtr<KaFont3>& font : mFonts)
        font = KaIntrusivePtr<KaFont3>();
}

void Application::loadOptions(const KaString& name)
{
    KaBackup* backup = backupManager.get();
    if (!backup->exist(KaString("Backup/") + name))
        return;
    TiXmlDocument document;
    if (!backup->load(name, document)) {
        KaPrintf("Failed to load file \"%s\"\n", KaGetBackupPath(name).c_str());
        // The defaults take its place at the next save; what it held is kept
        // beside it for the player (or a mending hand) to find.
        const KaPath damaged = KaGetBackupPath(name + ".damaged");
        if (damaged.length() && rename(KaGetBackupPath(name).c_str(), damaged.c_str()) == 0)
            KaPrintf("[Application] the damaged \"%s\" is kept as \"%s\"; the options start from their defaults\n",
                name.c_str(), damaged.c_str());
        else
            KaPrintf("[Application] the damaged \"%s\" could not be kept aside: %s\n", name.c_str(), strerror(errno));
        return;
    }

    const TiXmlElement* resolution = document.FirstChildElement("DebugResolution");
    if (resolution) {
        int x = 0;
        int y = 0;
        int maximized = 0;
        mHasDebugResolution = true;
        // A size the window cannot take is no size: the element stays known
        // (and is written back with the real size) but changes nothing.
        if (intAttribute(resolution, "x", x) && intAttribute(resolution, "y", y) && x > 0 && y > 0) {
            mDebugResolution = KaVector3f32(static_cast<float>(x), static_cast<float>(y), 0.0f);
            mDebugResolutionUsable = true;
        }
        intAttribute(resolution, "maximized", maximized);
        mMaximized = maximized > 0;
    }
    if (const TiXmlElement* position = document.FirstChildElement("DebugWindowPosition")) {
        int x = 0;
        int y = 0;
        intAttribute(position, "x", x);
        intAttribute(position, "y", y);
        mDebugWindowPosition = KaVector2s32(x, y);
        mHasDebugWindowPosition = true;
    }
    if (const TiXmlElement* fullScreen = document.FirstChildElement("DebugFullScreen")) {
        int value = 0;
        if (intAttribute(fullScreen, "value", value)) {
            mDebugFullScreen = value > 0;
            mHasDebugFullScreen = true;
        }
    }

    for (const TiXmlElement* element = document.FirstChildElement(); element;
         element = element->NextSiblingElement()) {
        const char* value = element->Attribute("value");
        if (!value)
            continue;
        const KaString tag(element->Value());
        if (tag == "MusicOn") {
            soundManager.get()->setChannelVolume("music", std::atoi(value) == 0 ? 0.0f : 1.0f);
            continue;
        }
        for (int channel = 0; channel < 4; ++channel)
            if (tag == volumeElements[channel])
                soundManager.get()->setChannelVolume(channels[channel], clampVolume(std::atof(value)));
    }

    if (const TiXmlElement* light = document.FirstChildElement("SetLigthPlayerCharacter")) {
        int value = 0;
        intAttribute(light, "value", value);
        mLightOnPlayerCharacter = value > 0;
    }
    if (const TiXmlElement* artworks = document.FirstChildElement("ArtworksUnlocked")) {
        for (const TiXmlElement* entry = artworks->FirstChildElement(); entry; entry = entry->NextSiblingElement()) {
            const char* path = entry->Attribute("artworkPath");
            if (KaString(entry->Value()).contains("Movie", 0, nullptr) && path) {
                if (!OptionsValues::artworkPath(KaString(path))) {
                    KaPrintf("Application::loadOptions: \"%s\" is not a path inside the save folder\n", path);
                    continue;
                }
                mArtworksUnlocked.pushBack(KaString(path));
                // The bonus menus offer what the game holds unlocked.
                mGame.addArtworkUnlocked(KaString(path), false);
            }
        }
    }
    if (const TiXmlElement* language = document.FirstChildElement("DebugLanguage")) {
        const char* value = language->Attribute("value");
        if (value && !OptionsValues::languageCode(KaString(value))) {
            KaPrintf("Application::loadOptions: \"%s\" is not a language code\n", value);
        } else if (value) {
            mDebugLanguage = value;
            core.get()->language(mDebugLanguage);
        }
    }
    if (const TiXmlElement* platform = document.FirstChildElement("DebugPlatform")) {
        if (const char* value = platform->Attribute("value")) {
            mDebugPlatform = value;
            core.get()->fileFlagSystemSetFlag("platform", mDebugPlatform);
        }
    }
    if (const TiXmlElement* part = document.FirstChildElement("DebugPart")) {
        if (const char* value = part->Attribute("value")) {
            mDebugPart = value;
            core.get()->fileFlagSystemSetFlag("part", mDebugPart);
        }
    }
    if (const TiXmlElement* tracking = document.FirstChildElement("ActivityTracking")) {
        const char* value = tracking->Attribute("value");
        const char* path = tracking->Attribute("path");
        if (value && path) {
            mHasActivityTracking = true;
            KaString folder;
            folder.format("%s/%s", path, core.get()->fileFlagSystemFlag("part").c_str());
            int number = 0;
            std::sscanf(value, "%d", &number);
            core.get()->enableActivityTracking(number != 0);
            core.get()->setActivityTrackingFolder(folder);
        }
    }
    if (const TiXmlElement* rated = document.FirstChildElement("AlreadyRated")) {
        int value = 0;
        intAttribute(rated, "value", value);
        mAlreadyRated = value > 0;
    }
}

bool Application::saveOptions(const KaString& name)
{
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
    TiXmlElement* version = new TiXmlElement("GameVersion");
    version->SetAttribute("major", 1);
    version->SetAttribute("minor", 0);
    document.LinkEndChild(version);

    KaMainWindow* window = mainWindow.get();
    // Switched by the player (Alt+Enter, F11) in this run: kept, with the
    // window's size when it ends in a window. The command line's choice is
    // for its run only.
    const bool switched = mCreated && window->fullScreen() != mCreatedFullScreen;
    if (mHasDebugResolution || (switched && !window->fullScreen())) {
        const bool windowed = mCreated && mWindowedSize.x > 0 && mWindowedSize.y > 0;
        TiXmlElement* element = new TiXmlElement("DebugResolution");
        element->SetAttribute("x", windowed ? mWindowedSize.x : static_cast<int>(window->xSize()));
        element->SetAttribute("y", windowed ? mWindowedSize.y : static_cast<int>(window->ySize()));
        element->SetAttribute("maximized", window->maximized() ? 1 : 0);
        document.LinkEndChild(element);
    }
    if (mHasDebugWindowPosition) {
        TiXmlElement* element = new TiXmlElement("DebugWindowPosition");
        element->SetAttribute("x", window->windowPosition().x);
        element->SetAttribute("y", window->windowPosition().y);
        document.LinkEndChild(element);
    }
    if (mHasDebugFullScreen || switched) {
        const bool fullScreen = switched || !mCreated ? window->fullScreen() : mDebugFullScreen;
        TiXmlElement* element = new TiXmlElement("DebugFullScreen");
        element->SetAttribute("value", fullScreen ? 1 : 0);
        document.LinkEndChild(element);
    }
    for (int channel = 0; channel < 4; ++channel) {
        TiXmlElement* element = new TiXmlElement(volumeElements[channel]);
        // Six decimals, as the file has always had them (this TinyXML's
        // SetDoubleAttribute writes the shortest form instead).
        KaString volume;
        volume.format("%f", static_cast<double>(soundManager.get()->channelVolume(channels[channel])));
        element->SetAttribute("value", volume.c_str());
        document.LinkEndChild(element);
    }
    TiXmlElement* light = new TiXmlElement("SetLigthPlayerCharacter");
    light->SetAttribute("value", mLightOnPlayerCharacter ? 1 : 0);
    document.LinkEndChild(light);
    // An artwork unlocked in this run joins those the file listed.
    for (const auto& artwork : mGame.artworks())
        if (artwork.second && mArtworksUnlocked.indexOf(artwork.first) < 0)
            mArtworksUnlocked.pushBack(artwork.first);
    TiXmlElement* artworks = new TiXmlElement("ArtworksUnlocked");
    for (unsigned long i = 0; i < mArtworksUnlocked.size(); ++i) {
        KaString entryName;
        entryName.format("Movie%lu", i);
        TiXmlElement* entry = new TiXmlElement(entryName.c_str());
        entry->SetAttribute("artworkPath", mArtworksUnlocked[i].c_str());
        entry->SetAttribute("unlocked", "1");
        artworks->LinkEndChild(entry);
    }
    document.LinkEndChild(artworks);
    const KaString* debugValues[3] = { &mDebugLanguage, &mDebugPlatform, &mDebugPart };
    const char* debugNames[3] = { "DebugLanguage", "DebugPlatform", "DebugPart" };
    for (int i = 0; i < 3; ++i)
        if (debugValues[i]->length() > 0) {
            TiXmlElement* element = new TiXmlElement(debugNames[i]);
            element->SetAttribute("value", debugValues[i]->c_str());
            document.LinkEndChild(element);
        }
    if (mHasActivityTracking) {
        TiXmlElement* element = new TiXmlElement("ActivityTracking");
        element->SetAttribute("value", core.get()->activityTracking() ? 1 : 0);
        element->SetAttribute("path", core.get()->activityTrackingFolder().directory().c_str());
        document.LinkEndChild(element);
    }
    TiXmlElement* rated = new TiXmlElement("AlreadyRated");
    rated->SetAttribute("value", mAlreadyRated ? 1 : 0);
    document.LinkEndChild(rated);

    const bool written = backupManager.get()->save(name, document);
    reportSave(SaveKindOptions, written);
    if (!written) {
        KaPrintf("ActionManager::Save: error %s\n",
            document.Error() ? document.ErrorDesc() : "the file could not be written");
        return false;
    }
    return true;
}

bool Application::saveCorrupted(const KaString& name)
{
    KaBackup* backup = backupManager.get();
    if (!backup->exist(KaString("Backup/") + name))
        return false;
    // Exactly the checks "Continue" and the loading menu's slots go
    // through: a file that passes here is never refused once loading.
    KaString reason;
    if (mGame.backupLoadable(name, reason))
        return false;
    KaPrintf("[Application] the save \"%s\" cannot be loaded: %s\n", name.c_str(), reason.c_str());
    return true;
}

bool Application::onSaveCorruptNewGame()
{
    KaPrintf("[Application] a new game instead of the unreadable save\n");
    captureFade();
    mLoadingMenu.leave();
    mMainMenu.leave();
    if (mGame.entered())
        mGame.leave(true);
    mGame.setRequestMainMenu(false);
    startGame(true, EApplicationDifficultyDefault);
    fade();
    return false;
}

void Application::reportSave(SaveKind kind, bool written, const KaString& file)
{
    if (written) {
        if (file == mSaveFailureFile[kind])
            mSaveFailureTold[kind] = false;
        return;
    }
    // The notice shows in the game's overlay: outside a game (or while the
    // program ends) the console line of the failed save is all there is,
    // and the player hears of it at the next failure in a game.
    if (mSaveFailureTold[kind] || mDestroyed || !mGame.entered())
        return;
    mSaveFailureTold[kind] = true;
    mSaveFailureFile[kind] = file;
    const char* key = kind == SaveKindGame ? "saveFailed" : "optionsSaveFailed";
    const KaString* text = mLocFile.value(key);
    KaPrintf("[Application] the player is told: %s\n", key);
    mGame.notifier().push(text ? *text : KaString(key), KaString());
}

KaString* Application::getHelpText(const KaString& key)
{
    return mHelpTexts.value(key);
}

void Application::showLoadingIcon(bool show)
{
    if (show) {
        mAutosaveIcon.setVisible(true);
        mAutosaveIcon.setColor(KaColor(255, 255, 255, 255));
        mAutosaveBlink.setRepeatCount(static_cast<unsigned int>(-1));
        mAutosaveBlink.play();
    } else {
        mAutosaveBlink.setRepeatCount(1);
    }
}

void Application::showNoCellIcon(bool show)
{
    if (show) {
        mNoCellIcon.setVisible(true);
        mNoCellIcon.setColor(KaColor(255, 255, 255, 255));
        mNoCellBlink.setRepeatCount(1);
        mNoCellBlink.play();
    } else {
        mNoCellBlink.setRepeatCount(1);
    }
}

void Application::lockCursor(bool lock)
{
    mLockCursorButton.setVisible(lock);
}

void Application::lockCursorFromAction(bool lock)
{
    mLockCursorFromActionButton.setVisible(lock);
    mGame.showMarkers(lock);
}

bool Application::isLockCursor()
{
    return mLockCursorButton.visible() || mLockCursorFromActionButton.visible();
}

bool Application::isLockPad()
{
    if (isLockCursor() || mGame.dialog().isDialogPlaying() || mGame.isMoviePlaying())
        return true;
    // Its own flag: the choices' layout may be hidden by a hidden parent.
    if (KaLayout* answers = mGame.question().gui().layout("background"))
        if (answers->visible())
            return true;
    return mGame.isDocumentOpened();
}

bool Application::onMainWindowSizeChanged()
{
    if (mCreated && !mainWindow.get()->fullScreen())
        mWindowedSize
            = KaVector2s32(static_cast<int>(mainWindow.get()->xSize()), static_cast<int>(mainWindow.get()->ySize()));
    const float dpi = static_cast<float>(KaGetDeviceDPI());
    const float width = mainWindow.get()->xSize() / dpi;
    const float height = mainWindow.get()->ySize() / dpi;
    core.get()->fileFlagSystemSetFlag("definition", width * width + height * height < 36.0f ? "SD" : "HD");
    return false;
}

bool Application::onMousePositionChanged(unsigned int pointer)
{
    if (pointer != 0)
        return false;
    const KaVector2s32 position = inputMgr.get()->mousePosition(0);
    KaMainWindow* window = mainWindow.get();
    if (window->xSize() <= 0.0f || window->ySize() <= 0.0f)
        return false;
    mMouseCursor.setPosition(KaVector3f32(position.x / window->xSize(), 1.0f - position.y / window->ySize(),
        mMouseCursor.userPosition().z));
    return false;
}

void Application::startGame(bool newGame, EApplicationDifficulty difficulty)
{
    mBackgroundVideoSprite.setVisible(false);
    mBackgroundVideoSprite.surface().stop();
    mBackgroundVideoSprite.unload();
    if (newGame)
        mDifficulty = difficulty;
    mGame.enter(newGame);
}

void Application::enterMainMenu()
{
    KaPrintf("[Application] main menu\n");
    mMainMenu.enter();
    fade();
}
