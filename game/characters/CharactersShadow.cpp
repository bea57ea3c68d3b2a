#include "game/characters/CharactersShadow.h"

#include <GL/gl.h>

#include "engine/graphics/KaLight.h"
#include "engine/graphics/KaMaterial.h"
#include "engine/graphics/KaMesh.h"
#include "engine/graphics/KaRenderer.h"
#include "engine/maths/KaMatrix4x4.h"
#include "engine/maths/KaQuaternion.h"
#include "engine/scene/KaModel.h"
#include "game/characters/Character.h"
#include "game/scene/InGameScene.h"

namespace {

const float kPi = 3.1415927f;

void drawCharacter(Character* character)
{
    if (character && character->model())
        character->model()->draw();
}

} // namespace

CharactersShadow::CharactersShadow()
    : mTexture(0)
    , mTextureSize(0)
{
}

CharactersShadow::~CharactersShadow() { destroy(); }

unsigned int CharactersShadow::textureSizeFor(float windowWidth, float windowHeight)
{
    float side = windowWidth < windowHeight ? windowWidth : windowHeight;
    if (!(side >= 1.0f))
        return 0;
    if (side > static_cast<float>(mMaxTextureSize))
        side = static_cast<float>(mMaxTextureSize);
    return static_cast<unsigned int>(side);
}

void CharactersShadow::create(InGameScene* scene)
{
    destroy();
    KaRenderer* r = renderer.get();
    r->enableTexture();
    mCamera = KaIntrusivePtr<KaCamera>(new KaCamera);
    mCamera->setProjectionType(KaCamera::PERSPECTIVE_Y);
    mCamera->setAspect(1.0f);
    glBindTexture(GL_TEXTURE_2D, 0);
    glGenTextures(1, &mTexture);
    glBindTexture(GL_TEXTURE_2D, mTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    const KaVector2f32& window = scene->windowSize();
    fitTexture(textureSizeFor(window.x, window.y));
    r->disableTexture();
}

void CharactersShadow::fitTexture(unsigned int size)
{
    if (size == mTextureSize || size == 0)
        return;
    mTextureSize = size;
    mCamera->viewport(0, 0, size, size);
    glBindTexture(GL_TEXTURE_2D, mTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE_ALPHA, static_cast<GLsizei>(size), static_cast<GLsizei>(size), 0,
        GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, nullptr);
}

void CharactersShadow::destroy()
{
    if (mTexture == 0 && !mCamera)
        return;
    renderer.get()->disableTexture();
    glBindTexture(GL_TEXTURE_2D, 0);
    if (mTexture != 0)
        glDeleteTextures(1, &mTexture);
    mTexture = 0;
    mTextureSize = 0;
    mCamera = KaIntrusivePtr<KaCamera>();
}

void CharactersShadow::createTexture(InGameScene* scene)
{
    if (!mCamera)
        return;
    // The copy below reads the lower-left square of the window: never more
    // than the window holds.
    const KaVector2f32& window = scene->windowSize();
    const unsigned int size = textureSizeFor(window.x, window.y);
    if (size == 0)
        return;
    fitTexture(size);

    KaRenderer* r = renderer.get();
    r->enableTexture();
    if (const KaLight* light = scene->shadowLight()) {
        const KaVector2f32& angles = light->direction();
        const KaQuaternion q1 = KaQuaternion::fromAxisAndAngle(KaVector3f32(0.0f, 1.0f, 0.0f), angles.x - 1.5707964f);
        const KaQuaternion q2 = KaQuaternion::fromAxisAndAngle(KaVector3f32(1.0f, 0.0f, 0.0f), angles.y);
        mCamera->setRotation(q2 * q1);
        mCamera->setPosition(light->position());
    }
    mCamera->setFov(scene->shadowFov() * kPi / 180.0f);
    mCamera->setNearDistance(scene->shadowNearPlane());
    mCamera->setFarDistance(scene->shadowFarPlane());
    mCamera->apply();

    const KaColor clearColor = r->clearColor();
    r->setClearColor(KaColor(0, 0, 0, 0));
    r->clearBuffer(KaRenderer::COLOR_BUFFER | KaRenderer::DEPTH_BUFFER);
    // The silhouettes are what counts: opaque white, and no texture left
    // bound by the frame before to tint or hide them.
    glBindTexture(GL_TEXTURE_2D, 0);
    r->setCurrentColor(KaColor(255, 255, 255, 255));
    KaArray<Character*>& characters = scene->characters();
    for (unsigned long i = 0; i < characters.size(); ++i)
        drawCharacter(characters[i]);
    drawCharacter(scene->player());

    glBindTexture(GL_TEXTURE_2D, 0);
    glBindTexture(GL_TEXTURE_2D, mTexture);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, static_cast<GLsizei>(size), static_cast<GLsizei>(size));

    // The pass leaves no picture behind.
    r->clearBuffer(KaRenderer::COLOR_BUFFER | KaRenderer::DEPTH_BUFFER);
    r->setClearColor(clearColor);
    mCamera->restore();
}

