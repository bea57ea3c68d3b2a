#include "engine/gui/KaSpriteLayout.h"

#include <cmath>

#include "engine/graphics/KaRenderer.h"
#include "engine/scene/KaTiledSurface.h"

KaSpriteLayout::KaSpriteLayout()
    : mSurface(new KaTiledSurface())
    , mSizeGiven(false)
{
    Ka3DObject2::setColor(KaColor(255, 255, 255, 255));
    updateMesh();
}

KaSpriteLayout::~KaSpriteLayout() { unload(); }

void KaSpriteLayout::setName(const KaString& name)
{
    Ka3DObject2::setName(name);
    mSurface->setName(name);
}

void KaSpriteLayout::setSize(const KaVector3f32& size)
{
    KaLayout::setSize(size);
    mSizeGiven = true;
}

void KaSpriteLayout::setColor(const KaColor& color)
{
    Ka3DObject2::setColor(color);
    mSurface->setColor(worldColor());
}

bool KaSpriteLayout::onParentWorldColorChanged()
{
    Ka3DObject2::onParentWorldColorChanged();
    setColor(color());
    return false;
}

void KaSpriteLayout::updateMesh()
{
    if (!mSurface)
        return;
    const KaVector3f32& size = computedSize();
    mSurface->setScale(KaVector3f32(size.x, -size.y, 1.0f));
}

void KaSpriteLayout::draw()
{
    if (!visible() || !worldVisible())
        return;
    // Brings the size, and with it the surface's stretch, up to date.
    size();
    KaMatrix4x4 matrix = worldTransformationMatrix();
    if (sizeType() == Pixel) {
        matrix.m[12] = std::trunc(matrix.m[12]);
        matrix.m[13] = std::trunc(matrix.m[13]);
    }
    KaRenderer* gl = renderer.get();
    gl->pushMatrix();
    gl->loadMatrix(matrix);
    mSurface->draw();
    gl->popMatrix();
    KaLayout::draw();
}

bool KaSpriteLayout::load(const KaPath& path)
{
    if (path.length() > 0 && path == mSurface->path() && mSurface->isLoaded())
        return true;
    stop();
    unload();
    if (mSurface->load(path))
        adoptPicture();
    return true;
}

bool KaSpriteLayout::load(const KaImage& image)
{
    unload();
    if (mSurface->load(image))
        adoptPicture();
    return true;
}

bool KaSpriteLayout::load(KaIntrusivePtr<Ka3DTexture>& texture)
{
    unload();
    if (mSurface->load(texture))
        adoptPicture();
    return true;
}

void KaSpriteLayout::adoptPicture()
{
    KaVector2s32 picture(0, 0);
    if (mSurface->tiledTexture())
        picture = mSurface->tiledTexture()->pictureSize();
    const float w = static_cast<float>(picture.x);
    const float h = static_cast<float>(picture.y);
    setRatio(h > 0.0f ? w / h : 1.0f);
    if (sizeType() == Pixel && !mSizeGiven)
        KaLayout::setSize(KaVector3f32(w, h, 1.0f));
    xSize();
    updateMesh();
}

void KaSpriteLayout::unload() { mSurface->unload(); }

void KaSpriteLayout::setBufferSize(unsigned long size) { mSurface->setBufferSize(size); }

unsigned long KaSpriteLayout::bufferSize() { return mSurface->bufferSize(); }

void KaSpriteLayout::play() { mSurface->play(); }

void KaSpriteLayout::stop() { mSurface->stop(); }

void KaSpriteLayout::pause() { mSurface->pause(); }

void KaSpriteLayout::cont() { mSurface->cont(); }

void KaSpriteLayout::setColorKeyActivated(bool activated) { mSurface->setColorKeyActivated(activated); }

void KaSpriteLayout::setColorKey(const KaColor& color) { mSurface->setColorKey(color); }

void KaSpriteLayout::setColorKeyTolerence(float tolerance) { mSurface->setColorKeyTolerence(tolerance); }
