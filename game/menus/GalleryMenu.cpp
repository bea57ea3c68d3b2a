#include "game/menus/GalleryMenu.h"

#include "engine/base/KaStd.h"
#include "engine/core/KaBackup.h"
#include "engine/gui/KaButtonLayout.h"
#include "engine/gui/KaLayout.h"
#include "engine/gui/KaSpriteLayout.h"
#include "engine/scene/KaTiledSurface.h"
#include "game/application/Application.h"

namespace {

struct Ambience {
    const char* file;
    float volume;
};

const Ambience ambiences[2] = {
    { "sounds/Ambiances/b_automatebike.ogg", 0.1f },
    { "sounds/Ambiances/b_engrenagebg.ogg", 0.09f },
};

void restartAmbiences()
{
    Game& game = application.get()->game();
    for (const Ambience& ambience : ambiences) {
        game.stopSound(ambience.file);
        game.playSound(ambience.file, -1, ambience.volume);
    }
}

}

GalleryMenu::~GalleryMenu()
{
    disconnectAll();
    for (unsigned long i = 0; i < mButtons.size(); ++i)
        delete mButtons[i];
    mButtons.clear();
}

void GalleryMenu::enter()
{
    Application* app = application.get();
    // Entered again: the list is built afresh, not appended to.
    leave();
    load(descriptionPath());
    if (KaLayout* root = layout("galleryMenu"))
        app->layoutFront().addChild(root);
    restartAmbiences();
    if (KaButtonLayout* quit = buttonLayout("quitButton"))
        quit->onMouseClickValidated.add(this, &GalleryMenu::onQuitButton, 0.0f);

    TiXmlDocument document;
    const TiXmlElement* moviesPlayed = nullptr;
    KaBackup* backup = backupManager.get();
    if (backup->exist("Backup/save.xml")) {
        // TinyXML keeps what it parsed before an error: a save that does not
        // load unlocks nothing.
        if (!backup->load("save.xml", document))
            KaPrintf("Failed to load file \"%s\"\n", KaGetBackupPath("save.xml").c_str());
        else if (const TiXmlElement* save = document.FirstChildElement("Save"))
            moviesPlayed = save->FirstChildElement("MoviesPlayed");
    }
    if (KaLayout* list = layout("galleryList")) {
        for (unsigned long i = 0; i < list->childCount(); ++i) {
            KaI3DObject2* entry = list->child(i);
            GalleryBtnObject* record = new GalleryBtnObject;
            record->menu = this;
            KaButtonLayout* button
                = entry && entry->childCount() > 0 ? dynamic_cast<KaButtonLayout*>(entry->child(0)) : nullptr;
            if (button) {
                record->moviePath = button->name();
                button->setEnable(false);
                record->button = button;
                readMoviesPlayed(*record, moviesPlayed);
            }
            mButtons.pushBack(record);
        }
    }

    KaButtonLayout* skip = buttonLayout("skipVideoButton");
    KaButtonLayout* lock = buttonLayout("videoBackgroundButton");
    if (lock) {
        lock->setVisible(false);
        lock->onMouseClickValidated.remove(this, &GalleryMenu::onLockVideoButtonValidated);
        lock->onMouseClickValidated.add(this, &GalleryMenu::onLockVideoButtonValidated, 0.0f);
    }
    if (skip) {
        skip->setVisible(false);
        skip->onMouseClickValidated.remove(this, &GalleryMenu::onSkipVideoButtonValidated);
        skip->onMouseClickValidated.add(this, &GalleryMenu::onSkipVideoButtonValidated, 0.0f);
    }
    if (KaSpriteLayout* video = spriteLayout("video")) {
        video->surface().frameAnim().onStop.remove(this, &GalleryMenu::onVideoFinished);
        video->surface().frameAnim().onStop.add(this, &GalleryMenu::onVideoFinished, 0.0f);
        video->setVisible(false);
    }
}

