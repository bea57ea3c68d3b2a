#include <gtest/gtest.h>

#include "engine/core/KaObject.h"
#include "engine/scene/KaModel.h"
#include "engine/scene/KaModelAnimation.h"
#include "engine/scene/KaModelVertexAnimation.h"
#include "tests/engine/scene/KaModelBuilder.h"
#include "tests/engine/scene/KaSceneTestClock.h"

namespace {

// A keyed animation holding the track "root" at x, whatever the frame.
KaIntrusivePtr<KaModelAnimation> holdAt(float x)
{
    KaIntrusivePtr<KaModelAnimation> anim(new KaModelAnimation());
    anim->setKeyed(true);
    anim->setFrameCount(10);
    anim->setFrameRate(30.0f);
    anim->resizeNMOArrays(1);
    anim->setBoneName(0, "root");
    KaVector3f32 at(x, 0, 0);
    anim->setTranslation(0, 0.0f, at);
    return anim;
}

class KaModelBlendAnimTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        mModel = nullptr;
        KaObject::deleteNow();
    }

    // x of the root's matrix, mirrored back.
    float rootX()
    {
        mModel->update();
        return -mModel->boneMatrices()[0][3][0];
    }

    KaSceneTestClock mClock;
    KaIntrusivePtr<KaModel> mModel { new KaModel() };
};

} // namespace

TEST_F(KaModelBlendAnimTest, BlendersCrossFadeAndChain)
{
    KaAddBone(*mModel, "root", KaModel::mNoParent, KaTRS());
    KaAddBone(*mModel, "tail", 0, KaMakeTRS(KaVector3f32(0, 1, 0)));
    KaIntrusivePtr<KaModelAnimation> a = holdAt(2);
    KaIntrusivePtr<KaModelAnimation> b = holdAt(10);
    KaIntrusivePtr<KaModelAnimation> c = holdAt(20);
    mModel->setAnim(a, true);
    EXPECT_EQ(a->repeatCount(), 4294967295u);
    EXPECT_FLOAT_EQ(rootX(), 2);

    mModel->blendAnim(b, 0.5f, false);
    EXPECT_EQ(b->repeatCount(), 1u);
    EXPECT_TRUE(b->isRunning()) << "the blend starts the new animation";
    mClock.frame(0);
    mClock.frame(250);
    EXPECT_FLOAT_EQ(mModel->bonesBlenderAt(0)->coefficient(), 0.5f);
    EXPECT_FLOAT_EQ(rootX(), 6) << "halfway from 2 to 10";
    // A bone the animations do not name keeps its bind transform.
    EXPECT_FLOAT_EQ(mModel->boneMatrices()[1][3][1], 1.0f);

    mModel->blendAnim(c, 0.5f, true);
    mClock.frame(0);
    mClock.frame(125);
    // First 2 -> 10 at 0.75, then that toward 20 at 0.25.
    EXPECT_FLOAT_EQ(rootX(), 11);
    EXPECT_EQ(mModel->bonesBlenderCount(), 2u);

    mClock.frame(125);
    // The first fade is over: b is current, faded toward c at 0.5.
    EXPECT_FLOAT_EQ(rootX(), 15);
    EXPECT_EQ(mModel->anim().get(), b.get());
    EXPECT_EQ(mModel->bonesBlenderCount(), 1u);

    mClock.frame(250);
    EXPECT_FLOAT_EQ(rootX(), 20);
    EXPECT_EQ(mModel->anim().get(), c.get());
    EXPECT_EQ(mModel->bonesBlenderCount(), 0u);
}

TEST_F(KaModelBlendAnimTest, SetAnimAndRemoveAnimDropPendingBlends)
{
    KaAddBone(*mModel, "root", KaModel::mNoParent, KaTRS());
    KaIntrusivePtr<KaModelAnimation> a = holdAt(2);
    KaIntrusivePtr<KaModelAnimation> b = holdAt(10);
    mModel->blendAnim(a, 0.5f, false);
    EXPECT_EQ(mModel->bonesBlenderCount(), 0u) << "without a current animation, blending is setting";
    EXPECT_EQ(mModel->anim().get(), a.get());
    mModel->blendAnim(b, 0.5f, false);
    EXPECT_EQ(mModel->bonesBlenderCount(), 1u);
    mModel->setAnim(b, false);
    EXPECT_EQ(mModel->bonesBlenderCount(), 0u);
    EXPECT_FLOAT_EQ(rootX(), 10);
    mModel->blendAnim(a, 0.5f, false);
    mModel->removeAnim();
    EXPECT_EQ(mModel->bonesBlenderCount(), 0u);
    EXPECT_EQ(mModel->anim().get(), nullptr);
    EXPECT_FLOAT_EQ(rootX(), 0) << "back to the bind pose";
}

