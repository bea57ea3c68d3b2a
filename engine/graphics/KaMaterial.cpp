#include "engine/graphics/KaMaterial.h"

#include <GL/gl.h>

#include "engine/base/KaStd.h"
#include "engine/core/KaStream.h"
#include "engine/core/KaString.h"
#include "engine/graphics/KaLight.h"
#include "engine/graphics/KaRenderer.h"

namespace {

const char* const textureSuffix = ".3dtex";
// Mode, four colours and shininess.
const unsigned long recordTailBytes = 4 + 4 * 4 + 4;

unsigned long paddingAt(unsigned long position) { return (4 - position % 4) % 4; }

void setMaterialColor(GLenum face, GLenum property, const KaColor& color)
{
    const GLfloat values[4] = { static_cast<GLfloat>(color.r) / 255.0f, static_cast<GLfloat>(color.g) / 255.0f,
        static_cast<GLfloat>(color.b) / 255.0f, static_cast<GLfloat>(color.a) / 255.0f };
    glMaterialfv(face, property, values);
}

void setAllMaterialColors(const GLfloat* values)
{
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, values);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, values);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, values);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, values);
}

bool readColor(KaStream& stream, KaColor& color) { return KaColor::deserialize(stream, color); }

} // namespace

KaMaterial::KaMaterial()
    : mTexture()
    , mMode(BLENDED)
{
    defaultValues();
}

KaMaterial::KaMaterial(const KaIntrusivePtr<Ka3DTexture>& texture, Mode mode)
    : mTexture(texture)
    , mMode(mode)
{
    defaultValues();
}

KaMaterial::~KaMaterial() { }

void KaMaterial::defaultValues()
{
    mAmbient = KaColor(0, 0, 0, 255);
    mDiffuse = KaColor(255, 255, 255, 255);
    mSpecular = KaColor(0, 0, 0, 255);
    mEmission = KaColor(0, 0, 0, 255);
    mShininess = 0.0f;
    mEnableLights = false;
    mIsShadowTexture = false;
}

void KaMaterial::apply(bool meshHasTextureCoordinates) const
{
    KaRenderer* r = renderer.get();
    const KaRenderer::ShadowMode shadowMode = r->shadowMode();
    if (shadowMode == KaRenderer::SHADOW_NONE) {
        if (mEnableLights)
            KaLight::enableAll();
        else
            KaLight::disableAll();
        if (mTexture) {
            r->enableTexture();
            // The array may still point at the coordinates of a mesh drawn
            // before, possibly freed since.
            if (meshHasTextureCoordinates)
                glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            else
                glDisableClientState(GL_TEXTURE_COORD_ARRAY);
            mTexture->bind();
        }
        glDisable(GL_ALPHA_TEST);
        if (mMode == OPAQUE) {
            const GLfloat white[4] = { 1.0f, 1.0f, 1.0f, 1.0f };
            glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, white);
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
            glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_MODULATE);
            glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_TEXTURE);
            glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_COLOR);
            glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, GL_REPLACE);
            glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA, GL_CONSTANT);
            glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA, GL_SRC_ALPHA);
        } else {
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
            if (mMode == ALPHA_TESTED) {
                glEnable(GL_ALPHA_TEST);
                glAlphaFunc(GL_GREATER, 0.5f);
            }
        }
        setMaterialColor(GL_FRONT_AND_BACK, GL_AMBIENT, mAmbient);
        setMaterialColor(GL_FRONT_AND_BACK, GL_SPECULAR, mSpecular);
        setMaterialColor(GL_FRONT_AND_BACK, GL_EMISSION, mEmission);
        glMaterialf(GL_FRONT, GL_SHININESS, mShininess);
        setMaterialColor(GL_FRONT_AND_BACK, GL_DIFFUSE, mDiffuse);
        r->setCurrentColor(mDiffuse);
    } else if (shadowMode == KaRenderer::SHADOW_TEXTURE) {
        KaLight::disableAll();
        glDisable(GL_ALPHA_TEST);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        const GLfloat full[4] = { 255.0f, 255.0f, 255.0f, 255.0f };
        setAllMaterialColors(full);
    }

    if (!mIsShadowTexture) {
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
        glDisable(GL_TEXTURE_GEN_R);
        glDisable(GL_TEXTURE_GEN_Q);
    } else {
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
        glEnable(GL_TEXTURE_GEN_R);
        glEnable(GL_TEXTURE_GEN_Q);
        glEnable(GL_TEXTURE_2D);
        KaLight::disableAll();
        glDisable(GL_ALPHA_TEST);
        r->enableTexture();
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        const GLfloat shadow[4]
            = { static_cast<GLfloat>(mDiffuse.r) / 255.0f, static_cast<GLfloat>(mDiffuse.g) / 255.0f,
                  static_cast<GLfloat>(mDiffuse.b) / 255.0f, static_cast<GLfloat>(mDiffuse.a) / 255.0f };
        setAllMaterialColors(shadow);
    }
}

