#include "engine/graphics/KaLight.h"

#include <GL/gl.h>

#include <cmath>

#include "engine/graphics/KaCamera.h"
#include "engine/graphics/KaRenderer.h"
#include "engine/maths/KaQuaternion.h"

KaColor KaLight::globalAmbient(0, 0, 0, 255);

namespace {

const float pi = 3.14159265358979323846f;

// Light colours go to GL with alpha 1: a colour's alpha means nothing to a
// light, and the scene files leave it at whatever their tool wrote.
void sendColor(GLenum light, GLenum name, const KaColor& color)
{
    const GLfloat values[4] = { color.r / 255.0f, color.g / 255.0f, color.b / 255.0f, 1.0f };
    glLightfv(light, name, values);
}

GLenum lightName(unsigned int slot)
{
    return static_cast<GLenum>(GL_LIGHT0 + slot);
}

} // namespace

KaLight::KaLight()
    : mType(POINT)
    , mPosition(0.0f, 0.0f, 0.0f)
    , mDirection(0.0f, 0.0f)
    , mAmbient(0, 0, 0, 255)
    , mDiffuse(0, 0, 0, 255)
    , mSpecular(255, 255, 255, 255)
    , mConstantAttenuation(1.0f)
    , mLinearAttenuation(0.0f)
    , mQuadraticAttenuation(0.0f)
    , mCutoff(0.0f)
    , mExponent(0.0f)
    , mDisplaySize(3.0f)
{
}

void KaLight::update(unsigned int slot) const
{
    const GLenum light = lightName(slot);
    sendColor(light, GL_AMBIENT, mAmbient);
    sendColor(light, GL_DIFFUSE, mDiffuse);
    if (mDiffuse.r / 255.0f < 0.01f && mDiffuse.g / 255.0f < 0.01f && mDiffuse.b / 255.0f < 0.01f)
        glDisable(light);
    sendColor(light, GL_SPECULAR, mSpecular);
    if (mType == POINT || mType == SPOT) {
        const GLfloat position[4] = { mPosition.x, mPosition.y, mPosition.z, 1.0f };
        glLightfv(light, GL_POSITION, position);
        glLightf(light, GL_CONSTANT_ATTENUATION, mConstantAttenuation);
        glLightf(light, GL_LINEAR_ATTENUATION, mLinearAttenuation);
        glLightf(light, GL_QUADRATIC_ATTENUATION, mQuadraticAttenuation);
    }
    const KaVector3f32 direction = directionVector();
    if (mType == DIRECTIONAL) {
        const GLfloat position[4] = { direction.x, direction.y, direction.z, 0.0f };
        glLightfv(light, GL_POSITION, position);
    }
    if (mType == SPOT) {
        const GLfloat spotDirection[3] = { direction.x, direction.y, direction.z };
        glLightfv(light, GL_SPOT_DIRECTION, spotDirection);
        glLightf(light, GL_SPOT_CUTOFF, mCutoff * 180.0f / pi);
        glLightf(light, GL_SPOT_EXPONENT, mExponent);
    } else {
        glLightf(light, GL_SPOT_CUTOFF, 180.0f);
    }
}

void KaLight::enable(unsigned int slot) const
{
    if (mDiffuse.r != 0 || mDiffuse.g != 0 || mDiffuse.b != 0)
        glEnable(lightName(slot));
    else
        glDisable(lightName(slot));
}

void KaLight::disable(unsigned int slot)
{
    glDisable(lightName(slot));
}

void KaLight::enableAll()
{
    glEnable(GL_LIGHTING);
}

void KaLight::disableAll()
{
    glDisable(GL_LIGHTING);
}

void KaLight::updateGlobal()
{
    const GLfloat values[4] = { globalAmbient.r / 255.0f, globalAmbient.g / 255.0f, globalAmbient.b / 255.0f, 1.0f };
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, values);
}

KaVector3f32 KaLight::directionVector() const
{
    const float a = mDirection.x;
    const float b = mDirection.y;
    return KaVector3f32(std::cos(a) * std::cos(b), std::sin(b), std::sin(a) * std::cos(b));
}

void KaLight::transformSpotPoint(KaVector3f32& point) const
{
    point.rotate(KaQuaternion::fromAxisAndAngle(KaVector3f32(0.0f, 0.0f, -1.0f), mDirection.y));
    point.rotate(KaQuaternion::fromAxisAndAngle(KaVector3f32(0.0f, 1.0f, 0.0f), mDirection.x));
    point += mPosition;
}

