#ifndef KA_LIGHT_H
#define KA_LIGHT_H

#include "engine/maths/KaVector2f32.h"
#include "engine/maths/KaVector3f32.h"
#include "engine/color/KaColor.h"

class KaCamera;

// One fixed-function GL light (point, directional or spot) and the switches
// of lighting as a whole. The scene fills lights from its lights file and
// sends them to slots 0, 1, ... (GL_LIGHT0 + slot).
//
// Colour alphas are never sent: GL receives alpha 1 for every light colour.
// A light whose diffuse colour is black is switched off by update() and
// enable(), whatever its other colours.
//
// Main thread only.
class KaLight {
public:
    enum Type { POINT = 0, DIRECTIONAL = 1, SPOT = 2 };

    // Opaque black at start; the scene sets it from its lights file.
    static KaColor globalAmbient;

    KaLight();

    // Sends the light to GL_LIGHT0 + slot: colours, position (w 1 for point
    // and spot, the direction with w 0 for a directional light),
    // attenuations, spot direction, cutoff (degrees) and exponent.
    void update(unsigned int slot) const;
    // On when any diffuse channel is not 0, off otherwise.
    void enable(unsigned int slot) const;
    static void disable(unsigned int slot);
    static void enableAll();
    static void disableAll();
    // GL's global ambient colour from globalAmbient.
    static void updateGlobal();

    // (cos a cos b, sin b, sin a cos b) for the direction angles (a, b).
    KaVector3f32 directionVector() const;
    // Places a point of the spot symbol: rotated by b about (0, 0, -1), then
    // by a about (0, 1, 0), then moved to the light's position.
    void transformSpotPoint(KaVector3f32& point) const;
    // Places a point of the arrow: rotated by -b about (0, 0, -1), then by
    // a + pi about (0, 1, 0), then moved to the anchor.
    void transformDirPoint(const KaVector3f32& anchor, KaVector3f32& point) const;
    // The light's symbol in lines of its diffuse colour (the renderer's
    // current colour becomes it).
    void draw(KaCamera& camera);

    Type type() const { return mType; }
    void setType(Type type) { mType = type; }
    const KaVector3f32& position() const { return mPosition; }
    void setPosition(const KaVector3f32& position) { mPosition = position; }
    // Radians.
    const KaVector2f32& direction() const { return mDirection; }
    void setDirection(const KaVector2f32& angles) { mDirection = angles; }
    const KaColor& ambient() const { return mAmbient; }
    void setAmbient(const KaColor& color) { mAmbient = color; }
    const KaColor& diffuse() const { return mDiffuse; }
    void setDiffuse(const KaColor& color) { mDiffuse = color; }
    const KaColor& specular() const { return mSpecular; }
    void setSpecular(const KaColor& color) { mSpecular = color; }
    float constantAttenuation() const { return mConstantAttenuation; }
    void setConstantAttenuation(float value) { mConstantAttenuation = value; }
    float linearAttenuation() const { return mLinearAttenuation; }
    void setLinearAttenuation(float value) { mLinearAttenuation = value; }
    float quadraticAttenuation() const { return mQuadraticAttenuation; }
    void setQuadraticAttenuation(float value) { mQuadraticAttenuation = value; }
    // Spot cone half-angle, radians.
    float cutoff() const { return mCutoff; }
    void setCutoff(float radians) { mCutoff = radians; }
    float exponent() const { return mExponent; }
    void setExponent(float exponent) { mExponent = exponent; }
    float displaySize() const { return mDisplaySize; }
    void setDisplaySize(float size) { mDisplaySize = size; }

private:
    void drawCircle(const KaVector3f32& center, float radius, int plane) const;

    Type mType;
    KaVector3f32 mPosition;
    KaVector2f32 mDirection;
    KaColor mAmbient;
    KaColor mDiffuse;
    KaColor mSpecular;
    float mConstantAttenuation;
    float mLinearAttenuation;
    float mQuadraticAttenuation;
    float mCutoff;
    float mExponent;
    float mDisplaySize;
};

#endif