void KaMaterial::applyChanges(const KaMaterial& applied, bool meshHasTextureCoordinates, bool sendColours) const
{
    KaRenderer* r = renderer.get();
    if (r->shadowMode() != KaRenderer::SHADOW_NONE || mIsShadowTexture || applied.mIsShadowTexture) {
        apply(meshHasTextureCoordinates);
        return;
    }
    if (mEnableLights != applied.mEnableLights) {
        if (mEnableLights)
            KaLight::enableAll();
        else
            KaLight::disableAll();
    }
    if (mTexture) {
        r->enableTexture();
        if (meshHasTextureCoordinates)
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        else
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        // Binding also loads the texture's own matrix: another object, even
        // of the same GL name, binds again.
        if (applied.mTexture.get() != mTexture.get())
            mTexture->bind();
    }
    const bool alphaTested = mMode == ALPHA_TESTED;
    if (alphaTested != (applied.mMode == ALPHA_TESTED)) {
        if (alphaTested) {
            glEnable(GL_ALPHA_TEST);
            glAlphaFunc(GL_GREATER, 0.5f);
        } else {
            glDisable(GL_ALPHA_TEST);
        }
    }
    // The combiner an opaque material sets up stays until another opaque
    // one needs it again.
    if (mMode == OPAQUE && applied.mMode != OPAQUE) {
        const GLfloat white[4] = { 1.0f, 1.0f, 1.0f, 1.0f };
        glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, white);
        glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_MODULATE);
        glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_TEXTURE);
        glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_COLOR);
        glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, GL_REPLACE);
        glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA, GL_CONSTANT);
        glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA, GL_SRC_ALPHA);
    }
    if (sendColours)
        applyColours(applied);
    r->setCurrentColor(mDiffuse);
}

void KaMaterial::applyColours(const KaMaterial& held) const
{
    if (mAmbient != held.mAmbient)
        setMaterialColor(GL_FRONT_AND_BACK, GL_AMBIENT, mAmbient);
    if (mSpecular != held.mSpecular)
        setMaterialColor(GL_FRONT_AND_BACK, GL_SPECULAR, mSpecular);
    if (mEmission != held.mEmission)
        setMaterialColor(GL_FRONT_AND_BACK, GL_EMISSION, mEmission);
    // A NaN shininess is sent every time, as it never equals what GL holds.
    if (!(mShininess == held.mShininess))
        glMaterialf(GL_FRONT, GL_SHININESS, mShininess);
    if (mDiffuse != held.mDiffuse)
        setMaterialColor(GL_FRONT_AND_BACK, GL_DIFFUSE, mDiffuse);
}

