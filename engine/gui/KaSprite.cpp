#include "engine/gui/KaSprite.h"

#include <tinyxml.h>

#include <cstdlib>

#include "engine/core/KaBaseFile.h"
#include "engine/core/KaCore.h"
#include "engine/core/KaResourceManager.h"
#include "engine/graphics/KaCamera.h"
#include "engine/graphics/KaIVideoCodec.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaRenderer.h"
#include "engine/gui/KaMainWindow.h"
#include "engine/input/KaScreen.h"
#include "engine/maths/KaMaths.h"

namespace {

const float kDegreesToRadians = 3.1415927f / 180.0f;

// The integer part of a non-negative value; 0 for NaN, negative and
// infinite values, and values past the 32-bit range stop at its top.
unsigned int wholePart(double value)
{
    if (!(value >= 0.0))
        return 0;
    if (value >= 4294967295.0)
        return 0xFFFFFFFFu;
    return static_cast<unsigned int>(value);
}

// The quad's alpha: the colour's alpha times the opacity, cut to 0..255. An
// opacity that a relative movement took past 1 or below 0 stays opaque or
// invisible rather than wrapping around.
unsigned char alphaWithOpacity(unsigned char alpha, float opacity)
{
    const float value = static_cast<float>(alpha) * opacity;
    if (!(value > 0.0f))
        return 0;
    if (value >= 255.0f)
        return 255;
    return static_cast<unsigned char>(value);
}

} // namespace

KaSprite::KaSprite(KaScreen* screen)
{
    setScreen(screen);
    setOpacity(1.0f);
}

KaSprite::KaSprite(const KaSprite& other)
    : KaObject(other)
    , Ka3DObject()
{
    *this = other;
}

KaSprite& KaSprite::operator=(const KaSprite& other)
{
    if (this == &other)
        return *this;
    KaSprite& source = const_cast<KaSprite&>(other);
    setParent(other.getParent());
    Ka3DObject::setPosition(other.getPosition());
    setSize(other.getSize());
    setScale(other.getScale());
    setScaleCenter(other.getScaleCenter());
    setScaleFromPoint(other.isScaleFromPoint(), other.scalePoint());
    setRotateCenter(other.getRotateCenter());
    setRotateAngle(other.getRotateAngle());
    setOpacity(other.getOpacity());
    mTexture = other.mTexture;
    mFrameWidth = other.mFrameWidth;
    mFrameHeight = other.mFrameHeight;
    mRows = other.mRows;
    mVisible = other.mVisible;
    setScreen(source.getScreen());
    if (other.mRegistered || mRegistered)
        registerDrawing();
    return *this;
}

KaSprite::~KaSprite()
{
    unregisterDrawing();
    mTexture = KaIntrusivePtr<Ka3DTexture>();
}

void KaSprite::setPosition(const KaVector3f32& position)
{
    Ka3DObject::setPosition(position);
    registerDrawing();
}

void KaSprite::registerDrawing()
{
    if (KaMainWindowBase::windowBeingDestroyed())
        return;
    const float z = (getWorldTransformationMatrix() * KaVector3f32(0.0f, 0.0f, 0.0f)).z;
    KaSignal0Param& afterDraw = mainWindow.get()->onAfterDraw();
    afterDraw.remove(this, &KaSprite::onBeforeEndScene);
    afterDraw.add(this, &KaSprite::onBeforeEndScene, -z);
    mRegistered = true;
}

void KaSprite::unregisterDrawing()
{
    if (mRegistered && mainWindow.exists() && !KaMainWindowBase::windowBeingDestroyed())
        mainWindow.get()->onAfterDraw().remove(this, &KaSprite::onBeforeEndScene);
    mRegistered = false;
}

// ---------------------------------------------------------------------------
// Pictures