void KaLight::transformDirPoint(const KaVector3f32& anchor, KaVector3f32& point) const
{
    point.rotate(KaQuaternion::fromAxisAndAngle(KaVector3f32(0.0f, 0.0f, -1.0f), -mDirection.y));
    point.rotate(KaQuaternion::fromAxisAndAngle(KaVector3f32(0.0f, 1.0f, 0.0f), mDirection.x + pi));
    point += anchor;
}

// plane 0: xz, 1: xy, 2: yz, around center, in segments of pi / 6.
void KaLight::drawCircle(const KaVector3f32& center, float radius, int plane) const
{
    KaRenderer* r = renderer.get();
    const float step = pi / 6.0f;
    for (int i = 0; i < 12; ++i) {
        const float a0 = step * static_cast<float>(i);
        const float a1 = step * static_cast<float>(i + 1);
        const float c0 = radius * std::cos(a0), s0 = radius * std::sin(a0);
        const float c1 = radius * std::cos(a1), s1 = radius * std::sin(a1);
        KaVector3f32 from, to;
        if (plane == 0) {
            from = KaVector3f32(c0, 0.0f, s0);
            to = KaVector3f32(c1, 0.0f, s1);
        } else if (plane == 1) {
            from = KaVector3f32(c0, s0, 0.0f);
            to = KaVector3f32(c1, s1, 0.0f);
        } else {
            from = KaVector3f32(0.0f, c0, s0);
            to = KaVector3f32(0.0f, c1, s1);
        }
        r->drawLine(center + from, center + to);
    }
}

void KaLight::draw(KaCamera& camera)
{
    KaRenderer* r = renderer.get();
    r->setCurrentColor(mDiffuse);
    // An orthographic view shows the scene from the other side in y.
    const float savedB = mDirection.y;
    if (camera.projectionType() == KaCamera::ORTHOGRAPHIC)
        mDirection.y = -mDirection.y;
    const float s = mDisplaySize;

    if (mType == SPOT) {
        const float along = 2.0f * s * std::cos(mCutoff);
        const float across = 2.0f * s * std::sin(mCutoff);
        KaVector3f32 apex(0.0f, 0.0f, 0.0f);
        transformSpotPoint(apex);
        const KaVector3f32 ends[4] = { KaVector3f32(along, across, 0.0f), KaVector3f32(along, -across, 0.0f),
            KaVector3f32(along, 0.0f, across), KaVector3f32(along, 0.0f, -across) };
        for (const KaVector3f32& end : ends) {
            KaVector3f32 placed = end;
            transformSpotPoint(placed);
            r->drawLine(apex, placed);
        }
        const float step = pi / 6.0f;
        for (int i = 0; i < 12; ++i) {
            const float a0 = step * static_cast<float>(i);
            const float a1 = step * static_cast<float>(i + 1);
            KaVector3f32 from(along, across * std::cos(a0), across * std::sin(a0));
            KaVector3f32 to(along, across * std::cos(a1), across * std::sin(a1));
            transformSpotPoint(from);
            transformSpotPoint(to);
            r->drawLine(from, to);
        }
    } else if (mType == DIRECTIONAL) {
        KaVector3f32 origin, rayDirection;
        const int px = camera.viewportX() + static_cast<int>(camera.viewportWidth() / 2);
        const int py = camera.viewportY() + static_cast<int>(3 * camera.viewportHeight() / 4);
        camera.getRay(KaVector2s32(px, py), origin, rayDirection);
        const KaVector3f32 anchor = origin + rayDirection * 100.0f;
        const KaVector3f32 tip(2.0f * s, 0.0f, 0.0f);
        const KaVector3f32 shaft[2] = { KaVector3f32(0.0f, 0.0f, 0.0f), tip };
        const KaVector3f32 head[4] = { KaVector3f32(1.2f * s, 0.0f, 0.4f * s), KaVector3f32(1.2f * s, 0.0f, -0.4f * s),
            KaVector3f32(1.2f * s, 0.4f * s, 0.0f), KaVector3f32(1.2f * s, -0.4f * s, 0.0f) };
        KaVector3f32 a = shaft[0], b = shaft[1];
        transformDirPoint(anchor, a);
        transformDirPoint(anchor, b);
        r->drawLine(a, b);
        for (const KaVector3f32& point : head) {
            KaVector3f32 placed = point;
            transformDirPoint(anchor, placed);
            r->drawLine(b, placed);
        }
    } else {
        for (int plane = 0; plane < 3; ++plane)
            drawCircle(mPosition, s, plane);
    }
    mDirection.y = savedB;
}