void CharactersShadow::draw(InGameScene* scene)
{
    if (!mCamera || mTextureSize == 0)
        return;
    KaRenderer* r = renderer.get();
    const KaColor& shadowColor = scene->shadowColor();
    glDepthMask(GL_FALSE);
    glDisable(GL_DEPTH_TEST);
    r->enableTexture();
    glBindTexture(GL_TEXTURE_2D, mTexture);
    glEnable(GL_TEXTURE_2D);
    r->setCurrentColor(shadowColor);

    // World point -> the light's clip space -> texture space [0, 1]. Eye
    // planes are taken through the inverse of GL's model-view at this
    // call, which is the scene camera's view: the planes then act on world
    // coordinates, whatever each model's own matrix.
    KaMatrix4x4 m;
    m.translate(KaVector3f32(0.5f, 0.5f, 0.5f));
    m.scale(KaVector3f32(0.5f, 0.5f, 0.5f));
    m = m * mCamera->projectionMatrix() * mCamera->worldTransformationMatrix().getInverseMatrix();
    const GLenum coordinates[4] = { GL_S, GL_T, GL_R, GL_Q };
    for (int i = 0; i < 4; ++i) {
        const GLfloat row[4] = { m.m[i], m.m[4 + i], m.m[8 + i], m.m[12 + i] };
        glTexGeni(coordinates[i], GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
        glTexGenfv(coordinates[i], GL_EYE_PLANE, row);
    }

    glBindTexture(GL_TEXTURE_2D, mTexture);
    glEnable(GL_TEXTURE_2D);
    r->setCurrentColor(shadowColor);
    const KaArray<KaIntrusivePtr<KaModel>>& receivers = scene->shadowReceivingModels();
    for (unsigned long i = 0; i < receivers.size(); ++i) {
        KaModel& model = *receivers[i];
        if (model.meshCount() != 0) {
            KaMesh& mesh = model.mesh(0);
            if (!mesh.material(0).texture()) {
                mesh.defaultMaterial(KaIntrusivePtr<Ka3DTexture>());
                KaMaterial material = mesh.material(0);
                material.setDiffuse(shadowColor);
                material.setShadowTexture(true);
                mesh.attachMaterial(0, material);
            }
        }
        model.draw();
    }

    r->disableTexture();
    // Texture generation would otherwise outlive the pass for whatever
    // draws next without a material to switch it off.
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_TEXTURE_GEN_R);
    glDisable(GL_TEXTURE_GEN_Q);
    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
}

bool CharactersShadow::shadowWanted(InGameScene* scene)
{
    return scene && scene->player() && scene->shadowLight() && scene->charactersShadow();
}

void CharactersShadow::renderTexturePass(InGameScene* scene)
{
    if (!shadowWanted(scene))
        return;
    KaRenderer* r = renderer.get();
    r->shadowMode(KaRenderer::SHADOW_TEXTURE);
    scene->charactersShadow()->createTexture(scene);
    r->shadowMode(KaRenderer::SHADOW_NONE);
}

void CharactersShadow::renderProjectionPass(InGameScene* scene)
{
    if (!shadowWanted(scene))
        return;
    KaIntrusivePtr<KaCamera> camera = scene->currentCamera();
    if (!camera)
        return;
    KaRenderer* r = renderer.get();
    camera->apply();
    r->shadowMode(KaRenderer::SHADOW_PROJECTION);
    scene->charactersShadow()->draw(scene);
    r->shadowMode(KaRenderer::SHADOW_NONE);
    camera->restore();
}