void KaSprite::load(const KaString& path)
{
    const KaPath picture(path);
    mTexture = KaIntrusivePtr<Ka3DTexture>();
    KaResourceManager* resources = resourceManager.get();
    if (Ka3DTexture* listed = resources->findResource<Ka3DTexture>(Ka3DTexture::accessNameForPath(picture))) {
        mTexture = KaIntrusivePtr<Ka3DTexture>(listed);
    } else {
        KaIVideoCodec* codec = core.get()->createVideoCodec(picture);
        if (!codec)
            return;
        if (codec->load(picture)) {
            KaImage image;
            const KaImageFormat format = codec->imageFormat();
            KaIntrusivePtr<KaPalette> noPalette;
            if (format != NONE)
                image.create(codec->width(), codec->height(), noPalette, format);
            if (codec->update(0, image)) {
                // Named after the file, whatever name the codec gave the
                // frame: the texture is listed under that name plus
                // ".3dtex", so that every sprite of this path finds it and
                // no sprite of another path does.
                image.setAccessName(picture);
                load(image);
            }
        }
        delete codec;
    }
    mVisible = true;
    if (mTexture)
        takeTextureSize();
}

void KaSprite::load(const KaImage& image)
{
    const KaPath name = Ka3DTexture::accessNameForPath(image.getAccessName());
    mTexture = KaIntrusivePtr<Ka3DTexture>();
    KaResourceManager* resources = resourceManager.get();
    if (Ka3DTexture* listed = resources->findResource<Ka3DTexture>(name)) {
        mTexture = KaIntrusivePtr<Ka3DTexture>(listed);
    } else {
        KaIntrusivePtr<Ka3DTexture> texture(new Ka3DTexture());
        texture->load(image);
        texture->setAccessName(name);
        resources->addResource(*texture);
        mTexture = texture;
    }
    takeTextureSize();
}

void KaSprite::load(const KaIntrusivePtr<Ka3DTexture>& texture)
{
    mTexture = texture;
    if (mTexture)
        takeTextureSize();
    else
        setSize(KaVector3f32(0.0f, 0.0f, 0.0f));
}

void KaSprite::unload()
{
    mTexture = KaIntrusivePtr<Ka3DTexture>();
    setSize(KaVector3f32(0.0f, 0.0f, 0.0f));
}

void KaSprite::takeTextureSize()
{
    const Ka3DTexture& texture = *mTexture;
    const float width = static_cast<float>(texture.width()) - static_cast<float>(texture.leftBorder())
        - static_cast<float>(texture.rightBorder());
    const float height = static_cast<float>(texture.height()) - static_cast<float>(texture.bottomBorder())
        - static_cast<float>(texture.topBorder());
    setSize(KaVector3f32(width, height, 0.0f));
    mFrameWidth = wholePart(width);
    mFrameHeight = wholePart(height);
    if (mFrameHeight != 0)
        mRows = texture.height() / mFrameHeight;
}

void KaSprite::update(KaImage& image)
{
    if (!image.changed() || !mTexture)
        return;
    mTexture->update(image, 0, 0);
    image.setChanged(false);
}

// ---------------------------------------------------------------------------
// Animation

void KaSprite::startAnimation(float frameRate, unsigned int repeatCount, bool reverse)
{
    mAnimEnabled = true;
    mAnimPlaying = false;
    mCurrentFrame = 0;
    mFirstFrame = 0;
    mLastFrame = mFrameCount != 0 ? mFrameCount - 1 : 0;
    const KaVector3f32 size = getSize();
    mFrameWidth = wholePart(size.x);
    mFrameHeight = wholePart(size.y);
    if (mFrameHeight != 0 && mTexture)
        mRows = mTexture->height() / mFrameHeight;
    mFrameRate = frameRate;
    mRepeatCount = repeatCount;
    mRepeatCounter = 0;
    mReverse = reverse;
}

void KaSprite::enableAnim(unsigned int frames, float frameRate, unsigned int repeatCount, bool reverse)
{
    if (!mTexture)
        return;
    const float width = static_cast<float>(mTexture->width()) - static_cast<float>(mTexture->leftBorder())
        - static_cast<float>(mTexture->rightBorder());
    const float height = static_cast<float>(mTexture->height()) - static_cast<float>(mTexture->bottomBorder())
        - static_cast<float>(mTexture->topBorder());
    setSize(KaVector3f32(width, frames != 0 ? height / static_cast<float>(frames) : 0.0f, 0.0f));
    mFrameCount = frames;
    startAnimation(frameRate, repeatCount, reverse);
}

