#ifndef KA_TILED_SURFACE_H
#define KA_TILED_SURFACE_H

#include "engine/containers/KaIntrusivePtr.h"
#include "engine/core/KaPath.h"
#include "engine/graphics/Ka3DTexture.h"
#include "engine/graphics/KaIVideoCodec.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaImageFormat.h"
#include "engine/graphics/KaTiledTexture.h"
#include "engine/scene/KaFrameAnim.h"
#include "engine/scene/KaModel.h"
#include "engine/color/KaColor.h"

// A model showing one picture, still or moving, as a flat unit square centred
// on the origin made of one textured quad per texture tile (mesh index = row
// x columns + column). The model's size and scale give it its size on screen.
//
// The picture comes from a file through the codec registry, from an image or
// from a texture; its tiles are a KaTiledTexture shared through the resource
// manager under the source's name + ".tt", so surfaces showing one still
// picture share one set of textures. Only a surface that made its own codec
// can play: its frame animation decodes each new frame into a fresh image and
// refreshes the tiles. Cropping cuts fractions of the picture off its edges.
// Main thread only.
class KaTiledSurface : public KaModel {
public:
    KaTiledSurface();
    KaTiledSurface(const KaTiledSurface&) = delete;
    KaTiledSurface& operator=(const KaTiledSurface&) = delete;
    ~KaTiledSurface() override;

    // From a file through the codec registry; false when no codec takes the
    // path, the file cannot be read, its format is none or its first frame
    // cannot be decoded. A failure leaves the surface empty and lists
    // nothing, so a later load of the path tries the file again.
    bool load(const KaPath& path) override;
    virtual bool load(const KaImage& image);
    virtual bool load(KaIntrusivePtr<Ka3DTexture>& texture);
    // Deletes the codec and drops the tiles.
    virtual void unload();
    // New pixels for the tiles; the meshes are rebuilt.
    virtual void update(const KaImage& image);
    using KaModel::update;
    virtual void setBufferSize(unsigned long size);
    virtual unsigned long bufferSize();
    // Playback through the frame animation; nothing without a codec.
    virtual void play();
    virtual void stop();
    virtual void pause();
    virtual void cont();
    virtual void updateVideoProperties();
    virtual void entry();
    // Only once loaded.
    void draw() override;

    void setTiledTexture(const KaIntrusivePtr<KaTiledTexture>& texture);
    const KaIntrusivePtr<KaTiledTexture>& tiledTexture() const { return mTiledTexture; }
    bool isLoaded() const;

    void setLeftCropping(float fraction);
    void setRightCropping(float fraction);
    void setTopCropping(float fraction);
    void setBottomCropping(float fraction);
    float leftCropping() const { return mLeftCropping; }
    float rightCropping() const { return mRightCropping; }
    float topCropping() const { return mTopCropping; }
    float bottomCropping() const { return mBottomCropping; }
    bool sortTransparentFaces() const { return mSortTransparentFaces; }
    void setSortTransparentFaces(bool sort) { mSortTransparentFaces = sort; }

    void setColorKeyActivated(bool activated);
    void setColorKey(const KaColor& color);
    void setColorKeyTolerence(float tolerance);

    const KaPath& path() const { return mPath; }
    KaIVideoCodec* codec() const { return mCodec; }
    KaImageFormat imageFormat() const { return mImageFormat; }
    KaFrameAnim& frameAnim() { return mFrameAnim; }

    // Decodes the frame animation's current frame and refreshes the tiles.
    bool onFrameAnimCurrentFrameChanged();

private:
    void updateSurface();
    // An image at the codec's size and format with the buffer the tiles
    // want, frame decoded into it; null when it cannot be made or decoded.
    KaIntrusivePtr<KaImage> decodeFrame(unsigned long frame);

    KaIntrusivePtr<KaTiledTexture> mTiledTexture;
    bool mSortTransparentFaces;
    float mLeftCropping;
    float mRightCropping;
    float mTopCropping;
    float mBottomCropping;
    KaPath mPath;
    KaIVideoCodec* mCodec;
    KaImageFormat mImageFormat;
    bool mColorKeyActivated;
    float mColorKeyTolerance;
    KaColor mColorKey;
    KaFrameAnim mFrameAnim;
};

#endif
