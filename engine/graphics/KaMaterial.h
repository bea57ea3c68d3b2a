#ifndef KA_MATERIAL_H
#define KA_MATERIAL_H

#include <cstdint>

#include "engine/containers/KaIntrusivePtr.h"
#include "engine/core/KaPath.h"
#include "engine/graphics/Ka3DTexture.h"
#include "engine/color/KaColor.h"
#include "engine/containers/KaIsRelocatable.h"

class KaStream;

// How a run of a mesh's faces is drawn: texture, blending mode, the four
// fixed-function material colours, shininess, lighting, and whether it
// receives the characters' projected shadow texture.
//
// A plain value (a counted texture reference and numbers), copied freely.
// Main thread only.
class KaMaterial {
public:
    // Stored as a 32-bit value: a record may carry any number; apply()
    // draws an unknown one modulated, without alpha test.
    enum Mode : int32_t {
        // Colour = texture x incoming colour, alpha always 1: a texture's
        // alpha never shows through an opaque material.
        OPAQUE = 0,
        // Texture modulated, alpha-blended; the default.
        BLENDED = 1,
        // Texture modulated, fragments of alpha 0.5 or less discarded.
        ALPHA_TESTED = 2
    };

    // No texture, blended, default colours.
    KaMaterial();
    KaMaterial(const KaIntrusivePtr<Ka3DTexture>& texture, Mode mode);
    virtual ~KaMaterial();

    // Colours, shininess and both flags back to their defaults; the texture
    // and the mode stay.
    void defaultValues();

    // Turns the material into GL state for the renderer's shadow mode.
    // meshHasTextureCoordinates says whether the caller has pointed the
    // texture-coordinate array at coordinates of the geometry about to be
    // drawn: the array is enabled only then, never over a stale pointer.
    void apply(bool meshHasTextureCoordinates = true) const;
    // What apply() would do, sending only the state in which this material
    // differs from `applied`: the material applied last, in the same shadow
    // mode, with nothing else having changed GL's lighting, alpha test,
    // texture binding, texture-environment combiner or material colours
    // since. GL_TEXTURE_ENV_MODE is left alone: the caller sets its own
    // before drawing (apply() would set GL_COMBINE for an opaque material,
    // GL_MODULATE otherwise). Shadow textures and the shadow passes take
    // the whole apply(). With sendColours false the four
    // colours and the shininess are left to the caller, who knows that
    // lighting stays off (where they show nowhere) until it sends them with
    // applyColours.
    void applyChanges(const KaMaterial& applied, bool meshHasTextureCoordinates = true, bool sendColours = true) const;
    // The four colours and the shininess, where they differ from those of
    // `held`, the material whose colours GL holds (normal shadow mode).
    void applyColours(const KaMaterial& held) const;

    // The record stored in model files: the texture's file name (empty
    // without texture), padding to a multiple of 4 of the stream position,
    // mode, ambient, diffuse, specular, emission, shininess. The name is the
    // last component of the texture's access name without ".3dtex", so the
    // image's own extension is kept and reading finds the file again.
    // False when the stream took fewer bytes than written.
    static bool serialize(KaStream& stream, const KaMaterial& material);
    // Reads the record; a named texture is loaded (shared) from folder/name.
    // enableLights and isShadowTexture are not stored and keep their values.
    // False, with the material untouched, when the name's length or any
    // field runs past what the stream holds.
    static bool deserialize(KaStream& stream, KaMaterial& material, const KaPath& folder);

    // The padding rule of model files: zero bytes (writer) or a skip
    // (reader) up to the next multiple of 4 of the stream position. False
    // when the stream could not write or skip them.
    static bool saveAlign(KaStream& stream);
    static bool loadAlign(KaStream& stream);

    // Written as the file name with its extension: a texture named
    // "models/wall.png.3dtex" gives "wall.png".
    static KaString textureFileName(const Ka3DTexture& texture);

    const KaIntrusivePtr<Ka3DTexture>& texture() const { return mTexture; }
    void setTexture(const KaIntrusivePtr<Ka3DTexture>& texture) { mTexture = texture; }
    Mode mode() const { return mMode; }
    void setMode(Mode mode) { mMode = mode; }
    const KaColor& ambient() const { return mAmbient; }
    void setAmbient(const KaColor& color) { mAmbient = color; }
    const KaColor& diffuse() const { return mDiffuse; }
    void setDiffuse(const KaColor& color) { mDiffuse = color; }
    const KaColor& specular() const { return mSpecular; }
    void setSpecular(const KaColor& color) { mSpecular = color; }
    const KaColor& emission() const { return mEmission; }
    void setEmission(const KaColor& color) { mEmission = color; }
    float shininess() const { return mShininess; }
    void setShininess(float shininess) { mShininess = shininess; }
    bool enableLights() const { return mEnableLights; }
    void setEnableLights(bool enable) { mEnableLights = enable; }
    bool isShadowTexture() const { return mIsShadowTexture; }
    void setShadowTexture(bool shadowTexture) { mIsShadowTexture = shadowTexture; }

private:
    KaIntrusivePtr<Ka3DTexture> mTexture;
    Mode mMode;
    KaColor mAmbient;
    KaColor mDiffuse;
    KaColor mSpecular;
    KaColor mEmission;
    float mShininess;
    bool mEnableLights;
    bool mIsShadowTexture;
};

KA_RELOCATABLE(KaMaterial);

// Equal when both have no texture or textures of the same GL name, and the
// four colours, enableLights, shininess (NaN is never equal) and the mode
// are equal. isShadowTexture is not compared.
bool operator==(const KaMaterial& left, const KaMaterial& right);
bool operator!=(const KaMaterial& left, const KaMaterial& right);

#endif