void KaSprite::enableAnim(
    unsigned int frameWidth, unsigned int frameHeight, float frameRate, unsigned int repeatCount, bool reverse)
{
    if (!mTexture)
        return;
    setSize(KaVector3f32(static_cast<float>(frameWidth), static_cast<float>(frameHeight), 0.0f));
    const unsigned int down = frameHeight != 0 ? mTexture->height() / frameHeight : 0;
    const unsigned int across = frameWidth != 0 ? mTexture->width() / frameWidth : 0;
    mFrameCount = down * across;
    startAnimation(frameRate, repeatCount, reverse);
}

void KaSprite::playAnim()
{
    mAnimPlaying = true;
    mFirstFrame = 0;
    mLastFrame = mFrameCount != 0 ? mFrameCount - 1 : 0;
    mAnimTimer.start();
}

void KaSprite::playAnimPart(unsigned int first, unsigned int last)
{
    mAnimPlaying = true;
    mFirstFrame = first;
    mLastFrame = last < first ? first : last;
    mAnimTimer.start();
}

void KaSprite::stopAnim()
{
    mAnimPlaying = false;
    mRepeatCounter = 0;
    mCurrentFrame = mReverse && mFrameCount != 0 ? mFrameCount - 1 : 0;
    mAnimTimer.stop();
}

// The frame the clock has reached: a pass is the range from the first frame
// to the last; n passes end on the last frame.
void KaSprite::advanceAnimation()
{
    const unsigned int raw = wholePart(mAnimTimer.getTimeFromStart() * static_cast<double>(mFrameRate) / 1000000.0);
    const unsigned long long span = static_cast<unsigned long long>(mLastFrame) + 1 - mFirstFrame;
    if (mRepeatCount != 0) {
        mRepeatCounter = static_cast<unsigned int>(raw / span);
        if (static_cast<unsigned long long>(raw) + 1 >= span * mRepeatCount) {
            mAnimPlaying = false;
            mCurrentFrame = mLastFrame;
            mOnAnimFinished.call();
            return;
        }
    }
    mCurrentFrame = mFirstFrame + static_cast<unsigned int>(raw % span);
}

// ---------------------------------------------------------------------------
// Drawing

const KaIntrusivePtr<KaCamera>& KaSprite::guiCamera()
{
    static const KaIntrusivePtr<KaCamera> camera(new KaCamera());
    return camera;
}

bool KaSprite::onBeforeEndScene()
{
    draw();
    return false;
}

