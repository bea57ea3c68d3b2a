#ifndef KA_SPRITE_LAYOUT_H
#define KA_SPRITE_LAYOUT_H

#include "engine/containers/KaIntrusivePtr.h"
#include "engine/core/KaPath.h"
#include "engine/gui/KaLayout.h"

class Ka3DTexture;
class KaImage;
class KaTiledSurface;

// A layout showing a picture (still image, numbered-image sequence or video)
// held by one tiled surface stretched over its rectangle and flipped to the
// y-down space of the layouts. The surface always shows the layout's world
// colour. Pixel-sized sprites are drawn on whole pixels.
//
// Until setSize is called, a Pixel-sized sprite takes the size of every
// picture it loads; every load sets the ratio to the picture's width / height,
// which shapes Percent sprites under LetterBox or PanScan.
class KaSpriteLayout : public KaLayout {
public:
    KaSpriteLayout();
    ~KaSpriteLayout() override;

    void setName(const KaString& name) override;
    // Also marks the size as given, even when it did not change.
    void setSize(const KaVector3f32& size) override;
    void setColor(const KaColor& color) override;
    void draw() override;
    void updateMesh() override;
    bool onParentWorldColorChanged() override;

    // Always true: a picture that cannot be loaded leaves the sprite empty,
    // with its size and ratio unchanged. Loading the non-empty path already
    // shown does nothing, so a playing video is not restarted.
    virtual bool load(const KaPath& path);
    virtual bool load(const KaImage& image);
    virtual bool load(KaIntrusivePtr<Ka3DTexture>& texture);
    virtual void unload();

    // Playback of videos and image sequences, forwarded to the surface.
    virtual void setBufferSize(unsigned long size);
    virtual unsigned long bufferSize();
    virtual void play();
    virtual void stop();
    virtual void pause();
    virtual void cont();

    void setColorKeyActivated(bool activated);
    void setColorKey(const KaColor& color);
    void setColorKeyTolerence(float tolerance);

    KaTiledSurface& surface() { return *mSurface; }

private:
    void adoptPicture();

    KaIntrusivePtr<KaTiledSurface> mSurface;
    bool mSizeGiven;
};

#endif