void GalleryMenu::readMoviesPlayed(GalleryBtnObject& record, const TiXmlElement* moviesPlayed)
{
    if (!moviesPlayed)
        return;
    for (const TiXmlElement* movie = moviesPlayed->FirstChildElement(); movie; movie = movie->NextSiblingElement()) {
        if (!KaString(movie->Value()).contains("Movie", 0, nullptr))
            continue;
        const char* path = movie->Attribute("moviePath");
        if (!path || record.moviePath != KaString(path))
            continue;
        const char* audio = movie->Attribute("audioPath");
        record.audioPath = audio ? KaString(audio) : KaString();
        // Once per record, however many times the save lists the movie.
        record.button->onMouseClickValidated.remove(&record, &GalleryBtnObject::OnValidated);
        record.button->onMouseClickValidated.add(&record, &GalleryBtnObject::OnValidated, 0.0f);
        record.button->setEnable(true);
    }
}

void GalleryMenu::disconnectAll()
{
    if (!isLoaded())
        return;
    for (unsigned long i = 0; i < mButtons.size(); ++i)
        if (mButtons[i]->button)
            mButtons[i]->button->onMouseClickValidated.remove(mButtons[i], &GalleryBtnObject::OnValidated);
    if (KaSpriteLayout* video = spriteLayout("video"))
        video->surface().frameAnim().onStop.remove(this, &GalleryMenu::onVideoFinished);
}

void GalleryMenu::leave()
{
    if (!isLoaded())
        return;
    Game& game = application.get()->game();
    for (const Ambience& ambience : ambiences)
        game.stopSound(ambience.file);
    disconnectAll();
    // Stopped first: the end of a movie must not come back as a finish.
    if (KaSpriteLayout* video = spriteLayout("video"))
        video->stop();
    mMusic.stop();
    unload();
    for (unsigned long i = 0; i < mButtons.size(); ++i)
        delete mButtons[i];
    mButtons.clear();
}

bool GalleryMenu::onQuitButton()
{
    Application* app = application.get();
    app->captureFade();
    leave();
    app->enterMainMenu();
    app->fade();
    return true;
}

bool GalleryMenu::GalleryBtnObject::OnValidated()
{
    if (menu)
        menu->play(*this);
    return false;
}

void GalleryMenu::play(GalleryBtnObject& entry)
{
    Application* app = application.get();
    app->captureFade();
    if (KaButtonLayout* lock = buttonLayout("videoBackgroundButton"))
        lock->setVisible(true);
    if (KaButtonLayout* skip = buttonLayout("skipVideoButton"))
        skip->setVisible(true);
    app->menuMusic().stop();
    mMusic.setChannelName("video");
    mMusic.load(entry.audioPath);
    mMusic.repeat(false);
    mMusic.volume(1.0f);
    mMusic.play();
    if (KaSpriteLayout* video = spriteLayout("video")) {
        video->load(entry.moviePath);
        video->setVisible(true);
        video->play();
    }
    app->fade();
}

bool GalleryMenu::onSkipVideoButtonValidated()
{
    application.get()->menuMusic().play();
    restartAmbiences();
    if (KaSpriteLayout* video = spriteLayout("video")) {
        video->stop();
        video->setVisible(false);
    }
    if (KaButtonLayout* lock = buttonLayout("videoBackgroundButton"))
        lock->setVisible(false);
    if (KaButtonLayout* skip = buttonLayout("skipVideoButton"))
        skip->setVisible(false);
    mMusic.stop();
    return false;
}

bool GalleryMenu::onLockVideoButtonValidated() { return onSkipVideoButtonValidated(); }

bool GalleryMenu::onVideoFinished()
{
    if (!isLoaded())
        return false;
    Application* app = application.get();
    app->captureFade();
    onSkipVideoButtonValidated();
    app->menuMusic().play();
    app->fade();
    return false;
}
