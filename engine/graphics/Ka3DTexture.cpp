#include "engine/graphics/Ka3DTexture.h"

#include <GL/gl.h>

#include "engine/base/KaStd.h"
#include "engine/core/KaResourceManager.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaRenderer.h"

namespace {

const char* const textureSuffix = ".3dtex";

unsigned int nextPowerOfTwoAtLeast8(int32_t value)
{
    unsigned int size = 8;
    while (value > 0 && size < static_cast<unsigned int>(value) && size < 0x80000000u)
        size <<= 1;
    return size;
}

// GL's upload format of the two formats textures take; 0 for the others.
GLenum uploadFormat(KaImageFormat format)
{
    if (format == RGB888)
        return GL_RGB;
    if (format == RGBA8888)
        return GL_RGBA;
    return 0;
}

} // namespace

Ka3DTexture::Ka3DTexture()
    : mWidth(0)
    , mHeight(0)
    , mTextureWidth(0)
    , mTextureHeight(0)
    , mLeftBorder(0)
    , mRightBorder(0)
    , mBottomBorder(0)
    , mTopBorder(0)
    , mTextureMatrix()
    , mFormat(NONE)
    , mGLName(mNoName)
    , mInternalFormat(mImageInternalFormat)
    , mCreated(false)
    , mFlipped(false)
    , mLoaded(false)
{
    create();
}

Ka3DTexture::~Ka3DTexture()
{
    if (mCreated) {
        GLuint name = mGLName;
        glDeleteTextures(1, &name);
    }
}

void Ka3DTexture::create()
{
    mFlipped = false;
    mWidth = 0;
    mHeight = 0;
    mTextureWidth = 0;
    mTextureHeight = 0;
    mLeftBorder = 0;
    mRightBorder = 0;
    mBottomBorder = 0;
    mTopBorder = 0;
    mFormat = NONE;
    mLoaded = false;
    if (!mCreated) {
        GLuint name = 0;
        glGenTextures(1, &name);
        mGLName = name == 0 ? mNoName : name;
    }
    if (mGLName != mNoName) {
        mCreated = true;
        glBindTexture(GL_TEXTURE_2D, mGLName);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    } else {
        mCreated = false;
    }
}

void Ka3DTexture::destroy()
{
    if (mCreated) {
        GLuint name = mGLName;
        glDeleteTextures(1, &name);
    }
    mCreated = false;
    mLoaded = false;
}

KaPath Ka3DTexture::accessNameForPath(const KaPath& path) { return KaPath(path + textureSuffix); }

bool Ka3DTexture::load(const KaPath& path)
{
    KaIntrusivePtr<KaImage> image = resourceManager.get()->getResource<KaImage>(path);
    // A failed image load still hands back an (empty) image.
    if (!image || image->format() == NONE) {
        KaPrintf("[Ka3DTexture::load] Can't load image : %s.\n", path.c_str());
        return false;
    }
    load(*image);
    setAccessName(accessNameForPath(path));
    return true;
}

void Ka3DTexture::setUnpackState()
{
    glPixelStorei(GL_UNPACK_SWAP_BYTES, 0);
    glPixelStorei(GL_UNPACK_LSB_FIRST, 0);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
}

bool Ka3DTexture::load(const KaImage& image)
{
    setAccessName(accessNameForPath(image.getAccessName()));
    mWidth = image.width();
    mHeight = image.height();
    mLeftBorder = image.leftBorder();
    mRightBorder = image.rightBorder();
    mBottomBorder = image.bottomBorder();
    mTopBorder = image.topBorder();
    mFormat = image.format();
    mFlipped = image.flipped();

    const KaVector2s32 textureSize = optimisedSize(
        KaVector2s32(static_cast<int32_t>(image.bufferWidth()), static_cast<int32_t>(image.bufferHeight())));
    mTextureWidth = static_cast<unsigned int>(textureSize.x);
    mTextureHeight = static_cast<unsigned int>(textureSize.y);

    glBindTexture(GL_TEXTURE_2D, mGLName);
    setUnpackState();
    const GLenum format = uploadFormat(mFormat);
    if (format != 0 && image.buffer()) {
        const GLint internal = mInternalFormat == mImageInternalFormat ? static_cast<GLint>(format)
                                                                       : static_cast<GLint>(mInternalFormat);
        glTexImage2D(GL_TEXTURE_2D, 0, internal, static_cast<GLsizei>(mTextureWidth),
            static_cast<GLsizei>(mTextureHeight), 0, format, GL_UNSIGNED_BYTE, nullptr);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLsizei>(image.bufferWidth()),
            static_cast<GLsizei>(image.bufferHeight()), format, GL_UNSIGNED_BYTE, image.buffer());
    }
    buildTextureMatrix(mFlipped);
    mLoaded = true;
    return true;
}