KaString KaMaterial::textureFileName(const Ka3DTexture& texture)
{
    KaPath name = texture.getAccessName().fileName();
    const unsigned long suffixLength = KaStrlen(textureSuffix);
    const unsigned long length = name.length();
    if (length >= suffixLength && name.subString(length - suffixLength, suffixLength) == textureSuffix)
        return name.subString(0, length - suffixLength);
    return name;
}

bool KaMaterial::saveAlign(KaStream& stream)
{
    const unsigned long padding = paddingAt(stream.getPos());
    const unsigned char zeros[4] = { 0, 0, 0, 0 };
    if (padding == 0)
        return true;
    return stream.writeData(zeros, padding) == padding;
}

bool KaMaterial::loadAlign(KaStream& stream)
{
    const unsigned long position = stream.getPos();
    const unsigned long padding = paddingAt(position);
    if (padding == 0)
        return true;
    return stream.seek(position + padding);
}

bool KaMaterial::serialize(KaStream& stream, const KaMaterial& material)
{
    KaString name;
    if (material.mTexture)
        name = textureFileName(*material.mTexture);
    bool written = KaString::serialize(stream, name);
    written = saveAlign(stream) && written;
    written = stream.write(static_cast<unsigned int>(material.mMode)) == 4 && written;
    written = KaColor::serialize(stream, material.mAmbient) && written;
    written = KaColor::serialize(stream, material.mDiffuse) && written;
    written = KaColor::serialize(stream, material.mSpecular) && written;
    written = KaColor::serialize(stream, material.mEmission) && written;
    written = stream.write(material.mShininess) == 4 && written;
    return written;
}

bool KaMaterial::deserialize(KaStream& stream, KaMaterial& material, const KaPath& folder)
{
    // Everything is read into locals first: a record cut short leaves the
    // material as it was.
    unsigned int nameLength = 0;
    if (stream.read(nameLength) != sizeof(nameLength))
        return false;
    if (nameLength > stream.remainingBytes())
        return false;
    KaString name;
    if (nameLength != 0) {
        KaArray<char> bytes;
        bytes.resize(nameLength);
        if (stream.readFully(bytes.data(), nameLength) != nameLength)
            return false;
        name = KaString(bytes.constData(), nameLength);
    }
    if (!loadAlign(stream) || stream.remainingBytes() < recordTailBytes)
        return false;
    unsigned int mode = 0;
    KaColor ambient;
    KaColor diffuse;
    KaColor specular;
    KaColor emission;
    float shininess = 0.0f;
    if (stream.read(mode) != sizeof(mode) || !readColor(stream, ambient) || !readColor(stream, diffuse)
        || !readColor(stream, specular) || !readColor(stream, emission) || stream.read(shininess) != sizeof(shininess))
        return false;

    if (name.length() != 0) {
        // An empty folder means the resource folder itself, not the root.
        const KaString path = folder.length() != 0 ? KaString(folder + "/" + name) : name;
        material.mTexture = Ka3DTexture::load2(path, Ka3DTexture::mImageInternalFormat);
    } else {
        material.mTexture = nullptr;
    }
    material.mMode = static_cast<Mode>(static_cast<int32_t>(mode));
    material.mAmbient = ambient;
    material.mDiffuse = diffuse;
    material.mSpecular = specular;
    material.mEmission = emission;
    material.mShininess = shininess;
    return true;
}

bool operator==(const KaMaterial& left, const KaMaterial& right)
{
    const Ka3DTexture* leftTexture = left.texture().get();
    const Ka3DTexture* rightTexture = right.texture().get();
    if ((leftTexture == nullptr) != (rightTexture == nullptr))
        return false;
    if (leftTexture && *leftTexture != *rightTexture)
        return false;
    return left.ambient() == right.ambient() && left.diffuse() == right.diffuse() && left.specular() == right.specular()
        && left.emission() == right.emission() && left.enableLights() == right.enableLights()
        && left.shininess() == right.shininess() && left.mode() == right.mode();
}

bool operator!=(const KaMaterial& left, const KaMaterial& right) { return !(left == right); }