TEST_F(KaModelBlendAnimTest, AReleasedAnimationGoesAtTheEndOfTheFrame)
{
    KaAddBone(*mModel, "root", KaModel::mNoParent, KaTRS());
    KaModelAnimation* raw = new KaModelAnimation();
    {
        KaIntrusivePtr<KaModelAnimation> a(raw);
        mModel->setAnim(a, false);
    }
    const unsigned long pending = KaObject::pendingDeleteCount();
    mModel->removeAnim();
    EXPECT_EQ(KaObject::pendingDeleteCount(), pending + 1);
    KaObject::deleteNow();
}

TEST_F(KaModelBlendAnimTest, AShortVertexAnimationLeavesTheRestOfTheMeshInPlace)
{
    // No bones: the mesh takes the animation's vertices; with two bones and
    // self-skinning the model does, and the extra vertex is skinned from the
    // mesh's own position.
    for (int bones : { 0, 2 }) {
        SCOPED_TRACE(bones);
        mModel = new KaModel();
        for (int i = 0; i < bones; ++i)
            KaAddBone(*mModel, i == 0 ? "root" : "tail", i == 0 ? KaModel::mNoParent : 0, KaTRS());
        mModel->setFlags(bones != 0 ? KaModel::mSelfSkinningFlag : 0);
        KaMesh mesh;
        mesh.setConf(3, 0, KaMesh::POINTS, 0, 0);
        mesh.setName("cloth");
        for (unsigned int v = 0; v < 3; ++v) {
            mesh.setVertex(v, KaVector3f32(static_cast<float>(v), 5, 0));
            mesh.setNormal(v, KaVector3f32(0, 0, 1));
        }
        mModel->addMesh(mesh);

        KaIntrusivePtr<KaModelVertexAnimation> wave(new KaModelVertexAnimation());
        KaStream file;
        file.writeData("KAVA", 4);
        file.write(2u);
        file.writeData("HEAD", 4);
        KaString::serialize(file, KaString("cloth"));
        file.write(2u); // vertices
        file.write(1u); // one key
        file.writeData("TIME", 4);
        file.write(0.0f);
        file.writeData("DATA", 4);
        for (float value : { 7.0f, 7.0f, 7.0f, 8.0f, 8.0f, 8.0f })
            file.write(value);
        file.seek(0);
        ASSERT_TRUE(wave->load(file));
        mModel->setVertexAnim(wave, true);
        mModel->update();
        const KaMesh& skinned = mModel->mesh(0);
        ASSERT_TRUE(skinned.hasSkinnedPositions());
        EXPECT_EQ(skinned.vertex(0), KaVector3f32(7, 7, 7));
        EXPECT_EQ(skinned.vertex(1), KaVector3f32(8, 8, 8));
        // Mirrored by the root when the model skins it from its own position.
        EXPECT_EQ(skinned.vertex(2), KaVector3f32(bones != 0 ? -2.0f : 2.0f, 5, 0));
    }
}

// Vertex animations do not cross-fade: without a skeletal animation the
// blend makes it the model's; with one it only starts it.
TEST_F(KaModelBlendAnimTest, BlendingAVertexAnimationAttachesItOnlyWithoutASkeletalOne)
{
    KaAddBone(*mModel, "root", KaModel::mNoParent, KaTRS());
    for (bool skeletal : { false, true }) {
        SCOPED_TRACE(skeletal ? "with a skeletal animation" : "without");
        KaIntrusivePtr<KaModelAnimation> walk = holdAt(1);
        if (skeletal)
            mModel->setAnim(walk, true);
        else
            mModel->removeAnim();
        mModel->setVertexAnim(nullptr, false);
        KaIntrusivePtr<KaModelVertexAnimation> wave(new KaModelVertexAnimation());
        mModel->blendVertexAnim(wave, 0.5f, false);
        EXPECT_EQ(wave->repeatCount(), 1u);
        EXPECT_EQ(mModel->vertexAnim().get(), skeletal ? nullptr : wave.get());
        EXPECT_EQ(wave->isRunning(), skeletal);
        mModel->blendVertexAnim(wave, 0.5f, true);
        EXPECT_EQ(wave->repeatCount(), 4294967295u);
    }
}
