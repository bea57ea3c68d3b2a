#include "engine/scene/KaTiledSurface.h"

#include "engine/base/KaStd.h"
#include "engine/core/KaCore.h"
#include "engine/core/KaResourceManager.h"
#include "engine/maths/KaVector2s32.h"

namespace {

// The part of [start, start + length] inside [low, high]; an empty overlap
// collapses to a zero-length span rather than an inverted one.
void intersect(float low, float high, float start, float length, float& from, float& to)
{
    from = start > low ? start : low;
    to = start + length < high ? start + length : high;
    if (to < from)
        to = from;
}

} // namespace

KaTiledSurface::KaTiledSurface()
    : KaModel()
    , mTiledTexture()
    , mSortTransparentFaces(true)
    , mLeftCropping(0.0f)
    , mRightCropping(0.0f)
    , mTopCropping(0.0f)
    , mBottomCropping(0.0f)
    , mPath()
    , mCodec(nullptr)
    , mImageFormat(NONE)
    , mColorKeyActivated(false)
    , mColorKeyTolerance(0.0f)
    , mColorKey()
    , mFrameAnim()
{
    mFrameAnim.onFrameChanged.add(this, &KaTiledSurface::onFrameAnimCurrentFrameChanged);
}

KaTiledSurface::~KaTiledSurface()
{
    mFrameAnim.onFrameChanged.remove(this, &KaTiledSurface::onFrameAnimCurrentFrameChanged);
    unload();
}

KaIntrusivePtr<KaImage> KaTiledSurface::decodeFrame(unsigned long frame)
{
    if (!mCodec)
        return KaIntrusivePtr<KaImage>();
    const unsigned int width = mCodec->width();
    const unsigned int height = mCodec->height();
    const KaVector2s32 optimised
        = Ka3DTexture::optimisedSize(KaVector2s32(static_cast<int>(width), static_cast<int>(height)));
    const unsigned int bufferWidth
        = static_cast<unsigned int>(optimised.x) < width + 4 ? static_cast<unsigned int>(optimised.x) : width + 4;
    const unsigned int bufferHeight
        = static_cast<unsigned int>(optimised.y) < height + 4 ? static_cast<unsigned int>(optimised.y) : height + 4;
    KaIntrusivePtr<KaImage> image(new KaImage());
    KaIntrusivePtr<KaPalette> noPalette;
    if (!image->create(width, height, noPalette, mImageFormat, bufferWidth, bufferHeight))
        return KaIntrusivePtr<KaImage>();
    if (!mCodec->update(frame, *image))
        return KaIntrusivePtr<KaImage>();
    return image;
}

bool KaTiledSurface::load(const KaPath& path)
{
    unload();
    mPath = path;
    const KaPath name = KaPath(path + ".tt");
    KaTiledTexture* shared = resourceManager.get()->findResource<KaTiledTexture>(name);
    if (shared) {
        setTiledTexture(KaIntrusivePtr<KaTiledTexture>(shared));
        return true;
    }

    mCodec = core.get()->createVideoCodec(path);
    if (!mCodec)
        return false;
    updateVideoProperties();
    // Nothing is listed until the picture is really there: a file that
    // cannot be read now may be readable on the next attempt.
    if (!mCodec->load(path)) {
        unload();
        return false;
    }
    mImageFormat = mCodec->imageFormat();
    if (mImageFormat == NONE) {
        KaPrintf("KaTiledSurface::load: Wrong image format on file %s\n", path.c_str());
        unload();
        return false;
    }
    KaIntrusivePtr<KaImage> image = decodeFrame(0);
    if (!image) {
        unload();
        return false;
    }
    KaIntrusivePtr<KaTiledTexture> texture(new KaTiledTexture());
    texture->load(*image);
    texture->setAccessName(name);
    resourceManager.get()->addResource(*texture);
    setTiledTexture(texture);
    return true;
}

bool KaTiledSurface::load(const KaImage& image)
{
    unload();
    mPath = image.getAccessName();
    const KaPath name = KaPath(mPath + ".tt");
    KaTiledTexture* shared = resourceManager.get()->findResource<KaTiledTexture>(name);
    if (shared) {
        setTiledTexture(KaIntrusivePtr<KaTiledTexture>(shared));
        return true;
    }
    KaIntrusivePtr<KaTiledTexture> texture(new KaTiledTexture());
    texture->load(image);
    texture->setAccessName(name);
    resourceManager.get()->addResource(*texture);
    setTiledTexture(texture);
    return true;
}

bool KaTiledSurface::load(KaIntrusivePtr<Ka3DTexture>& texture)
{
    unload();
    if (!texture)
        return false;
    const KaPath name = KaPath(texture->getAccessName() + ".tt");
    KaTiledTexture* shared = resourceManager.get()->findResource<KaTiledTexture>(name);
    if (shared) {
        setTiledTexture(KaIntrusivePtr<KaTiledTexture>(shared));
        return true;
    }
    KaIntrusivePtr<KaTiledTexture> tiled(new KaTiledTexture());
    tiled->load(texture);
    tiled->setAccessName(name);
    resourceManager.get()->addResource(*tiled);
    setTiledTexture(tiled);
    return true;
}

void KaTiledSurface::unload()
{
    // The clock stops with its codec: a frame change must not reach a codec
    // that is gone.
    mFrameAnim.reset();
    delete mCodec;
    mCodec = nullptr;
    setTiledTexture(KaIntrusivePtr<KaTiledTexture>());
}

