#include "game/characters/CharactersShadow.h"

#include <GL/gl.h>

#include "engine/graphics/Ka3DTexture.h"
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

} // namespace

CharactersShadow::CharactersShadow()
    : mTexture(0)
    , mTextureSize(0)
{
}

CharactersShadow::~CharactersShadow() { destroy(); }

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
    (void)scene;
    mTextureSize = mSide;
    mCamera->viewport(0, 0, mTextureSize, mTextureSize);
    mCoverage = KaCoverageMask(mTextureSize);
    // One intensity per texel, the characters' coverage: the projection's
    // modulation turns it into both the shadow's colour and its opacity, so
    // nothing depends on the frame buffer having an alpha channel (a
    // window's mostly has none).
    glTexImage2D(GL_TEXTURE_2D, 0, GL_INTENSITY, static_cast<GLsizei>(mTextureSize),
        static_cast<GLsizei>(mTextureSize), 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, mCoverage.data());
    r->disableTexture();
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
    if (!mCamera || mTexture == 0)
        return;
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

    // The silhouettes are filled on the CPU rather than drawn and copied
    // out of the frame buffer: reading the buffer back makes the frame wait
    // for the GL to finish all it was given, and the shadow only needs
    // which texels the characters cover.
    const KaMatrix4x4 lightClip = mCamera->projectionMatrix() * mCamera->worldTransformationMatrix().getInverseMatrix();
    mCoverage.clear();
    KaArray<Character*>& characters = scene->characters();
    for (unsigned long i = 0; i < characters.size(); ++i)
        fillSilhouette(characters[i], lightClip);
    fillSilhouette(scene->player(), lightClip);

    unsigned int first = 0;
    unsigned int end = 0;
    mCoverage.takeTouchedRows(first, end);
    if (first >= end)
        return;
    glBindTexture(GL_TEXTURE_2D, mTexture);
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, static_cast<GLint>(first), static_cast<GLsizei>(mTextureSize),
        static_cast<GLsizei>(end - first), GL_LUMINANCE, GL_UNSIGNED_BYTE,
        mCoverage.data() + static_cast<size_t>(first) * mTextureSize);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glBindTexture(GL_TEXTURE_2D, 0);
}

void CharactersShadow::fillSilhouette(Character* character, const KaMatrix4x4& lightClip)
{
    if (!character || !character->model())
        return;
    KaModel& model = *character->model();
    // What the model's draw would show: nothing when hidden, each visible
    // mesh under its own matrix (or the one forced on it) under the model's.
    if (!model.worldVisible())
        return;
    const KaMatrix4x4 modelClip = lightClip * model.worldTransformationMatrix();
    for (unsigned long m = 0; m < model.meshCount(); ++m) {
        KaMesh& mesh = model.mesh(m);
        if (!mesh.worldVisible())
            continue;
        const KaMatrix4x4 clip
            = modelClip * (mesh.matrixForced() ? mesh.forcedMatrix() : mesh.worldTransformationMatrix());
        const KaArray<KaVector3f32>& positions = mesh.hasSkinnedPositions() ? mesh.skinnedPositions() : mesh.positions();
        const unsigned long vertexCount = positions.size();
        const unsigned long indexCount = mesh.indexCount();
        const unsigned int primitive = mesh.primitive();
        unsigned long step = 3;
        if (primitive == GL_TRIANGLE_STRIP || primitive == GL_TRIANGLE_FAN)
            step = 1;
        else if (primitive != GL_TRIANGLES)
            continue;
        for (unsigned long i = 0; i + 2 < indexCount; i += step) {
            unsigned long corners[3] = { mesh.index(i), mesh.index(i + 1), mesh.index(i + 2) };
            if (primitive == GL_TRIANGLE_FAN)
                corners[0] = mesh.index(0);
            // Indices come from files: a corner past the vertices is no triangle.
            if (corners[0] >= vertexCount || corners[1] >= vertexCount || corners[2] >= vertexCount)
                continue;
            mCoverage.fillTriangle(clip, positions[corners[0]], positions[corners[1]], positions[corners[2]]);
        }
    }
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
    // The generated coordinates go through the texture matrix, which still
    // holds whatever the last picture bound loaded into it (its padding,
    // its flip): the projection needs it plain.
    Ka3DTexture::unbind();
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
