#ifndef KA_3D_TEXTURE_H
#define KA_3D_TEXTURE_H

#include "engine/containers/KaIntrusivePtr.h"
#include "engine/core/KaPath.h"
#include "engine/core/KaResource.h"
#include "engine/graphics/KaImageFormat.h"
#include "engine/maths/KaMatrix4x4.h"
#include "engine/maths/KaVector2s32.h"

class KaImage;

// One OpenGL 2D texture holding a KaImage, as a shared resource.
//
// The texture's sides are powers of two (at least 8), so a picture rarely
// fills it. The texture matrix maps the unit square onto the picture's
// visible part: callers always give texture coordinates 0..1, whatever the
// picture's size, its border padding and its row order (a flipped image,
// stored top row first, still shows upright). bind() loads that matrix.
//
// Only RGB (format 5) and RGBA (format 6) pictures are uploaded; any other
// format leaves the texture without storage, and such a texture samples as
// if texturing were off.
//
// The access name is the image's name followed by ".3dtex", so a texture is
// never confused with the image it came from; the resource manager looks a
// Ka3DTexture up under that name (accessNameForPath), so
// getResource<Ka3DTexture>(path) finds a texture already loaded from path.
//
// A texture owns the GL name it generated and deletes it on destruction;
// it needs the GL context it was made in. Counted (KaIntrusivePtr). Main
// thread only.
class Ka3DTexture : public KaResource {
public:
    // The internal format that means "upload in the image's own format".
    static const unsigned int mImageInternalFormat = 0x500;
    // The GL name of a texture that has none.
    static const unsigned int mNoName = 0xFFFFFFFFu;

    // Generates the GL name at once (see create()).
    Ka3DTexture();
    Ka3DTexture(const Ka3DTexture&) = delete;
    Ka3DTexture& operator=(const Ka3DTexture&) = delete;
    ~Ka3DTexture() override;

    // Back to an unloaded texture (sizes 0, format NONE, not flipped),
    // generating a GL name when there is none yet, with linear filtering and
    // edge clamping.
    void create();
    // Deletes an owned GL name; created and loaded go off.
    void destroy();

    // Uploads the image that the resource manager holds (or loads) for the
    // path and takes the name path + ".3dtex". False, with a message, when
    // no image can be had for the path.
    bool load(const KaPath& path) override;
    // Uploads the picture into a texture of optimisedSize(buffer size) and
    // builds the texture matrix. Always true.
    bool load(const KaImage& image);

    // The texture named name + ".3dtex" in the resource manager, or a new one
    // made with that internal format from the image of that name (from the
    // manager, else loaded from the file), named and listed. Never null.
    static KaIntrusivePtr<Ka3DTexture> load2(const KaString& name, unsigned int internalFormat);

    // The access name a texture loaded from path carries.
    static KaPath accessNameForPath(const KaPath& path);

    // Each side rounded up to a power of two, at least 8.
    static KaVector2s32 optimisedSize(const KaVector2s32& size);

    // Replaces the block at (x, y) by the image's whole buffer: the cheap way
    // to show a new video frame. The size, borders and matrix stay. An image
    // of another format than the texture's, or whose buffer does not fit in
    // the texture at (x, y), cannot be uploaded into this storage: at (0, 0)
    // the texture reloads from it instead, elsewhere nothing is uploaded. An
    // empty image (a side of 0) changes nothing, not even the name.
    void update(const KaImage& image, unsigned int x, unsigned int y);

    // Binds the texture and loads its matrix into the renderer's texture
    // stack and GL's texture matrix; the renderer is left in model-view mode.
    void bind() const;
    // Identity texture matrix and no texture bound; model-view mode.
    static void unbind();

    // Adopts a GL name made elsewhere, at that size, without owning it.
    void ForceTexData(unsigned int glName, unsigned int width, unsigned int height);
    // Copies the frame buffer's rectangle at (x, y), the texture's size, into
    // the texture at (xOffset, yOffset); the matrix is rebuilt unflipped.
    void copyCurrentRender(unsigned int xOffset, unsigned int yOffset, unsigned int x, unsigned int y);
    // Drops the storage (a 0 x 0 image); the GL name stays.
    bool unload();

    // Formats 1, 2, 6, 9 and 11.
    bool hasAlpha() const;
    virtual KaImageFormat getFormat() const;

    unsigned int width() const { return mWidth; }
    unsigned int height() const { return mHeight; }
    unsigned int textureWidth() const { return mTextureWidth; }
    unsigned int textureHeight() const { return mTextureHeight; }
    unsigned int leftBorder() const { return mLeftBorder; }
    unsigned int rightBorder() const { return mRightBorder; }
    unsigned int bottomBorder() const { return mBottomBorder; }
    unsigned int topBorder() const { return mTopBorder; }
    const KaMatrix4x4& textureMatrix() const { return mTextureMatrix; }
    unsigned int glName() const { return mGLName; }
    unsigned int internalFormat() const { return mInternalFormat; }
    void setInternalFormat(unsigned int format) { mInternalFormat = format; }
    bool isCreated() const { return mCreated; }
    bool isFlipped() const { return mFlipped; }
    bool isLoaded() const { return mLoaded; }

private:
    void buildTextureMatrix(bool flip);
    static void setUnpackState();

    unsigned int mWidth;
    unsigned int mHeight;
    unsigned int mTextureWidth;
    unsigned int mTextureHeight;
    unsigned int mLeftBorder;
    unsigned int mRightBorder;
    unsigned int mBottomBorder;
    unsigned int mTopBorder;
    KaMatrix4x4 mTextureMatrix;
    KaImageFormat mFormat;
    unsigned int mGLName;
    unsigned int mInternalFormat;
    bool mCreated;
    bool mFlipped;
    bool mLoaded;
};

// Two textures are equal when they use the same GL texture.
bool operator==(const Ka3DTexture& left, const Ka3DTexture& right);
bool operator!=(const Ka3DTexture& left, const Ka3DTexture& right);

#endif