void Ka3DTexture::buildTextureMatrix(bool flip)
{
    mTextureMatrix.setIdentity();
    // An empty picture has no area to map onto: keep the identity rather
    // than a matrix of infinities.
    if (mWidth == 0 || mHeight == 0 || mTextureWidth == 0 || mTextureHeight == 0)
        return;
    const float width = static_cast<float>(mWidth);
    const float height = static_cast<float>(mHeight);
    mTextureMatrix.scale(
        KaVector3f32(width / static_cast<float>(mTextureWidth), height / static_cast<float>(mTextureHeight), 1.0f));
    mTextureMatrix.translate(
        KaVector3f32(static_cast<float>(mLeftBorder) / width, static_cast<float>(mBottomBorder) / height, 0.0f));
    mTextureMatrix.scale(KaVector3f32(1.0f - static_cast<float>(mLeftBorder + mRightBorder) / width,
        1.0f - static_cast<float>(mBottomBorder + mTopBorder) / height, 1.0f));
    if (flip) {
        mTextureMatrix.translate(KaVector3f32(0.0f, 1.0f, 0.0f));
        mTextureMatrix.scale(KaVector3f32(1.0f, -1.0f, 1.0f));
    }
}

KaIntrusivePtr<Ka3DTexture> Ka3DTexture::load2(const KaString& name, unsigned int internalFormat)
{
    KaResourceManager* manager = resourceManager.get();
    const KaPath path(name);
    Ka3DTexture* listed = manager->findResource<Ka3DTexture>(accessNameForPath(path));
    if (listed)
        return KaIntrusivePtr<Ka3DTexture>(listed);

    KaIntrusivePtr<KaImage> image(manager->findResource<KaImage>(path));
    if (!image) {
        // Not listed: nobody else asked for the picture, only the texture
        // keeps it.
        image = new KaImage();
        image->load(path);
    }
    KaIntrusivePtr<Ka3DTexture> texture(new Ka3DTexture());
    texture->setInternalFormat(internalFormat);
    texture->load(*image);
    texture->setAccessName(accessNameForPath(path));
    manager->addResource(*texture);
    return texture;
}

KaVector2s32 Ka3DTexture::optimisedSize(const KaVector2s32& size)
{
    return KaVector2s32(
        static_cast<int32_t>(nextPowerOfTwoAtLeast8(size.x)), static_cast<int32_t>(nextPowerOfTwoAtLeast8(size.y)));
}

void Ka3DTexture::update(const KaImage& image, unsigned int x, unsigned int y)
{
    if (image.width() == 0 || image.height() == 0)
        return;
    // GL would read the image's buffer with the texture's pixel size, past
    // its end when the image's pixels are smaller, and a block reaching past
    // the storage uploads nothing: such an image needs new storage.
    const unsigned long right = static_cast<unsigned long>(x) + image.bufferWidth();
    const unsigned long top = static_cast<unsigned long>(y) + image.bufferHeight();
    const bool sameFormat = image.format() == mFormat;
    const bool fits = right <= mTextureWidth && top <= mTextureHeight;
    if (!sameFormat || (uploadFormat(mFormat) != 0 && !fits)) {
        if (x == 0 && y == 0)
            load(image);
        return;
    }
    setAccessName(accessNameForPath(image.getAccessName()));
    glBindTexture(GL_TEXTURE_2D, mGLName);
    setUnpackState();
    const GLenum format = uploadFormat(mFormat);
    if (format != 0 && image.buffer()) {
        glTexSubImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(x), static_cast<GLint>(y),
            static_cast<GLsizei>(image.bufferWidth()), static_cast<GLsizei>(image.bufferHeight()), format,
            GL_UNSIGNED_BYTE, image.buffer());
    }
}

void Ka3DTexture::bind() const
{
    glBindTexture(GL_TEXTURE_2D, mGLName);
    KaRenderer* r = renderer.get();
    r->setMatrixMode(KaRenderer::TEXTURE);
    r->loadMatrix(mTextureMatrix);
    r->loadMatrixToGL(mTextureMatrix);
    r->setMatrixMode(KaRenderer::MODELVIEW);
}

void Ka3DTexture::unbind()
{
    KaRenderer* r = renderer.get();
    r->setMatrixMode(KaRenderer::TEXTURE);
    r->loadIdentityMatrix();
    r->loadMatrixToGL(KaMatrix4x4());
    glBindTexture(GL_TEXTURE_2D, 0);
    r->setMatrixMode(KaRenderer::MODELVIEW);
}

void Ka3DTexture::ForceTexData(unsigned int glName, unsigned int width, unsigned int height)
{
    if (mGLName != mNoName) {
        destroy();
    }
    mGLName = glName;
    mWidth = width;
    mHeight = height;
    mTextureWidth = width;
    mTextureHeight = height;
}

void Ka3DTexture::copyCurrentRender(unsigned int xOffset, unsigned int yOffset, unsigned int x, unsigned int y)
{
    buildTextureMatrix(false);
    glBindTexture(GL_TEXTURE_2D, mGLName);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(xOffset), static_cast<GLint>(yOffset),
        static_cast<GLint>(x), static_cast<GLint>(y), static_cast<GLsizei>(mTextureWidth),
        static_cast<GLsizei>(mTextureHeight));
}

bool Ka3DTexture::unload()
{
    glBindTexture(GL_TEXTURE_2D, mGLName);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    mLoaded = false;
    return true;
}

bool Ka3DTexture::hasAlpha() const { return KaImageFormatHasAlpha(mFormat); }

KaImageFormat Ka3DTexture::getFormat() const { return mFormat; }

bool operator==(const Ka3DTexture& left, const Ka3DTexture& right) { return left.glName() == right.glName(); }

bool operator!=(const Ka3DTexture& left, const Ka3DTexture& right) { return !(left == right); }