void KaSprite::draw()
{
    if (!mTexture || !mVisible || mRows == 0)
        return;
    const float pictureWidth = static_cast<float>(mTexture->width());
    const float pictureHeight = static_cast<float>(mTexture->height());
    KaScreen* screen = getScreen() ? getScreen() : defaultScreen.get();
    const KaVector3f32 screenSize = screen->getSize();
    if (pictureWidth <= 0.0f || pictureHeight <= 0.0f || !(screenSize.x >= 1.0f) || !(screenSize.y >= 1.0f))
        return;

    KaCamera& camera = *guiCamera();
    camera.setProjectionType(4);
    camera.orthogonalParams(0.0f, screenSize.x, 0.0f, screenSize.y);
    camera.setNearDistance(-2048.0f);
    camera.setFarDistance(2048.0f);
    camera.viewport(0, 0, wholePart(screenSize.x), wholePart(screenSize.y));

    KaRenderer* r = renderer.get();
    r->setMatrixMode(KaRenderer::PROJECTION);
    r->pushMatrix();
    r->loadIdentityMatrix();
    r->setMatrixMode(KaRenderer::MODELVIEW);
    r->pushMatrix();
    r->loadIdentityMatrix();
    camera.apply();

    if (mAnimEnabled && mAnimPlaying)
        advanceAnimation();

    r->pushMatrix();
    if (KaI3DObject* parent = getParent())
        r->multiplyMatrix(parent->getWorldTransformationMatrix());
    const KaVector3f32 position = getPosition();
    r->translate(KaRoundf(position.x), KaRoundf(position.y), KaRoundf(position.z));
    const KaVector3f32 size = getSize();
    const float angle = getRotateAngle();
    if (!(angle == 0.0f)) {
        const KaVector3f32 center = getRotateCenter();
        r->translate(KaRoundf(size.x * center.x), KaRoundf(size.y * center.y), 0.0f);
        // Degrees, as the widget's matrix and the buttons' hit test read it.
        r->rotate(angle * kDegreesToRadians, 0.0f, 0.0f, 1.0f);
        r->translate(KaRoundf(-(size.x * center.x)), KaRoundf(-(size.y * center.y)), 0.0f);
    }
    const KaVector3f32& scale = getScale();
    if (scale.x != 1.0f || scale.y != 1.0f) {
        const KaVector3f32& center = getScaleCenter();
        r->translate(KaRoundf(size.x * center.x), KaRoundf(size.y * center.y), 0.0f);
        r->scale(scale.x, scale.y, 1.0f);
        r->translate(KaRoundf(-(size.x * center.x)), KaRoundf(-(size.y * center.y)), 0.0f);
    }

    KaColor color = mColor;
    color.a = alphaWithOpacity(mColor.a, getOpacity());

    unsigned int frame = 0;
    if (mAnimEnabled)
        frame = mReverse && mCurrentFrame < mFrameCount ? mFrameCount - 1 - mCurrentFrame : mCurrentFrame;
    const float ox = static_cast<float>(static_cast<unsigned long long>(mFrameWidth) * (frame / mRows));
    const float oy = static_cast<float>(static_cast<unsigned long long>(mFrameHeight) * (frame % mRows));
    const float fw = static_cast<float>(mFrameWidth);
    const float fh = static_cast<float>(mFrameHeight);

    mMesh.setConf(4, 4, KaMesh::TRIANGLE_STRIP, 0, 0);
    mMesh.vertex(0, 0.0f, 0.0f, 0.0f);
    mMesh.vertex(1, fw, 0.0f, 0.0f);
    mMesh.vertex(2, fw, fh, 0.0f);
    mMesh.vertex(3, 0.0f, fh, 0.0f);
    mMesh.textureUV(0, ox / pictureWidth, oy / pictureHeight);
    mMesh.textureUV(1, (ox + fw) / pictureWidth, oy / pictureHeight);
    mMesh.textureUV(2, (ox + fw) / pictureWidth, (oy + fh) / pictureHeight);
    mMesh.textureUV(3, ox / pictureWidth, (oy + fh) / pictureHeight);
    for (unsigned int i = 0; i < 4; ++i) {
        mMesh.normal(i, 0.0f, 0.0f, 1.0f);
        mMesh.setColor(i, color);
    }
    mMesh.setIndex(0, 0);
    mMesh.setIndex(1, 1);
    mMesh.setIndex(2, 3);
    mMesh.setIndex(3, 2);
    mMesh.defaultMaterial(mTexture);
    mMesh.draw();

    r->popMatrix();
    camera.restore();
    r->setMatrixMode(KaRenderer::PROJECTION);
    r->popMatrix();
    r->setMatrixMode(KaRenderer::MODELVIEW);
    r->popMatrix();
}

// ---------------------------------------------------------------------------
// GUI files

void KaSprite::loadXML(TiXmlElement& element, KaString directory)
{
    if (TiXmlElement* pivot = element.FirstChildElement("scaleCenter")) {
        KaVector3f32 center = getScaleCenter();
        pivot->QueryFloatAttribute("x", &center.x);
        pivot->QueryFloatAttribute("y", &center.y);
        pivot->QueryFloatAttribute("z", &center.z);
        setScaleCenter(center);
    }
    for (TiXmlAttribute* attribute = element.FirstAttribute(); attribute; attribute = attribute->Next()) {
        const KaString name = KaString(attribute->Name()).toLowerCase();
        if (name == "file")
            load(KaBaseFile::getRealPath(KaPath(attribute->Value()), KaPath(directory)));
        else if (name == "visible")
            mVisible = std::atoi(attribute->Value()) > 0;
    }
}
