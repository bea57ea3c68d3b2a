#ifndef GALLERY_MENU_H
#define GALLERY_MENU_H

#include "engine/containers/KaArray.h"
#include "engine/core/KaString.h"
#include "engine/script/KaLuaGUI.h"
#include "engine/sound/KaMusic.h"

class KaButtonLayout;
class TiXmlElement;

// The movie gallery: one button per movie of the list, offered once the
// saved game records the movie as played; a button plays its movie full
// screen with its own sound track, and the skip button, a click anywhere or
// the end of the movie bring the list back.
class GalleryMenu : public KaLuaGUI {
public:
    struct GalleryBtnObject {
        bool OnValidated();

        KaString moviePath;
        KaString audioPath;
        KaButtonLayout* button = nullptr;
        GalleryMenu* menu = nullptr;
    };

    GalleryMenu() { }
    ~GalleryMenu() override;

    void enter();
    void leave();

    bool onQuitButton();
    bool onSkipVideoButtonValidated();
    bool onLockVideoButtonValidated();
    bool onVideoFinished();

    const KaArray<GalleryBtnObject*>& buttons() const { return mButtons; }
    KaMusic& music() { return mMusic; }

    static const char* descriptionPath() { return "menus/galleryMenu/galleryMenu.lua"; }

private:
    friend struct GalleryBtnObject;
    void play(GalleryBtnObject& entry);
    void readMoviesPlayed(GalleryBtnObject& entry, const TiXmlElement* moviesPlayed);
    void disconnectAll();

    KaMusic mMusic;
    KaArray<GalleryBtnObject*> mButtons;
};

#endif