void KaTiledSurface::setTiledTexture(const KaIntrusivePtr<KaTiledTexture>& texture)
{
    mTiledTexture = texture;
    if (!mTiledTexture) {
        resizeMeshes(0);
        return;
    }
    const int columns = mTiledTexture->numberOfColumns();
    const int rows = mTiledTexture->numberOfRow();
    resizeMeshes(columns > 0 && rows > 0 ? static_cast<unsigned long>(columns) * static_cast<unsigned long>(rows) : 0);
    setName(KaString(mTiledTexture->getAccessName() + ".surface"));
    updateSurface();
}

void KaTiledSurface::updateSurface()
{
    if (!mTiledTexture)
        return;
    const int columns = mTiledTexture->numberOfColumns();
    const int rows = mTiledTexture->numberOfRow();
    const KaColor vertexColor = color();
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const unsigned long index = static_cast<unsigned long>(r) * static_cast<unsigned long>(columns) + c;
            if (index >= meshCount())
                return;
            const KaTiledTexture::Tile& tile = mTiledTexture->tile(KaVector2s32(c, r));
            KaMesh& mesh = this->mesh(index);
            mesh.setConf(4, 4, KaMesh::TRIANGLE_STRIP, 0, 0);
            mesh.setSortTransparentFaces(mSortTransparentFaces);
            mesh.defaultMaterial(tile.texture);

            const float x = tile.position.x;
            const float y = tile.position.y;
            const float width = tile.size.x;
            const float height = tile.size.y;
            float x0 = 0.0f;
            float x1 = 0.0f;
            float y0 = 0.0f;
            float y1 = 0.0f;
            intersect(mLeftCropping, 1.0f - mRightCropping, x, width, x0, x1);
            intersect(mBottomCropping, 1.0f - mTopCropping, y, height, y0, y1);

            const float xs[4] = { x0, x1, x1, x0 };
            const float ys[4] = { y0, y0, y1, y1 };
            for (unsigned int v = 0; v < 4; ++v) {
                mesh.setVertex(v, KaVector3f32(xs[v] - 0.5f, ys[v] - 0.5f, 0.0f));
                const float u = width != 0.0f ? (xs[v] - x) / width : 0.0f;
                const float t = height != 0.0f ? (ys[v] - y) / height : 0.0f;
                mesh.setTextureUV(v, KaVector2f32(u, t));
                mesh.setNormal(v, KaVector3f32(0.0f, 0.0f, 1.0f));
                mesh.setColor(v, vertexColor);
            }
            mesh.setIndex(0, 0);
            mesh.setIndex(1, 1);
            mesh.setIndex(2, 3);
            mesh.setIndex(3, 2);
        }
    }
}

void KaTiledSurface::update(const KaImage& image)
{
    if (!mTiledTexture)
        return;
    mTiledTexture->update(image);
    setTiledTexture(mTiledTexture);
}

bool KaTiledSurface::isLoaded() const { return mTiledTexture && mTiledTexture->isLoaded(); }

void KaTiledSurface::draw()
{
    if (isLoaded())
        KaModel::draw();
}

void KaTiledSurface::setLeftCropping(float fraction)
{
    mLeftCropping = fraction;
    updateSurface();
}

void KaTiledSurface::setRightCropping(float fraction)
{
    mRightCropping = fraction;
    updateSurface();
}

void KaTiledSurface::setTopCropping(float fraction)
{
    mTopCropping = fraction;
    updateSurface();
}

void KaTiledSurface::setBottomCropping(float fraction)
{
    mBottomCropping = fraction;
    updateSurface();
}

void KaTiledSurface::play()
{
    if (!mCodec)
        return;
    mFrameAnim.setFrameCount(mCodec->nbFrames());
    mFrameAnim.setFrameRate(mCodec->frameRate());
    mFrameAnim.play();
}

void KaTiledSurface::stop() { mFrameAnim.stop(); }

void KaTiledSurface::pause() { mFrameAnim.pause(); }

void KaTiledSurface::cont() { mFrameAnim.cont(); }

void KaTiledSurface::setColorKeyActivated(bool activated)
{
    mColorKeyActivated = activated;
    if (mCodec)
        mCodec->setColorKeyActivated(activated);
}

void KaTiledSurface::setColorKey(const KaColor& color)
{
    mColorKey = color;
    if (mCodec)
        mCodec->setColorKey(color);
}

void KaTiledSurface::setColorKeyTolerence(float tolerance)
{
    mColorKeyTolerance = tolerance;
    if (mCodec)
        mCodec->setColorKeyTolerence(tolerance);
}

void KaTiledSurface::updateVideoProperties()
{
    if (!mCodec)
        return;
    mCodec->setColorKeyActivated(mColorKeyActivated);
    mCodec->setColorKey(mColorKey);
    mCodec->setColorKeyTolerence(mColorKeyTolerance);
}

unsigned long KaTiledSurface::bufferSize() { return 1; }

void KaTiledSurface::setBufferSize(unsigned long) { }

void KaTiledSurface::entry() { }

bool KaTiledSurface::onFrameAnimCurrentFrameChanged()
{
    if (!mCodec)
        return false;
    if (mImageFormat == NONE) {
        KaPrintf("KaTiledSurface::load: Wrong image format on file %s\n", mPath.c_str());
        return false;
    }
    KaIntrusivePtr<KaImage> image = decodeFrame(static_cast<unsigned long>(mFrameAnim.currentFrame()));
    if (image)
        update(*image);
    return false;
}
